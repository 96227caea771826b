#!/usr/bin/env bash
# autorun_test.sh OUTDIR [RUNNER...] EXE
# The unattended mode, as a script would use it: exit 0 after a successful
# installation from a game folder, exit 1 when the source has no Data folder.
set -u
out=$(realpath -m "$1"); shift
. "$(dirname "$0")/screenshot_env.sh"
screenshot_sandbox "$out"
exe="${@: -1}"
child="$(dirname "$exe")/tkr_test_child.exe"; [ -f "$child" ] || child="$(dirname "$exe")/tkr_test_child"
mkdir -p "game src/Data/Maps" empty-src pkg/bin
cp "$child" pkg/bin/tkr-en.exe; echo sdl > pkg/bin/SDL2.dll
echo base > "game src/Data/Maps/m.rvm"
fail=0
TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="game src" TKR_SETUP_PREFIX=prefix TKR_PKG_DIR=pkg "$@" > ok.log 2>&1
rc=$?
if [ $rc -ne 0 ]; then echo "a good install exited $rc"; cat ok.log; fail=1; fi
[ -f prefix/game/Data/Maps/m.rvm ] || { echo "the base file was not installed"; fail=1; }
[ -f prefix/bin/tkr-en.exe ] && [ -f prefix/Play.bat ] || { echo "no engine or Play.bat"; fail=1; }
grep -q '^\[TKR-Setup\] Installation completed successfully (en)!' ok.log || { echo "no completion line"; fail=1; }
TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH=empty-src TKR_SETUP_PREFIX=prefix2 TKR_PKG_DIR=pkg "$@" > bad.log 2>&1
rc=$?
if [ $rc -ne 1 ]; then echo "a failed install exited $rc, not 1"; cat bad.log; fail=1; fi
grep -q 'ERROR: Could not find Data/ folder inside GOG source.' bad.log || { echo "no ERROR line"; fail=1; }
[ $fail -eq 0 ] && echo "autorun: 0 on success, 1 on failure"
exit $fail
