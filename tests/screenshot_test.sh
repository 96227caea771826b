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
[ $fail -eq 0 ] && echo "screenshots of steps 0 1 2 3 4 9: 860x520, exit 0"
exit $fail
