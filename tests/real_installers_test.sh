#!/usr/bin/env bash
# real_installers_test.sh OUTDIR EXE CHILD
# The unattended program against real GOG-style installers (tests/data/
# real-installers: made by the real compiler from made-up data), unpacked
# by the machine's real innoextract. One row per installer, as its expect
# file says:
#   ok    exit 0; every app/Data file of the manifest in game/Data with its
#         bytes, the completeness check, nothing from outside app/Data in
#         the prefix, the log of a folder install of the same game plus the
#         innoextract line, the language settled from the game's files;
#   fail  exit 1 with exactly the lines of a failed extraction: the
#         innoextract version and the installer's setup data version, then
#         the extraction's ERROR line.
# In both, the scratch folder is gone. Then the broken downloads, made from
# these installers (a part removed, cut short, a byte flipped; a scratch
# drive too small): each ends at once with the line that names its cause,
# never runs the installer itself, leaves no scratch folder and leaves the
# installation that was there before as it was. The small drives are
# RAM disks (tmpfs): without root or a user namespace those rows are
# skipped.
set -u
if [ -z "${TKR_REAL_INNER:-}" ] && [ "$(id -u)" != 0 ] && unshare -rm true 2>/dev/null; then
  TKR_REAL_INNER=1 exec unshare -rm bash "$0" "$@"
fi
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3")
data=$(cd "$(dirname "$0")/data/real-installers" && pwd)
. "$(dirname "$0")/install_check.sh"
innoextract=$(command -v innoextract) || { echo "FAIL: innoextract is not installed"; exit 1; }

rm -rf "$out"; mkdir -p "$out"/{home,pkg/bin} || exit 1
cd "$out"
for code in en de; do cp "$child" "pkg/bin/tkr-$code.exe"; done
echo sdl > pkg/bin/SDL2.dll
faces=pkg/installer/custom_qvs_faces
mkdir -p "$faces/QVSFaces/BigFaces"
echo "portrait 300" > "$faces/QVSFaces/BigFaces/300.rvi"
printf '<QVS><PortraitId>300</PortraitId></QVS>\n' > "$faces/QVSPortraits_base.xml"
: > "$faces/QVSPortraits_snippet.xml"
export HOME="$out/home" USERPROFILE="$out/home" SDL_VIDEODRIVER=dummy
unset TKR_SETUP_MOD_PATH LOCALAPPDATA XDG_DATA_HOME TKR_SETUP_STEP TKR_SETUP_SCREENSHOT

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
install() {  # NAME SOURCE: an unattended install into p-NAME with a scratch folder of its own
  mkdir -p "tmp-$1"
  TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$2" TKR_SETUP_PREFIX="$out/p-$1" TKR_PKG_DIR="$out/pkg" \
    TMPDIR="$out/tmp-$1" "$exe" > "$1.log" 2>&1
}

rows=0
for dir in "$data"/*/; do
  [ -f "$dir/expect" ] || continue
  name=$(basename "$dir") expect=$(cat "$dir/expect") rows=$((rows + 1))
  setup=$(ls "$dir"/*.exe)
  install "$name" "$setup"
  rc=$?
  check "$name" "[ -z \"\$(ls -A tmp-$name)\" ]"  # the scratch folder went
  if [ "$expect" = fail ]; then
    check "$name" "[ $rc -eq 1 ]"
    version=$("$innoextract" --version | head -n 1)
    check "$name" "diff <(sed -n 's/^\[TKR-Setup\] //p' $name.log) - <<EOF
Locating GOG Classic base files...
Extracting GOG installer via innoextract...
Running GOG installer silently (please wait)...
$version cannot read the GOG installer \"$setup\": it was made by a newer Inno Setup (setup data version 6.4.0.1).
ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.
EOF"
    continue
  fi
  check "$name" "[ $rc -eq 0 ]"
  # The same game as the real tool unpacks it, installed as a folder: the
  # reference for the files and for the log.
  "$innoextract" --gog --silent --output-dir "ref-$name" "$setup" || { echo "FAIL [$name]: innoextract"; fail=1; }
  install "folder-$name" "$out/ref-$name/app"
  check "$name" "diff <(sed 's/^\[TKR-Setup\] Locating GOG Classic base files...$/&\n[TKR-Setup] Extracting GOG installer via innoextract.../' folder-$name.log) $name.log"
  check "$name" "grep -qxF '[TKR-Setup] Installation completed successfully (de)!' $name.log"
  check "$name" "check_complete p-$name ref-$name/app/Data '' pkg de"
  while IFS=$'\t' read -r rel size sum; do
    case "$rel" in
      app/Data/*)
        check "$name" "[ \"\$(sha256sum < 'p-$name/game/Data/${rel#app/Data/}' | cut -d' ' -f1)\" = $sum ]" ;;
      *)  # nothing from outside app/Data, under any name
        check "$name $rel" "! (find p-$name -type f -size ${size}c -exec sha256sum {} + | grep -q $sum)" ;;
    esac
  done < "$data/manifest.txt"
done

check rows "[ $rows -eq 3 ]"

# Broken downloads. The installation of the whole game is there first; each
# row runs over it and must leave it as it was.
stem='setup_thrask_kovarra_classic_1.0_(11111)'
install broken-base "$data/slices-5.6.1/$stem.exe" || { echo "FAIL: the first installation"; fail=1; }
tree() { find "$out/p-broken-base" -printf '%p %s %T@ %m\n' | LC_ALL=C sort; }
tree > broken-base.tree
# A stand-in for an innoextract that cannot list an installer: the disk
# then fills up during the extraction itself.
mkdir -p nolist filler
printf '#!/bin/sh\n[ "$1" = --list ] && exit 1\nexec %s "$@"\n' "$innoextract" > nolist/innoextract
# And one after which another program takes 2 MiB of the drive, once the
# listing said the game fits: the disk fills up all the same.
printf '#!/bin/sh\n[ "$1" = --list ] || head -c 2097152 /dev/zero > "$TMPDIR/other-program.dat"\nexec %s "$@"\n' \
  "$innoextract" > filler/innoextract
chmod +x nolist/innoextract filler/innoextract
flip() { python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,"rb").read()); b[len(b)//2]^=0xff; open(p,"wb").write(b)' "$1"; }
can_mount=0
mkdir -p probe && mount -t tmpfs -o size=1M tmpfs probe 2>/dev/null && umount probe && can_mount=1
broken_rows=0
# name | installer | how it is broken | the start of the last line
while IFS='|' read -r name from how line; do
  [ -n "$name" ] || continue
  broken_rows=$((broken_rows + 1))
  rm -rf "dl-$name"; mkdir -p "dl-$name" "tmp-$name"
  cp "$data/$from/"* "dl-$name/"; rm -f "dl-$name/expect"
  setup="$out/dl-$name/$stem.exe" path_env=$PATH
  case $how in
    remove-2) rm "dl-$name/$stem-2.bin" ;;
    remove-1) rm "dl-$name/$stem-1.bin" ;;
    cut-2) truncate -s 700000 "dl-$name/$stem-2.bin" ;;
    flip-1) flip "dl-$name/$stem-1.bin" ;;
    flip-exe) flip "$setup" ;;
    small-tmp|small-tmp-nolist|filled-tmp)
      if [ $can_mount = 0 ]; then echo "SKIPPED [$name]: a tmpfs cannot be mounted here"; continue; fi
      size=1M; [ $how = filled-tmp ] && size=4M
      mount -t tmpfs -o size=$size tmpfs "tmp-$name" || { echo "FAIL [$name]: mount"; fail=1; continue; }
      [ $how = small-tmp-nolist ] && path_env="$out/nolist:$PATH"
      [ $how = filled-tmp ] && path_env="$out/filler:$PATH" ;;
  esac
  PATH=$path_env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$setup" TKR_SETUP_PREFIX="$out/p-broken-base" \
    TKR_PKG_DIR="$out/pkg" TMPDIR="$out/tmp-$name" "$exe" > "$name.log" 2>&1
  rc=$?
  line=${line//@SETUP@/$setup}; line=${line//@DL@/$out/dl-$name}; line=${line//@TMP@/$out/tmp-$name}
  last=$(tail -n 1 "$name.log") want="[TKR-Setup] $line"
  check "$name" "[ $rc -eq 1 ]"
  check "$name" '[[ "$last" == "$want"* ]]'
  [[ "$last" == "$want"* ]] || echo "  the last line: $last"
  check "$name" "! grep -qF 'Running GOG installer silently' $name.log"
  check "$name" "[ -z \"\$(ls -A tmp-$name | grep -v '^other-program.dat$')\" ]"
  check "$name" "diff broken-base.tree <(tree)"
  [ $how = filled-tmp ] && check "$name" "grep -qF 'Extracting GOG installer via innoextract...' $name.log"
  mountpoint -q "tmp-$name" && umount "tmp-$name"
done <<'ROWS'
missing-part|slices-5.6.1|remove-2|ERROR: The installer's part "@DL@/setup_thrask_kovarra_classic_1.0_(11111)-2.bin" is missing. Put all of the game's setup_….exe and setup_…-N.bin files from GOG into one folder, then run Setup again.
missing-first-part|slices-5.6.1|remove-1|ERROR: The installer's part "@DL@/setup_thrask_kovarra_classic_1.0_(11111)-1.bin" is missing.
part-cut-short|slices-5.6.1|cut-2|ERROR: The installer's part "@DL@/setup_thrask_kovarra_classic_1.0_(11111)-2.bin" is damaged or incomplete. Download it again from GOG, then run Setup again.
byte-flipped-in-part|slices-5.6.1|flip-1|ERROR: The GOG installer "@SETUP@" is damaged: a file in it does not match its checksum. Download the installer and its .bin parts again from GOG, then run Setup again.
byte-flipped-in-exe|single-6.0.5|flip-exe|ERROR: The GOG installer "@SETUP@" is damaged: a file in it does not match its checksum.
scratch-drive-too-small|single-6.0.5|small-tmp|ERROR: Not enough free disk space in "@TMP@/tkr-win64-work-
scratch-drive-fills-up|single-6.0.5|filled-tmp|ERROR: Not enough free disk space in "@TMP@/tkr-win64-work-
scratch-drive-fills-up-unlisted|single-6.0.5|small-tmp-nolist|ERROR: The disk is full: Setup could not write into "@TMP@/tkr-win64-work-
ROWS
check broken-rows "[ $broken_rows -eq 8 ]"
[ $fail -eq 0 ] && echo "real installers: $rows rows, each as its expect file says; $broken_rows broken downloads, each named"
exit $fail
