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
    # no 32-bit support, so the installer started in a job of its own
    # fails, and the job ends with innoextract's reason and the extraction's
    # ERROR line.
    check "$name" "[ $rc -eq 1 ]"
    check "$name" "grep -qF 'Running GOG installer silently (please wait)...' $name.log"
    check "$name" "diff <(tail -n 2 $name.log | tr -d '\\r') - <<EOF
[TKR-Setup] innoextract 1.9 cannot read the GOG installer \"$(win "$setup")\": it was made by a newer Inno Setup (setup data version 6.4.0.1).
[TKR-Setup] ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.
EOF"
  fi
done
check rows "[ $rows -eq 3 ]"

# Broken downloads made from the sliced installer: the line names the part,
# and the installer itself is never run (the real one would wait for the
# missing part for ever).
stem='setup_thrask_kovarra_classic_1.0_(11111)'
flip() { python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,"rb").read()); b[len(b)//2]^=0xff; open(p,"wb").write(b)' "$1"; }
broken=0
while IFS='|' read -r name how line; do
  broken=$((broken + 1))
  rm -rf "dl-$name"; mkdir -p "dl-$name"; cp "$data/slices-5.6.1/$stem"* "dl-$name/"
  case $how in
    remove-2) rm "dl-$name/$stem-2.bin" ;;
    cut-2) truncate -s 700000 "dl-$name/$stem-2.bin" ;;
    flip-1) flip "dl-$name/$stem-1.bin" ;;
  esac
  setup=$(win "$out/dl-$name/$stem.exe")
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$setup" TKR_SETUP_PREFIX="$(win "$out/prefix")" \
      TKR_PKG_DIR="$(win "$out/pkg")" TKR_SETUP_MOD_PATH= SDL_VIDEODRIVER=dummy \
      "$wine" cmd /c "set USERPROFILE=$(win "$out/home")&& $(win "$out/app/tkr-setup.exe")" > "$name.log" 2>&1
  rc=$?
  line=${line//@SETUP@/$setup}; line=${line//@DL@/$(win "$out/dl-$name")}
  last=$(tail -n 1 "$name.log" | tr -d '\r') want="[TKR-Setup] $line"
  check "$name" "[ $rc -eq 1 ]"
  check "$name" '[[ "$last" == "$want"* ]]'
  [[ "$last" == "$want"* ]] || echo "  the last line: $last"
  check "$name" "! grep -qF 'Running GOG installer silently' $name.log"
done <<'ROWS'
missing-part|remove-2|ERROR: The installer's part "@DL@\setup_thrask_kovarra_classic_1.0_(11111)-2.bin" is missing. Put all
part-cut-short|cut-2|ERROR: The installer's part "@DL@\setup_thrask_kovarra_classic_1.0_(11111)-2.bin" is damaged or incomplete.
byte-flipped-in-part|flip-1|ERROR: The GOG installer "@SETUP@" is damaged: a file in it does not match its checksum.
ROWS
check broken "[ $broken -eq 3 ]"
[ $fail -eq 0 ] && echo "innoextract.exe under Wine: $rows installers, the same files as Debian's innoextract, installs as expected; $broken broken downloads named"
exit $fail
