#!/usr/bin/env bash
# uninstall_test.sh OUTDIR EXE CHILD [WINE]
# Install, then uninstall, as a player would. One table of rows; each row
# installs afresh into its own prefix. On Windows (under WINE) the uninstall
# is started from the system's entry (its QuietUninstallString, read with
# reg query); on Linux it is "tkr-setup --uninstall". What the player made
# in the installation stays, the GOG folder and Downloads are untouched.
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3"); wine=${4:-}
rm -rf "$out"; mkdir -p "$out"/{home/Downloads,home/Desktop,pkg/bin,src/Data/Maps,mod/Vestrova/Data-VA} || exit 1
cd "$out"
cp "$child" pkg/bin/tkr-en.exe; echo sdl > pkg/bin/SDL2.dll
echo a > src/Data/a.rvk; echo m > src/Data/Maps/m.rvm; echo v > mod/Vestrova/Data-VA/va.rvm
echo "a download" > home/Downloads/setup_other_game.exe
export HOME="$out/home" USERPROFILE="$out/home" SDL_VIDEODRIVER=dummy
unset LOCALAPPDATA XDG_DATA_HOME TKR_SETUP_STEP TKR_SETUP_SCREENSHOT TKR_SETUP_GOG_PATH TKR_SETUP_MOD_PATH
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TKR-Native-Port'
if [ -n "$wine" ]; then
  win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
  unix() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
  # The exe as a player's zip holds it, with SDL2.dll beside it.
  mkdir -p zip; cp "$exe" "$(dirname "$exe")/SDL2.dll" zip/; exe="$out/zip/$(basename "$exe")"
else
  win() { echo "$1"; }
  unix() { echo "$1"; }
fi
fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
until_true() { local i; for i in $(seq 1 600); do eval "$1" && return 0; sleep 0.1; done; return 1; }
snapshot() { (cd "$out" && find src home/Downloads mod -printf '%P %s %T@\n' | LC_ALL=C sort); }
install() {  # NAME [env...]
  local name=$1; shift
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_PREFIX="$(win "$out/p-$name")" TKR_PKG_DIR="$(win "$out/pkg")" \
    TKR_SETUP_GOG_PATH="$(win "$out/src")" "$@" $wine "$exe" > "$name.install.log" 2>&1
}
entry() { "$wine" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
uninstall() {  # NAME: the uninstall the system would start; its exit code in rc
  local name=$1
  if [ -n "$wine" ]; then
    # As the system starts it: the command line exactly as the entry holds it.
    printf '@%s\r\n' "$(entry QuietUninstallString)" > "$out/$name.bat"
    # Wine now and then fails to start a program at all ("failed to map the
    # shared user data"): that start, and only that, is tried again.
    local attempt
    for attempt in 1 2 3; do
      "$wine" cmd /c "$(win "$out/$name.bat")" > "$name.log" 2>&1
      rc=$?
      grep -q 'failed to map the shared user data' "$name.log" || break
    done
    return
  else
    TKR_SETUP_PREFIX="$out/p-$name" "$exe" --uninstall > "$name.log" 2>&1
  fi
  rc=$?
}
last_is() { [ "$(tail -n 1 "$1.log" | tr -d '\r')" = "[TKR-Setup] $2" ]; }
shortcuts() { sed -n 's/^shortcut //p' "$out/p-$1/Uninstall/installed-files.txt" | while IFS= read -r s; do unix "$s"; done; }
files_of() { (cd "$out/p-$1" && find . -type f -printf '%P\n' | LC_ALL=C sort | tr '\n' ' '); }

before=$(snapshot)
# name | what the row does
while IFS='|' read -r name what; do
  [ -n "$name" ] || continue
  [ -n "$wine" ] || [ "$what" != held ] || continue   # Linux removes a running program's file
  [ -z "$wine" ] || [ "$what" != link ] || continue   # a link as Linux makes it
  [ -z "$wine" ] || [ "$what" != busy ] || continue   # the lock as Linux takes it
  prefix="$out/p-$name"
  case $what in
  quiet)
    # A first install with the mod, a second without it: the mod's files,
    # still there, stay on the record and go with the uninstall.
    install "$name" TKR_SETUP_MOD_PATH="$(win "$out/mod")"
    install "$name"
    check "$name" "grep -q '^file game/Data-VA/va.rvm$' '$prefix/Uninstall/installed-files.txt'"
    mkdir -p "$prefix/game/Saves"; echo save > "$prefix/game/Saves/slot1.sav"; echo mine > "$prefix/game/my-notes.txt"
    chmod a-w "$prefix/game/Data/a.rvk"  # read-only, as a game copied from a disc
    if [ -n "$wine" ]; then
      # Wine's PowerShell makes no shortcut: one is planted as the real one
      # is made, naming the installation (in UTF-16), and put on the record.
      mkdir -p "$out/links"; lnk="$out/links/Thrask Kovarra Native Port.lnk"
      printf 'L\0\0\0%s' "$(win "$prefix/game")" | iconv -f UTF-8 -t UTF-16LE > "$lnk"
      printf 'shortcut %s\n' "$(win "$lnk")" >> "$prefix/Uninstall/installed-files.txt"
    fi
    mapfile -t links < <(shortcuts "$name")
    check "$name" "[ ${#links[@]} -ge 1 ] && [ -f \"${links[0]:-}\" ]"
    if [ -n "$wine" ]; then
      check "$name" "[ \"\$(entry DisplayName)\" = 'Thrask Kovarra Native Port' ] && [ \"\$(entry Publisher)\" = Braskwell ]"
      check "$name" "[ \"\$(entry DisplayVersion)\" = 1.0.4 ] && [ \"\$(entry NoModify)\" = 0x1 ] && [ \"\$(entry NoRepair)\" = 0x1 ]"
      check "$name" "[ \"\$(entry InstallLocation)\" = '$(win "$prefix")' ] && [ \"\$(entry DisplayIcon)\" = '$(win "$prefix/bin/tkr-en.exe")' ]"
      check "$name" "[ \$((\$(entry EstimatedSize))) -ge 1 ]"
      check "$name" "[ \"\$(entry UninstallString) /S\" = \"\$(entry QuietUninstallString)\" ]"
    fi
    uninstall "$name"
    check "$name" "[ $rc -eq 0 ] && last_is $name 'Thrask Kovarra Native Port was removed. The folder \"$(win "$prefix")\" was kept: saved games and other files you made are in it.'"
    check "$name" "[ \"\$(files_of $name)\" = 'game/Saves/slot1.sav game/my-notes.txt ' ]"
    check "$name" "[ \"\$(cd '$prefix' && find . -mindepth 1 -type d -printf '%P ')\" = 'game game/Saves ' ]"
    for link in "${links[@]}"; do check "$name" "[ ! -e \"$link\" ]"; done
    [ -n "$wine" ] && check "$name" "! \"$wine\" reg query '$key' >/dev/null 2>&1"
    ;;
  held)
    # The game runs while the player uninstalls: its program is named, and
    # the uninstall can be run again once the game has ended.
    install "$name"
    TKR_CHILD_SLEEP_MS=120000 $wine "$prefix/bin/tkr-en.exe" > /dev/null 2>&1 &
    game=$!
    until_true "pgrep -f 'p-$name.bin.tkr-en' >/dev/null"
    uninstall "$name"; cp "$name.log" "$name-first.log"
    check "$name" "[ $rc -eq 1 ] && last_is $name 'ERROR: Could not remove \"$(win "$prefix/bin/tkr-en.exe")\": another program (the game?) has it open. Close it, then run the uninstaller again.'"
    check "$name" "[ -f '$prefix/Uninstall/installed-files.txt' ] && \"$wine\" reg query '$key' >/dev/null 2>&1"
    pkill -f "p-$name.bin.tkr-en"; wait $game 2>/dev/null
    until_true "! pgrep -f 'p-$name.bin.tkr-en' >/dev/null"
    # Wine may hold on to an ended program's file a moment: a few runs.
    for _ in 1 2 3 4 5; do uninstall "$name"; [ $rc -eq 0 ] && break; done
    check "$name" "[ $rc -eq 0 ] && last_is $name 'Thrask Kovarra Native Port was removed.' && [ ! -e '$prefix' ]"
    ;;
  failed)
    # A later install that fails leaves the entry and the record as they were.
    install "$name"
    had=$(cat "$prefix/Uninstall/installed-files.txt"; [ -n "$wine" ] && "$wine" reg query "$key" | tr -d '\r')
    mkdir -p "$out/empty-pkg"
    install "$name" TKR_PKG_DIR="$(win "$out/empty-pkg")"; rcinstall=$?
    check "$name" "[ $rcinstall -eq 1 ] && grep -q 'ERROR: Missing Windows binary' '$name.install.log'"
    check "$name" "[ \"\$(cat '$prefix/Uninstall/installed-files.txt'; [ -n '$wine' ] && '$wine' reg query '$key' | tr -d '\\r')\" = \"\$had\" ]"
    uninstall "$name"
    check "$name" "[ $rc -eq 0 ] && [ ! -e '$prefix' ]"
    ;;
  busy)
    # A setup that holds the installation's lock (here flock(1) holds it as
    # Setup's Linux build does): the uninstall waits for no one and removes nothing.
    install "$name"
    flock "$prefix" sleep 600 > /dev/null 2>&1 & holder=$!
    until_true "! flock -n '$prefix' true"
    had=$(cd "$prefix" && find . | LC_ALL=C sort)
    uninstall "$name"
    check "$name" "[ $rc -eq 1 ] && last_is $name 'ERROR: Setup is installing into \"$prefix\" right now. Wait until it has finished, then run the uninstaller again.'"
    check "$name" "[ \"\$(cd '$prefix' && find . | LC_ALL=C sort)\" = \"\$had\" ]"
    pkill -P $holder; kill $holder 2>/dev/null; wait $holder 2>/dev/null
    ;;
  tampered|link)
    install "$name"
    if [ "$what" = tampered ]; then
      echo keep > "$out/outside.txt"; echo "file ../outside.txt" >> "$prefix/Uninstall/installed-files.txt"
      entryname=../outside.txt; why='which is outside the installation folder'
    else
      mkdir -p "$out/elsewhere"; echo keep > "$out/elsewhere/m.rvm"
      rm -r "$prefix/game/Data/Maps"; ln -s "$out/elsewhere" "$prefix/game/Data/Maps"
      entryname=game/Data/Maps/m.rvm; why='which is or lies behind a link'
    fi
    had=$(cd "$prefix" && find . | LC_ALL=C sort)
    uninstall "$name"
    check "$name" "[ $rc -eq 1 ] && last_is $name 'ERROR: The list of installed files \"$(win "$prefix/Uninstall/installed-files.txt")\" names \"$entryname\", $why. Nothing was removed. Run Setup again to repair the installation, then uninstall it.'"
    check "$name" "[ \"\$(cd '$prefix' && find . | LC_ALL=C sort)\" = \"\$had\" ]"
    check "$name" "[ -f '$out/outside.txt' ] || [ -f '$out/elsewhere/m.rvm' ]"
    rm -rf "$prefix"
    ;;
  esac
done <<'ROWS'
quiet|quiet
held|held
failed|failed
busy|busy
tampered|tampered
link|link
ROWS
check untouched "[ \"\$(snapshot)\" = \"\$before\" ]"
[ $fail -eq 0 ] && echo "uninstall: every row passed"
exit $fail
