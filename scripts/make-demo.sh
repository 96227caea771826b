#!/usr/bin/env bash
# make-demo.sh DIR: generates demo data under DIR and prints DIR's absolute path.
#   DIR/home/Downloads/SCI-7609-VA.7z (or a mod folder when 7z is missing)
#   DIR/home/GOG Games/Thrask Kovarra/Data/...   a small made-up game copy
#   DIR/package/installer/...  and  DIR/package/bin/...   the setup's package
# Nothing here is real game data: every file is generated.
set -euo pipefail
dir=$(realpath -m "$1")
rm -rf "$dir"; mkdir -p "$dir"
home="$dir/home"; game="$home/GOG Games/Thrask Kovarra"
mkdir -p "$home/Downloads" "$home/Desktop" "$game/Data/Maps" "$game/Data/TableData"
for i in 1 2 3 4 5; do head -c $((4096 * i)) /dev/urandom > "$game/Data/Maps/map$i.rvm"; done
printf 'demo base archive\n' > "$game/Data/Ambient.rvk"
printf 'demo language archive\n' > "$game/Data/English.rvk"
printf 'MZ not a real program\n' > "$game/Data/uninstall.exe"
printf '[Display]\r\nwidth = 800\r\n' > "$game/Tkr.ini"

mod="$dir/mod-src/Vestrova"
mkdir -p "$mod/Data-VA/Maps" "$mod/Data-VA/Music" "$mod/Data-Torvane/TableData" "$mod/Profiles/UserProfile_TKRVA"
printf 'demo mod map\n' > "$mod/Data-VA/Maps/va1.rvm"
printf 'skipped music\n' > "$mod/Data-VA/Music/theme.ogg"
printf 'demo layer table\n' > "$mod/Data-Torvane/TableData/Items.xml"
sevenzip=$(command -v 7z || command -v 7zz || true)
if [ -n "$sevenzip" ]; then
  (cd "$dir/mod-src" && "$sevenzip" a -bd -y "$home/Downloads/SCI-7609-VA.7z" Vestrova >/dev/null)
else
  cp -r "$mod" "$home/Downloads/SCI-7609-VA"
fi

pkg="$dir/package"
mkdir -p "$pkg/installer/preset" "$pkg/installer/custom_qvs_faces/QVSFaces/BigFaces" "$pkg/bin"
printf '# demo preset\ntkr.ini[Game]difficulty=classic\n' > "$pkg/installer/preset/default.ini-patch"
for n in 300 301; do printf 'demo portrait %s\n' "$n" > "$pkg/installer/custom_qvs_faces/QVSFaces/BigFaces/$n.rvi"; done
printf '<QVSPORTRAITSLIST>\n<QVS><PortraitId>300</PortraitId></QVS>\n</QVSPORTRAITSLIST>\n' \
  > "$pkg/installer/custom_qvs_faces/QVSPortraits_base.xml"
printf '<QVS><PortraitId>301</PortraitId></QVS>\n' > "$pkg/installer/custom_qvs_faces/QVSPortraits_snippet.xml"
for code in en de fr pl ru; do
  printf '#!/bin/sh\n# demo engine: answers the self-test\nexit 0\n' > "$pkg/bin/tkr-$code.exe"
  chmod +x "$pkg/bin/tkr-$code.exe"
done
printf 'demo library\n' > "$pkg/bin/SDL2.dll"
echo "$dir"
