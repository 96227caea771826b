#!/usr/bin/env bash
# screenshot_compare.sh OUTDIR LINUX_EXE [RUNNER...] WINDOWS_EXE
# The Linux build and the Windows build draw byte-identical screenshots.
set -u
out=$(realpath -m "$1"); linux_exe=$2; shift 2
if [ ! -x "$linux_exe" ]; then echo "no Linux build at $linux_exe: skipped"; exit 77; fi
. "$(dirname "$0")/screenshot_env.sh"
screenshot_sandbox "$out"
fail=0
for step in 0 1 2 3 4; do
  TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$out/linux$step.bmp" "$linux_exe" >/dev/null 2>&1
  TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$out/windows$step.bmp" "$@" >/dev/null 2>&1
  if ! cmp -s "$out/linux$step.bmp" "$out/windows$step.bmp"; then
    echo "step $step: the two builds' screenshots differ"; fail=1
  fi
done
[ $fail -eq 0 ] && echo "steps 0 to 4: byte-identical on both builds"
exit $fail
