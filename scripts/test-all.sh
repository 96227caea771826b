#!/usr/bin/env bash
# Runs every test: the Linux build (with memcheck of an install and the
# full-disk runs), the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, under ThreadSanitizer, short fuzz runs, and
# the Windows build's tests under Wine.
# Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh || exit 1

# The tests never write into the real home folder: everything from here on
# runs with a private one (the dependency cache stays where it was), and
# the end of the run checks that the real one did not change.
real_home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export TKR_DEPS_CACHE=${TKR_DEPS_CACHE:-${XDG_CACHE_HOME:-$real_home/.cache}/tkr-setup}
home_names() {
  find "$real_home" -mindepth 1 -maxdepth 4 -path "$real_home/.cache" -prune -o -printf '%P\n' 2>/dev/null |
    LC_ALL=C sort
}
home_before=$(home_names)
export HOME="$PWD/build/test-home"
unset XDG_DATA_HOME XDG_CONFIG_HOME LOCALAPPDATA USERPROFILE TKR_SETUP_PREFIX TKR_PKG_DIR
rm -rf "$HOME"; mkdir -p "$HOME"

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
# No menu entries: Wine would write them for the private home otherwise.
export WINEPREFIX="$PWD/build/windows-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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

# What a player downloads: the zip and exactly its files.
step "windows: the player's zip"
zip=build/windows/TKR-Setup-1.0.4-win64.zip
rm -f "$zip"
if cmake --build --preset windows --target package >/dev/null; then
  listed=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
  wanted="LICENSE-SDL2.txt LICENSE-innoextract.txt README.txt SDL2.dll innoextract.exe tkr-setup.exe "
  # Its SDL2.dll looks for its own imports in system32 only (its load
  # configuration's DependentLoadFlags).
  flags=$(unzip -p "$zip" SDL2.dll > build/windows/zip-SDL2.dll && python3 scripts/pe-load-config.py build/windows/zip-SDL2.dll)
  if [ "$listed" = "$wanted" ] && [ "$flags" = 0x800 ]; then
    echo "1 passed, 0 failed: $zip holds $listed; SDL2.dll's imports come from system32 only"
  else
    echo "0 passed, 1 failed: $zip holds '$listed' (wanted '$wanted'), SDL2.dll's load flags '$flags' (wanted 0x800)"
    status=1
  fi
else
  status=1
fi

if [ "$(home_names)" != "$home_before" ]; then
  step "the tests changed the real home folder $real_home:"
  diff <(printf '%s\n' "$home_before") <(home_names)
  status=1
fi
if [ $status -ne 0 ]; then
  step "some tests failed (see above)"
fi
exit $status
