#!/usr/bin/env bash
# windows_folders_test.sh OUTDIR WINE EXE
# The Windows build under Wine on a profile whose folders lie elsewhere: the
# desktop, Downloads and Start Menu moved through the registry (as OneDrive
# or the user moves them), the game installed where only GOG's record in
# the registry tells. One row per machine; each runs the unattended program
# with a recording stand-in as the system's own PowerShell (in the Wine
# prefix's system32) and checks where the game was found and where the
# shortcuts and the launcher went. A last row plants a recording
# powershell.exe and cmd.exe beside tkr-setup.exe and in its working
# folder, with Wine's own PowerShell back: neither runs. The registry and
# Wine's PowerShell are put back at the end.
set -u
out=$(realpath -m "$1"); wine=$2; exe=$(realpath "$3")
child="$(dirname "$exe")/tkr_test_child.exe"
rm -rf "$out"; mkdir -p "$out"/{app,pkg/bin,moved/Desktop,moved/Downloads,moved/Programs,home} || exit 1
cd "$out"
cp "$exe" "$(dirname "$exe")/SDL2.dll" app/
drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"
system_ps="$drive_c/windows/system32/WindowsPowerShell/v1.0/powershell.exe"
cp "$system_ps" wine-powershell.exe || { echo "FAIL: Wine has no PowerShell stub"; exit 1; }
cp "$child" "$system_ps"
cp "$child" pkg/bin/tkr-en.exe; echo sdl > pkg/bin/SDL2.dll
mkdir -p "elsewhere/Thrask Kovarra/Data"; echo "from GOG's record" > "elsewhere/Thrask Kovarra/Data/record.rvk"
cp "$child" "moved/Downloads/setup_thrask_kovarra_classic.exe"
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
gog='HKLM\SOFTWARE\WOW6432Node\GOG.com'
reg export "$folders" "$(win "$out/folders.reg")" /y || { echo "FAIL: cannot save the shell folders"; exit 1; }
restore() {
  reg delete "$folders" /f; reg import "$(win "$out/folders.reg")"; reg delete "$gog" /f
  cp "$out/wine-powershell.exe" "$system_ps"
}
trap restore EXIT
reg add "$folders" /v Desktop /t REG_EXPAND_SZ /d "$(win "$out/moved/Desktop")" /f
reg add "$folders" /v '{374DE290-123F-4565-9164-39C4925E467B}' /t REG_EXPAND_SZ /d "$(win "$out/moved/Downloads")" /f
reg add "$folders" /v Programs /t REG_EXPAND_SZ /d "$(win "$out/moved/Programs")" /f
reg add "$gog\\Games\\1207658888" /v gameName /d "Thrask Kovarra" /f
reg add "$gog\\Games\\1207658888" /v path /d "$(win "$out/elsewhere/Thrask Kovarra")" /f

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
# install NAME [VAR=VALUE...]: an unattended install with the home folder
# "home", detection left to the program.
install() {
  local name=$1; shift
  rm -rf prefix record.txt
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_PREFIX="$(win "$out/prefix")" TKR_PKG_DIR="$(win "$out/pkg")" \
      TKR_CHILD_RECORD="$(win "$out/record.txt")" \
      TKR_CHILD_DATA_setup_thrask_kovarra_classic="Data/installer.rvk" "$@" SDL_VIDEODRIVER=dummy \
      "$wine" cmd /c "cd /d $(win "$out/${cwd:-.}")&& set USERPROFILE=$(win "$out/home")&& $(win "$out/app/tkr-setup.exe")" \
      > "$name.log" 2>&1
  check "$name" "grep -qF 'Installation completed successfully (en)!' $name.log"
}
shortcut_in() { grep -qF "CreateShortcut('$(win "$1")\\Thrask Kovarra Native Port.lnk')" record.txt; }

# The desktop and Downloads moved, USERPROFILE\Desktop and \Downloads gone:
# the installer is found in the moved Downloads, the shortcuts go to the
# moved desktop and Start Menu.
install moved
check moved "[ -f prefix/game/Data/installer.rvk ]"
check moved "shortcut_in moved/Desktop"
check moved "shortcut_in moved/Programs"
check moved "[ \$(grep -c '^prog=powershell' record.txt) -eq 2 ]"

# Nothing in any Downloads: the game is found where GOG's record says; a
# PowerShell that fails leaves the launcher on the moved desktop.
mkdir -p stash; mv moved/Downloads/setup_thrask_kovarra_classic.exe stash/
install record TKR_CHILD_EXIT_powershell=1
check record "[ -f prefix/game/Data/record.rvk ]"
check record "[ -f 'moved/Desktop/Play Thrask Kovarra.bat' ]"
rm -f 'moved/Desktop/Play Thrask Kovarra.bat'

# The folders where the Parts expect them: USERPROFILE\Desktop and
# \Downloads win over the moved ones, and the desktop shortcut's command
# line is the one it always was.
mkdir -p home/Desktop home/Downloads
mv stash/setup_thrask_kovarra_classic.exe home/Downloads/
install in-place
check in-place "[ -f prefix/game/Data/installer.rvk ]"
check in-place "shortcut_in home/Desktop"
check in-place "! shortcut_in moved/Desktop"
check in-place "[ -z \"\$(ls -A moved/Desktop)\" ]"
# The exact desktop shortcut command, as PowerShell's arguments.
command="\$s=(New-Object -COM WScript.Shell).CreateShortcut('$(win "$out/home/Desktop")\\Thrask Kovarra Native Port.lnk');"
command+="\$s.TargetPath='$(win "$out/prefix/bin/tkr-en.exe")';\$s.WorkingDirectory='$(win "$out/prefix/game")';\$s.Save()"
check in-place 'grep -qxF -- "$command" record.txt'

# Programs named like the system's, beside the setup and in its working
# folder (a Downloads folder): the system's own run instead; the planted
# ones never do.
cp "$out/wine-powershell.exe" "$system_ps"
mkdir -p work
for planted in app/powershell.exe app/cmd.exe work/powershell.exe work/cmd.exe; do cp "$child" "$planted"; done
cwd=work install planted
check planted "[ -f prefix/game/Data/installer.rvk ]"
check planted "! grep -q '^prog=powershell\|^prog=cmd' record.txt"
rm -f app/powershell.exe app/cmd.exe

[ $fail -eq 0 ] && echo "windows folders: moved desktop, Downloads and Start Menu followed, GOG's record read, the usual folders first; planted cmd.exe and powershell.exe never run"
exit $fail
