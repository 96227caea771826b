#!/usr/bin/env bash
# Regenerates docs/screenshots/page-N.png, the README's pictures of the five
# pages and the uninstaller's, from the Linux build's screenshot mode (demo
# game data detected).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh imagemagick
cmake --preset linux >/dev/null && cmake --build --preset linux >/dev/null
demo=$(bash scripts/make-demo.sh build/demo)
mkdir -p docs/screenshots
for step in 0 1 2 3 4; do
  ( cd "$demo/home" && env -u USERPROFILE -u LOCALAPPDATA HOME="$demo/home" SDL_VIDEODRIVER=dummy \
      TKR_SETUP_STEP=$step TKR_SETUP_SCREENSHOT="$demo/page-$step.bmp" \
      "$OLDPWD/build/linux/tkr-setup" >/dev/null )
  convert "$demo/page-$step.bmp" "docs/screenshots/page-$step.png"
done
# The uninstaller's page, over a demo installation in a folder named
# relative to the demo's home (so the picture shows no machine's path).
( cd "$demo/home" && env -u USERPROFILE -u LOCALAPPDATA HOME="$demo/home" SDL_VIDEODRIVER=dummy \
    TKR_SETUP_AUTORUN=1 TKR_SETUP_PREFIX=TKR-Native-Port TKR_PKG_DIR="$demo/package" \
    "$OLDPWD/build/linux/tkr-setup" >/dev/null &&
  env -u USERPROFILE -u LOCALAPPDATA HOME="$demo/home" SDL_VIDEODRIVER=dummy TKR_SETUP_PREFIX=TKR-Native-Port \
    TKR_SETUP_SCREENSHOT="$demo/uninstall.bmp" "$OLDPWD/build/linux/tkr-setup" --uninstall >/dev/null )
convert "$demo/uninstall.bmp" docs/screenshots/uninstall.png
echo "docs/screenshots/page-0.png to page-4.png, uninstall.png"
