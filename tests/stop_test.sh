#!/usr/bin/env bash
# stop_test.sh OUTDIR EXE CHILD [WINE]
# An unattended install stopped in the middle of a slow tool (a stand-in
# that sleeps two minutes) by a signal: on Linux SIGTERM, SIGINT and
# SIGHUP; under WINE SIGINT, which Wine hands to the program as the
# console's Ctrl+C. The setup ends with exit code 1 and the stop line, the
# tool is gone, the scratch folder is gone, the lock is free and the next
# run completes. A setup killed outright (SIGKILL) leaves its scratch
# folder, which the next run removes; on Windows its tool goes with it.
# Nothing here waits a fixed time: each wait polls for its outcome.
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3"); wine=${4:-}
rm -rf "$out"; mkdir -p "$out"/{home,pkg/bin,src/Data} || exit 1
cd "$out"
cp "$child" "pkg/bin/tkr-en.exe"; echo sdl > pkg/bin/SDL2.dll
export HOME="$out/home" USERPROFILE="$out/home" SDL_VIDEODRIVER=dummy
export TKR_CHILD_DATA_innoextract="app/Data/a.rvk" TKR_CHILD_DATA_setup_tk="Data/a.rvk"
export TKR_CHILD_DATA_7z="Vestrova/Data-VA/Maps/va.rvm"
unset LOCALAPPDATA XDG_DATA_HOME TKR_SETUP_STEP TKR_SETUP_SCREENSHOT
# A path as the program sees it.
if [ -n "$wine" ]; then
  win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
  temp="${WINEPREFIX:-$HOME/.wine}/drive_c/users/$(id -un)/Temp"
else
  win() { echo "$1"; }
fi

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
# Polls until the command succeeds, for up to 60 s.
until_true() { local i; for i in $(seq 1 600); do eval "$1" && return 0; sleep 0.1; done; return 1; }
# Whether a program of the row is still running (its path names the row).
tools_of() { pgrep -f "r-$1[/\\\\]" > /dev/null; }
# The scratch folders in the row's temporary folder (Wine has one for all).
scratch_of() { ls -A "$([ -n "$wine" ] && echo "$temp" || echo "$out/tmp-$1")" | grep '^tkr-win64-work-'; }
setup() {  # NAME ROW [env...]: an unattended install from the row's folder, in the background
  local name=$1 row=$2; shift 2
  mkdir -p "tmp-$name"
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_PREFIX="$(win "$out/prefix")" TKR_PKG_DIR="$(win "$out/pkg")" \
    TMPDIR="$out/tmp-$name" "$@" $wine "r-$row/$(basename "$exe")" > "$name.log" 2>&1 &
  pid=$!
}
row_folder() {  # NAME: the setup with its tools beside it, and the installer
  rm -rf "r-$1"; mkdir -p "r-$1"
  cp "$exe" "r-$1/"; [ -n "$wine" ] && cp "$(dirname "$exe")/SDL2.dll" "r-$1/"
  for tool in innoextract 7z setup_tk; do cp "$child" "r-$1/$tool.exe"; done
  echo archive > "r-$1/SCI-7609-VA.7z"
}
stopped_line='[TKR-Setup] ERROR: Installation stopped before it finished. Run Setup again to complete it.'
[ -n "$wine" ] && rm -rf "$temp"/tkr-win64-work-*

stopped=0
# name | signal (Linux;Wine) | the slow tool | its step's log line | a folder source, not the installer | the mod
while IFS='|' read -r name signals slow marker folder mod; do
  signal=${signals%;*}; [ -n "$wine" ] && signal=${signals#*;}
  [ -n "$signal" ] || continue
  stopped=$((stopped + 1))
  row_folder "$name"
  source="$out/r-$name/setup_tk.exe"; [ -n "$folder" ] && source="$out/src"
  modpath=; [ -n "$mod" ] && modpath=$(win "$out/r-$name/$mod")
  extra=(); [ "$slow" = setup_tk ] && extra=(TKR_CHILD_EXIT_innoextract=1)
  setup "$name" "$name" "${extra[@]}" TKR_SETUP_GOG_PATH="$(win "$source")" TKR_SETUP_MOD_PATH="$modpath" \
    "TKR_CHILD_SLEEP_MS_$slow=120000" "TKR_CHILD_PID_$slow=$(win "$out/$name.pid")"
  # The slow tool writes its id once it runs, after the log line of its step.
  check "$name" "until_true '[ -s $name.pid ] && grep -qF \"$marker\" $name.log'"
  kill "-$signal" "$pid"
  check "$name" "until_true '! kill -0 $pid 2>/dev/null'"
  wait "$pid"; rc=$?
  check "$name" "[ $rc -eq 1 ]"
  check "$name" "[ \"\$(tail -n 1 $name.log | tr -d '\\r')\" = '$stopped_line' ]"
  check "$name" "until_true '! tools_of $name'"
  check "$name" "[ -z \"\$(scratch_of $name)\" ]"
  # The lock is free: the next run, with quick tools, completes.
  setup "$name-again" "$name" TKR_SETUP_GOG_PATH="$(win "$source")" TKR_SETUP_MOD_PATH="$modpath"
  wait "$pid"
  check "$name" "[ $? -eq 0 ] && grep -qF 'Installation completed successfully (en)!' $name-again.log"
done <<'ROWS'
sigterm-during-innoextract|TERM;INT|innoextract|via innoextract||
interrupted-during-the-silent-installer|INT;INT|setup_tk|Running GOG||
sighup-during-7-zip|HUP;INT|7z|Unpacking|src|SCI-7609-VA.7z
ROWS

# Killed outright: the scratch folder stays behind (on Linux the tool too,
# which a power cut would end as well); the next run removes the folder.
row_folder killed
setup killed killed TKR_SETUP_GOG_PATH="$(win "$out/r-killed/setup_tk.exe")" TKR_CHILD_SLEEP_MS_innoextract=120000 \
  TKR_CHILD_PID_innoextract="$(win "$out/killed.pid")"
check killed "until_true '[ -s killed.pid ] && grep -qF via killed.log'"
kill -KILL "$pid"; wait "$pid" 2>/dev/null
if [ -n "$wine" ]; then
  check killed "until_true '! tools_of killed'"  # the tool's job ended with the setup
else
  pkill -KILL -f "r-killed/"
fi
check killed "[ -n \"\$(scratch_of killed)\" ]"
setup killed-again killed TKR_SETUP_GOG_PATH="$(win "$out/r-killed/setup_tk.exe")" TMPDIR="$out/tmp-killed"
wait "$pid"
check killed "[ $? -eq 0 ] && [ -z \"\$(scratch_of killed)\" ]"

check rows "[ $stopped -eq 3 ]"
[ $fail -eq 0 ] && echo "stops: $stopped signals each end the tool, the scratch folder and the lock; a killed run's folder is removed by the next"
exit $fail
