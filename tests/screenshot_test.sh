#!/usr/bin/env bash
# screenshot_test.sh OUTDIR [RUNNER...] EXE
# Each page in screenshot mode writes an 860x520 BMP and exits 0.
set -u
out=$(realpath -m "$1"); shift
. "$(dirname "$0")/screenshot_env.sh"
screenshot_sandbox "$out"
fail=0
for step in 0 1 2 3 4 9; do
  bmp="$out/step$step.bmp"
  TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$bmp" "$@" >/dev/null 2>"$out/step$step.err"
  rc=$?
  if [ $rc -ne 0 ]; then echo "step $step: exit code $rc"; cat "$out/step$step.err"; fail=1; continue; fi
  if [ ! -s "$bmp" ]; then echo "step $step: no BMP written"; fail=1; continue; fi
  size=$(bmp_size "$bmp")
  if [ "$size" != "860 520" ]; then echo "step $step: BMP is $size"; fail=1; fi
done
# The uninstaller's page (no installation here: it says so, and removes nothing).
TKR_SETUP_PREFIX=none TKR_SETUP_SCREENSHOT="$out/uninstall.bmp" "$@" --uninstall >/dev/null 2>"$out/uninstall.err"
rc=$?
if [ $rc -ne 0 ] || [ "$(bmp_size "$out/uninstall.bmp" 2>/dev/null)" != "860 520" ]; then
  echo "uninstall page: exit code $rc, BMP $(bmp_size "$out/uninstall.bmp" 2>/dev/null)"; fail=1
fi
[ $fail -eq 0 ] && echo "screenshots of steps 0 1 2 3 4 9 and the uninstall page: 860x520, exit 0"
exit $fail
