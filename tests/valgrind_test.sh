#!/usr/bin/env bash
# valgrind_test.sh OUTDIR EXE
# An unattended install of the generated demo (game folder, mod archive,
# portraits, engine) under valgrind's memcheck: no invalid access, no
# uninitialised value used, no leak. Skipped (77) without valgrind.
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2")
command -v valgrind >/dev/null || { echo "SKIPPED: no valgrind"; exit 77; }
demo=$(bash "$(dirname "$0")/../scripts/make-demo.sh" "$out/demo") || exit 1
export HOME="$demo/home" TKR_PKG_DIR="$demo/package" TKR_SETUP_PREFIX="$demo/prefix" LOCALAPPDATA="$demo/prefix-base"
unset USERPROFILE TKR_SETUP_GOG_PATH TKR_SETUP_MOD_PATH
cd "$demo/home"
TKR_SETUP_AUTORUN=1 valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --track-origins=yes "$exe" > "$out/install.log" 2> "$out/valgrind.log"
rc=$?
if [ $rc -ne 0 ]; then
  echo "install under memcheck exited $rc"; cat "$out/install.log" "$out/valgrind.log"; exit 1
fi
grep -q 'Installation completed successfully' "$out/install.log" || { cat "$out/install.log"; exit 1; }
grep -q 'Installing TKR Torvane + Vestrova 1.4 mod layers' "$out/install.log" || { echo "the mod was not installed"; exit 1; }
echo "memcheck: clean"
