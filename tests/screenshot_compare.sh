#!/usr/bin/env bash
# screenshot_compare.sh OUTDIR LINUX_EXE [RUNNER...] WINDOWS_EXE
# The Linux build and the Windows build draw byte-identical screenshots.
set -u
out=$(realpath -m "$1"); linux_exe=$2; shift 2
if [ ! -x "$linux_exe" ]; then echo "no Linux build at $linux_exe: skipped"; exit 77; fi
. "$(dirname "$0")/screenshot_env.sh"
screenshot_sandbox "$out"
fail=0
compare() {  # compare TAG: every page, as the environment now stands
  local tag=$1 step
  for step in 0 1 2 3 4; do
    TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$out/linux-$tag$step.bmp" "$linux_exe" >/dev/null 2>&1
    TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$out/windows-$tag$step.bmp" "${runner[@]}" >/dev/null 2>&1
    if ! cmp -s "$out/linux-$tag$step.bmp" "$out/windows-$tag$step.bmp"; then
      echo "step $step ($tag): the two builds' screenshots differ"; fail=1
    fi
  done
}
runner=("$@")
compare default
# Detected sources, named relative to the current folder so that both builds
# hold the same text.
mkdir -p "Thrask Kovarra/Data"; : > SCI-7609-VA.7z
TKR_SETUP_GOG_PATH="Thrask Kovarra" TKR_SETUP_MOD_PATH=SCI-7609-VA.7z compare detected
if cmp -s "$out/linux-default1.bmp" "$out/linux-detected1.bmp"; then
  echo "the detected sources did not show"; fail=1
fi
# The uninstaller's page over a record of three files, in a folder named
# relative to the current one.
mkdir -p TKR-Native-Port/Uninstall
printf 'file Play.bat\nfile bin/SDL2.dll\nfile Uninstall/installed-files.txt\n' > TKR-Native-Port/Uninstall/installed-files.txt
TKR_SETUP_PREFIX=TKR-Native-Port TKR_SETUP_SCREENSHOT="$out/linux-uninstall.bmp" "$linux_exe" --uninstall >/dev/null 2>&1
TKR_SETUP_PREFIX=TKR-Native-Port TKR_SETUP_SCREENSHOT="$out/windows-uninstall.bmp" "${runner[@]}" --uninstall >/dev/null 2>&1
if ! cmp -s "$out/linux-uninstall.bmp" "$out/windows-uninstall.bmp"; then
  echo "the uninstall page: the two builds' screenshots differ"; fail=1
fi
[ -f TKR-Native-Port/Uninstall/installed-files.txt ] || { echo "the uninstall page removed files"; fail=1; }
[ $fail -eq 0 ] && echo "steps 0 to 4, with and without detected sources, and the uninstall page: byte-identical on both builds"
exit $fail
