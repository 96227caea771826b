#!/usr/bin/env bash
# fault_matrix_test.sh OUTDIR EXE CHILD
# The unattended program against faults a user's machine brings, one row
# each: folders the user may not list (under the game's Data folder, the
# mod, the portrait pack), a second setup for the same installation (in
# either order, and after the first was killed), read-only files from a
# disc installed over again, files that cannot be read or written, and a
# scratch folder of the same name left behind (by a crashed run, another
# user, or as a link). Each row checks the exit code, the last line, that
# the scratch folder is gone, and for every run that reports success, that
# the installation is complete.
# Root reads every folder, so the rows run as the user "nobody" when the
# test runs as root (setpriv); they are skipped with a message where that
# cannot be done.
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3")
. "$(dirname "$0")/install_check.sh"

. "$(dirname "$0")/as_user.sh"

rm -rf "$out"; mkdir -p "$out"/{tmp,logs,home,pkg/bin} || exit 1
cd "$out"
cp "$child" pkg/bin/tkr-en.exe; cp "$child" pkg/bin/tkr-de.exe; echo sdl > pkg/bin/SDL2.dll
faces=pkg/installer/custom_qvs_faces
mkdir -p "$faces/QVSFaces/BigFaces/Small"
for n in 300 301; do echo "portrait $n" > "$faces/QVSFaces/BigFaces/$n.rvi"; done
echo small > "$faces/QVSFaces/BigFaces/Small/300.rvi"
printf '<QVS><PortraitId>300</PortraitId></QVS>\n' > "$faces/QVSPortraits_base.xml"
printf '<QVS><PortraitId>301</PortraitId></QVS>\n' > "$faces/QVSPortraits_snippet.xml"
mkdir -p src/Data/Maps/Deep mod/Data-VA/Maps mod/Data-Torvane/TableData
for i in 1 2 3; do echo "map $i" > "src/Data/Maps/m$i.rvm"; echo "deep $i" > "src/Data/Maps/Deep/d$i.rvm"; done
echo base > src/Data/Ambient.rvk
echo "mod map" > mod/Data-VA/Maps/va.rvm
echo items > mod/Data-Torvane/TableData/Items.xml
[ ${#as_user[@]} -gt 0 ] && chown -R nobody "$out"
export HOME="$out/home" USERPROFILE="$out/home" TMPDIR="$out/tmp" SDL_VIDEODRIVER=dummy
unset TKR_SETUP_MOD_PATH LOCALAPPDATA XDG_DATA_HOME TKR_SETUP_STEP TKR_SETUP_SCREENSHOT

fail=0
source_data=src/Data  # what the completeness check compares the base files with
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
start() {  # NAME PREFIX [env...]: starts an unattended install in the background
  local name=$1 prefix=$2; shift 2
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$out/src" TKR_SETUP_PREFIX="$out/$prefix" \
      TKR_PKG_DIR="$out/pkg" "$@" "${as_user[@]}" "$exe" > "logs/$name.log" 2>&1 &
  pid=$!
}
last_line() { tail -n 1 "logs/$1.log"; }
# finish NAME PID RC LINE PREFIX [MOD]: the run's exit code and last line
# (it begins with LINE); its scratch folder gone; a complete installation
# when it succeeded.
finish() {
  local name=$1 run_pid=$2 rc=$3 line=$4 prefix=$5 mod=${6:-} want=0 got
  [ "${line#ERROR}" = "$line" ] || want=1
  check "$name" "[ $rc -eq $want ]"
  got=$(last_line "$name")
  [[ "$got" == "[TKR-Setup] $line"* ]] || { echo "FAIL [$name]: the last line is: $got"; fail=1; }
  check "$name" "[ ! -e tmp/tkr-win64-work-$run_pid ]"
  if [ "$rc" -eq 0 ]; then check "$name" "check_complete $prefix $source_data '$mod' pkg"; fi
}
run() {  # NAME LINE PREFIX MOD [env...]
  local name=$1 line=$2 prefix=$3 mod=$4; shift 4
  start "$name" "$prefix" ${mod:+TKR_SETUP_MOD_PATH="$out/$mod"} "$@"
  wait $pid
  finish "$name" $pid $? "$line" "$prefix" "$mod"
}
wait_for() {  # NAME TEXT: until the run has logged TEXT (30 s at most)
  for _ in $(seq 300); do grep -qF "$2" "logs/$1.log" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

# A whole install, for the rows to be measured against.
run whole "Installation completed successfully (en)!" p-whole mod

# Folders that cannot be listed: the walk names the folder and the job
# fails; the same install completes once the folder may be read again.
for row in "src/Data/Maps/Deep:" "mod/Data-VA/Maps:mod" "$faces/QVSFaces/BigFaces/Small:mod"; do
  folder=${row%%:*} mod=${row#*:} name=${folder//\//-}
  chmod 000 "$folder"
  run "unreadable-$name" "ERROR: Could not read the folder \"$out/$folder\" (Permission denied)" \
      "p-$name" "$mod"
  chmod 755 "$folder"
  check "unreadable $folder" "[ ! -e p-$name/bin ]"  # nothing after the failed step
  run "readable-$name" "Installation completed successfully (en)!" "p-$name" "$mod"
done

# One installation, one writer: while a slow first setup runs its engine's
# self-test, a second one for the same prefix fails at once and touches
# nothing; the first completes. Then the other way round.
slow="TKR_CHILD_SLEEP_MS_tkr-en=2500"
for order in "mod:" ":mod"; do
  first=${order%%:*} second=${order#*:}
  rm -rf p-lock
  start "lock-first-$order" p-lock ${first:+TKR_SETUP_MOD_PATH="$out/$first"} "$slow"
  first_pid=$pid
  check "lock $order" "wait_for lock-first-$order 'Applying Classic-First preset'"
  before=$(find p-lock -printf '%p %s %T@\n' | sort)
  run "lock-second-$order" "ERROR: Another setup is already installing into \"$out/p-lock\"" p-lock "$second"
  check "lock $order" "[ \"\$(find p-lock -printf '%p %s %T@\n' | sort)\" = \"\$before\" ]"
  check "lock $order" "[ \$(grep -c TKR-Setup logs/lock-second-$order.log) -eq 1 ]"
  wait $first_pid
  finish "lock-first-$order" $first_pid $? "Installation completed successfully (en)!" p-lock "$first"
done

# A first setup killed in the middle leaves no lock: the next one installs.
rm -rf p-lock
start killed p-lock "$slow"
check killed "wait_for killed 'Applying Classic-First preset'"
kill -9 $pid; wait $pid 2>/dev/null
rm -rf "tmp/tkr-win64-work-$pid"  # a killed run cannot remove its scratch folder
run after-kill "Installation completed successfully (en)!" p-lock ""

# Read-only files, as a game copied from a disc has them: installed, the
# source updated, installed again over its own read-only copies; and a mod
# that replaces a read-only base file.
cp -r src src-ro; cp -r mod mod-ro; mkdir -p mod-ro/Data; echo "mod ambient" > mod-ro/Data/Ambient.rvk
source_data=src-ro/Data
[ ${#as_user[@]} -gt 0 ] && chown -R nobody src-ro mod-ro
find src-ro mod-ro -type f -exec chmod 444 {} +
run ro-first "Installation completed successfully (en)!" p-ro "" TKR_SETUP_GOG_PATH="$out/src-ro"
chmod 644 src-ro/Data/Maps/m1.rvm; echo "map 1, updated" > src-ro/Data/Maps/m1.rvm; chmod 444 src-ro/Data/Maps/m1.rvm
run ro-again "Installation completed successfully (en)!" p-ro "" TKR_SETUP_GOG_PATH="$out/src-ro"
check ro-again "[ \"\$(cat p-ro/game/Data/Maps/m1.rvm)\" = 'map 1, updated' ]"
run ro-mod "Installation completed successfully (en)!" p-ro mod-ro TKR_SETUP_GOG_PATH="$out/src-ro"
check ro-mod "[ \"\$(cat p-ro/game/Data/Ambient.rvk)\" = 'mod ambient' ]"
source_data=src/Data

# A selected file that cannot be read, or whose target cannot be written
# (another user's read-only file), fails the job naming the file.
run file-first "Installation completed successfully (en)!" p-file ""
chmod 000 src/Data/Maps/m2.rvm
run unreadable-file "ERROR: Could not read \"$out/src/Data/Maps/m2.rvm\" (Permission denied)" p-file ""
chmod 644 src/Data/Maps/m2.rvm
if [ ${#as_user[@]} -gt 0 ]; then
  chown root p-file/game/Data/Maps/m1.rvm; chmod 444 p-file/game/Data/Maps/m1.rvm
  run unwritable-file "ERROR: Could not write \"$out/p-file/game/Data/Maps/m1.rvm\" (Permission denied)" p-file ""
  chown nobody p-file/game/Data/Maps/m1.rvm
  run writable-file "Installation completed successfully (en)!" p-file ""
fi

# A scratch folder of this run's name is there before it starts (the
# installer and the .7z mod are real, unpacked by the real tools): a
# leftover of this user's is emptied, without following the link in it;
# another user's, or a link, is passed for a fresh name. Nothing planted
# reaches the installation and nothing outside is touched.
installer=$(ls "$(dirname "$0")"/data/real-installers/single-6.0.5/*.exe)
"$(command -v innoextract)" --gog --silent --output-dir ref-installer "$installer" >/dev/null || fail=1
(cd "$out" && 7zz a -bd -y mod.7z mod >/dev/null) || fail=1
mkdir -p outside/Data-VA; echo planted > outside/Data-VA/planted.rvm; echo planted > outside/planted.rvk
[ ${#as_user[@]} -gt 0 ] && chown -R nobody mod.7z outside
outside_before=$(find outside -printf '%p %s %T@ %m\n' | sort)
owner=nobody; [ ${#as_user[@]} -gt 0 ] || owner=$(id -un)
for kind in own other link; do
  [ $kind = other ] && [ ${#as_user[@]} -eq 0 ] && continue  # another user needs root
  case $kind in
    own) plant='w=tmp/tkr-win64-work-$$; mkdir -p $w/mod-ext/mod/Data-VA $w/gog-ext/app/Data;
           echo planted > $w/mod-ext/mod/Data-VA/planted.rvm; echo planted > $w/gog-ext/app/Data/planted.rvk;
           ln -s "$PWD/outside" $w/gog-ext/link; chown -R '$owner' $w' ;;
    other) plant='w=tmp/tkr-win64-work-$$; mkdir -p $w/mod-ext/mod/Data-VA;
           echo planted > $w/mod-ext/mod/Data-VA/planted.rvm; chmod -R go-w $w' ;;
    link) plant='ln -s "$PWD/outside" tmp/tkr-win64-work-$$' ;;
  esac
  rm -rf p-planted
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$installer" TKR_SETUP_MOD_PATH="$out/mod.7z" \
      TKR_SETUP_PREFIX="$out/p-planted" TKR_PKG_DIR="$out/pkg" \
      sh -c "$plant"'; exec "$@"' sh "${as_user[@]}" "$exe" > "logs/planted-$kind.log" 2>&1 &
  pid=$!; wait $pid; rc=$?
  check "planted $kind" "[ $rc -eq 0 ]"
  check "planted $kind" "[ \"\$(last_line planted-$kind)\" = '[TKR-Setup] Installation completed successfully (de)!' ]"
  check "planted $kind" "check_complete p-planted ref-installer/app/Data mod pkg de"
  check "planted $kind" "! grep -rq planted p-planted"
  check "planted $kind" "[ \"\$(find outside -printf '%p %s %T@ %m\n' | sort)\" = \"\$outside_before\" ]"
  check "planted $kind" "[ ! -e tmp/tkr-win64-work-$pid-1 ]"
  case $kind in
    own) check "planted $kind" "[ ! -e tmp/tkr-win64-work-$pid ]" ;;
    other) check "planted $kind" "[ -f tmp/tkr-win64-work-$pid/mod-ext/mod/Data-VA/planted.rvm ]"; rm -rf "tmp/tkr-win64-work-$pid" ;;
    link) check "planted $kind" "[ -L tmp/tkr-win64-work-$pid ]"; rm -f "tmp/tkr-win64-work-$pid" ;;
  esac
done

if [ $fail -eq 0 ]; then
  echo "fault matrix: unreadable folders named, one writer per installation, no lock left by a killed setup," \
       "read-only files replaced, unreadable and unwritable files named, a planted scratch folder never used"
fi
exit $fail
