#!/usr/bin/env bash
# windows_innoextract_test.sh OUTDIR WINE EXE INNOEXTRACT_EXE
# The innoextract.exe the player's zip carries, under Wine, on the real
# installers of tests/data/real-installers: it unpacks the same files with
# the same bytes as Debian's innoextract, and an unattended install of the
# Windows build with it beside tkr-setup.exe does as each expect file says
# (ok: exit 0 and complete; fail: the extraction's ERROR line, exit 1).
set -u
out=$(realpath -m "$1"); wine=$2; exe=$(realpath "$3"); inno=$(realpath "$4")
data=$(cd "$(dirname "$0")/data/real-installers" && pwd)
. "$(dirname "$0")/install_check.sh"
child="$(dirname "$exe")/tkr_test_child.exe"
rm -rf "$out"; mkdir -p "$out"/{app,pkg/bin,home} || exit 1
cd "$out"
cp "$exe" "$(dirname "$exe")/SDL2.dll" "$inno" app/
for code in en de; do cp "$child" "pkg/bin/tkr-$code.exe"; done
echo sdl > pkg/bin/SDL2.dll
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
rows=0
for dir in "$data"/*/; do
  [ -f "$dir/expect" ] || continue
  name=$(basename "$dir") expect=$(cat "$dir/expect") rows=$((rows + 1))
  setup=$(ls "$dir"/*.exe)
  "$wine" "$(win "$out/app/innoextract.exe")" --gog --silent --output-dir "$(win "$out/win-$name")" "$(win "$setup")" \
    > "win-$name.log" 2>&1
  wrc=$?
  innoextract --gog --silent --output-dir "linux-$name" "$setup" > "linux-$name.log" 2>&1
  lrc=$?
  check "$name" "[ $wrc -eq $lrc ]"
  if [ "$expect" = ok ]; then
    check "$name" "[ $wrc -eq 0 ] && diff -r win-$name linux-$name"
  fi
  rm -rf prefix
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$(win "$setup")" TKR_SETUP_PREFIX="$(win "$out/prefix")" \
      TKR_PKG_DIR="$(win "$out/pkg")" TKR_SETUP_MOD_PATH= SDL_VIDEODRIVER=dummy \
      "$wine" cmd /c "set USERPROFILE=$(win "$out/home")&& $(win "$out/app/tkr-setup.exe")" > "$name.log" 2>&1
  rc=$?
  check "$name" "grep -qF 'Extracting GOG installer via innoextract...' $name.log"
  if [ "$expect" = ok ]; then
    check "$name" "[ $rc -eq 0 ]"
    check "$name" "grep -qF 'Installation completed successfully (de)!' $name.log"
    check "$name" "check_complete prefix linux-$name/app/Data '' pkg de"
  else
    # Refused by innoextract: the installer itself is run. This Wine has
    # no 32-bit support and reports the start of a 32-bit program that
    # never ran as exit code 0, so the job ends finding no game.
    check "$name" "[ $rc -eq 1 ]"
    check "$name" "grep -qF 'Running GOG installer silently (please wait)...' $name.log"
    check "$name" "[ \"\$(tail -n 1 $name.log | tr -d '\\r')\" = '[TKR-Setup] ERROR: Could not find Data/ folder inside GOG source.' ]"
  fi
done
check rows "[ $rows -eq 3 ]"
[ $fail -eq 0 ] && echo "innoextract.exe under Wine: $rows installers, the same files as Debian's innoextract, installs as expected"
exit $fail
