#!/usr/bin/env bash
# windows_silent_installer_test.sh OUTDIR WINE EXE STAND_IN
# The GOG installer run silently (no innoextract.exe) leaves no trace on the
# player's machine. STAND_IN registers itself as a real installer does
# (uninstall entry, GOG's record, a common Start Menu group, a settings file
# under ProgramData, unins000.exe). Two rows under Wine: a fresh machine,
# and one where the player installed the game with the same installer
# first. After each, the registry keys, the Start Menu and GOG's folder
# under ProgramData are as they were, and the install is complete.
set -u
out=$(realpath -m "$1"); wine=$2; exe=$(realpath "$3"); stand_in=$(realpath "$4")
. "$(dirname "$0")/install_check.sh"
child="$(dirname "$exe")/tkr_test_child.exe"
rm -rf "$out"; mkdir -p "$out"/{app,pkg/bin,home,dl} || exit 1
cd "$out"
cp "$exe" "$(dirname "$exe")/SDL2.dll" app/
cp "$stand_in" dl/setup_thrask_kovarra_classic.exe
cp "$child" pkg/bin/tkr-en.exe; echo sdl > pkg/bin/SDL2.dll
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"

# What the run may change: the watched keys (exported as text) and the
# files of the Start Menus and GOG's folder under ProgramData.
state() {
  local key
  for key in 'HKLM\SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\SOFTWARE\WOW6432Node\GOG.com' 'HKLM\SOFTWARE\GOG.com'; do
    rm -f "$out/key.reg"
    "$wine" reg export "$key" "$(win "$out/key.reg")" /y >/dev/null 2>&1 && iconv -f UTF-16LE -t UTF-8 "$out/key.reg" | tr -d '\r'
  done
  (cd "$drive_c/ProgramData" && find GOG.com "Microsoft/Windows/Start Menu" -type f -exec md5sum {} + 2>/dev/null | sort)
}

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
install() {  # NAME
  rm -rf prefix
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$(win "$out/dl/setup_thrask_kovarra_classic.exe")" \
      TKR_SETUP_PREFIX="$(win "$out/prefix")" TKR_PKG_DIR="$(win "$out/pkg")" SDL_VIDEODRIVER=dummy \
      "$wine" cmd /c "set USERPROFILE=$(win "$out/home")&& $(win "$out/app/tkr-setup.exe")" > "$1.log" 2>&1
  check "$1" "grep -qF 'Running GOG installer silently (please wait)...' $1.log"
  check "$1" "grep -qF 'Installation completed successfully (en)!' $1.log"
  check "$1" "[ -f prefix/game/Data/stand-in.rvk ]"
}

# A fresh machine: everything the installer registered goes again.
state > fresh-before.txt
install fresh
state > fresh-after.txt
check fresh "diff fresh-before.txt fresh-after.txt"

# The player's own installation by the same installer: the wizard's run
# replaces its entry, record and shortcuts, which are put back; no
# uninstaller runs, so the player's game stays.
"$wine" "$(win "$out/dl/setup_thrask_kovarra_classic.exe")" /VERYSILENT /DIR="$(win "$out/GOGGames/ThraskKovarra")" >/dev/null 2>&1
state > player-before.txt
check player "grep -qF 'ThraskKovarra' player-before.txt"
install player
state > player-after.txt
check player "diff player-before.txt player-after.txt"
check player "[ -f GOGGames/ThraskKovarra/Data/stand-in.rvk ] && [ -f GOGGames/ThraskKovarra/unins000.exe ]"
# The shared Wine prefix as it was for the tests after this one.
"$wine" "$(win "$out/GOGGames/ThraskKovarra/unins000.exe")" >/dev/null 2>&1
"$wine" reg delete 'HKLM\SOFTWARE\WOW6432Node\GOG.com' /f >/dev/null 2>&1

[ $fail -eq 0 ] && echo "silent installer: no trace left on a fresh machine, the player's own installation put back"
exit $fail
