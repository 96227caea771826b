#!/usr/bin/env bash
# Runs every test: the Linux build (with memcheck of an install and the
# full-disk runs), the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, under ThreadSanitizer, short fuzz runs, and
# the Windows build's tests under Wine.
# Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh || exit 1

status=0
step() { printf '\n=== %s\n' "$*"; }
run_preset() {
  local preset=$1
  step "$preset: configure and build"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" || { status=1; return 1; }
  step "$preset: tests"
  ctest --preset "$preset" || status=1
}

run_preset linux
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_preset linux-asan
TSAN_OPTIONS=halt_on_error=1 run_preset linux-tsan

# Fuzz targets: a short run of each on its seed corpus (longer runs:
# scripts/fuzz.sh). A finding fails the run.
step "fuzz: build and a short run of each target"
if cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; then
  bash scripts/fuzz.sh 15 || status=1
else
  status=1
fi

# Wine: a private prefix made anew for every run, and one server held up for
# the whole run (without it each test pays for Wine's start-up).
export WINEPREFIX="$PWD/build/windows-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
rm -rf "$WINEPREFIX"
step "windows: a fresh Wine prefix"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
"$wineserver" -p
"$wine" cmd /c exit 0 >/dev/null 2>&1
run_preset windows
"$wineserver" -k 2>/dev/null || true

if [ $status -ne 0 ]; then
  step "some tests failed (see above)"
fi
exit $status
