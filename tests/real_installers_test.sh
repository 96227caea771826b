#!/usr/bin/env bash
# real_installers_test.sh OUTDIR EXE CHILD
# The unattended program against real GOG-style installers (tests/data/
# real-installers: made by the real compiler from made-up data), unpacked
# by the machine's real innoextract. One row per installer, as its expect
# file says:
#   ok    exit 0; every app/Data file of the manifest in game/Data with its
#         bytes, the completeness check, nothing from outside app/Data in
#         the prefix, the log of a folder install of the same game plus the
#         innoextract line, the language settled from the game's files;
#   fail  exit 1 with exactly the four lines of a failed extraction.
# In both, the scratch folder is gone.
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3")
data=$(cd "$(dirname "$0")/data/real-installers" && pwd)
. "$(dirname "$0")/install_check.sh"
innoextract=$(command -v innoextract) || { echo "FAIL: innoextract is not installed"; exit 1; }

rm -rf "$out"; mkdir -p "$out"/{home,pkg/bin} || exit 1
cd "$out"
for code in en de; do cp "$child" "pkg/bin/tkr-$code.exe"; done
echo sdl > pkg/bin/SDL2.dll
faces=pkg/installer/custom_qvs_faces
mkdir -p "$faces/QVSFaces/BigFaces"
echo "portrait 300" > "$faces/QVSFaces/BigFaces/300.rvi"
printf '<QVS><PortraitId>300</PortraitId></QVS>\n' > "$faces/QVSPortraits_base.xml"
: > "$faces/QVSPortraits_snippet.xml"
export HOME="$out/home" USERPROFILE="$out/home" SDL_VIDEODRIVER=dummy
unset TKR_SETUP_MOD_PATH LOCALAPPDATA XDG_DATA_HOME TKR_SETUP_STEP TKR_SETUP_SCREENSHOT

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }
install() {  # NAME SOURCE: an unattended install into p-NAME with a scratch folder of its own
  mkdir -p "tmp-$1"
  TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$2" TKR_SETUP_PREFIX="$out/p-$1" TKR_PKG_DIR="$out/pkg" \
    TMPDIR="$out/tmp-$1" "$exe" > "$1.log" 2>&1
}

rows=0
for dir in "$data"/*/; do
  [ -f "$dir/expect" ] || continue
  name=$(basename "$dir") expect=$(cat "$dir/expect") rows=$((rows + 1))
  setup=$(ls "$dir"/*.exe)
  install "$name" "$setup"
  rc=$?
  check "$name" "[ -z \"\$(ls -A tmp-$name)\" ]"  # the scratch folder went
  if [ "$expect" = fail ]; then
    check "$name" "[ $rc -eq 1 ]"
    check "$name" "diff <(sed -n 's/^\[TKR-Setup\] //p' $name.log) - <<'EOF'
Locating GOG Classic base files...
Extracting GOG installer via innoextract...
Running GOG installer silently (please wait)...
ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.
EOF"
    continue
  fi
  check "$name" "[ $rc -eq 0 ]"
  # The same game as the real tool unpacks it, installed as a folder: the
  # reference for the files and for the log.
  "$innoextract" --gog --silent --output-dir "ref-$name" "$setup" || { echo "FAIL [$name]: innoextract"; fail=1; }
  install "folder-$name" "$out/ref-$name/app"
  check "$name" "diff <(sed 's/^\[TKR-Setup\] Locating GOG Classic base files...$/&\n[TKR-Setup] Extracting GOG installer via innoextract.../' folder-$name.log) $name.log"
  check "$name" "grep -qxF '[TKR-Setup] Installation completed successfully (de)!' $name.log"
  check "$name" "check_complete p-$name ref-$name/app/Data '' pkg de"
  while IFS=$'\t' read -r rel size sum; do
    case "$rel" in
      app/Data/*)
        check "$name" "[ \"\$(sha256sum < 'p-$name/game/Data/${rel#app/Data/}' | cut -d' ' -f1)\" = $sum ]" ;;
      *)  # nothing from outside app/Data, under any name
        check "$name $rel" "! (find p-$name -type f -size ${size}c -exec sha256sum {} + | grep -q $sum)" ;;
    esac
  done < "$data/manifest.txt"
done

check rows "[ $rows -eq 3 ]"
[ $fail -eq 0 ] && echo "real installers: $rows rows, each as its expect file says"
exit $fail
