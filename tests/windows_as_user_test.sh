#!/usr/bin/env bash
# windows_as_user_test.sh OUTDIR WINE TESTS_EXE FILTER
# Runs some of the Windows build's tests under Wine as an ordinary user, in
# a Wine prefix of that user's own: Wine running as root shows the
# read-only attribute but lets root write all the same, so only there does
# a read-only file bite as it does on Windows. Runs as the user nobody
# (setpriv) when started as root; skipped where that cannot be done.
set -u
out=$(realpath -m "$1"); wine=$2; tests=$(realpath "$3"); filter=$4
. "$(dirname "$0")/as_user.sh"
rm -rf "$out"; mkdir -p "$out/home" || exit 1
[ ${#as_user[@]} -gt 0 ] && chown -R nobody "$out"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
run() {
  "${as_user[@]}" env HOME="$out/home" WINEPREFIX="$out/prefix" WINEDEBUG=-all SDL_VIDEODRIVER=dummy \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$@"
}
run "$wine" wineboot -i > "$out/boot.log" 2>&1
run "$wine" "$tests" --gtest_color=no --gtest_filter="$filter"
rc=$?
run "$wineserver" -k 2>/dev/null
exit $rc
