# Sourced by the black-box install tests: the one check of what a
# successful run promises, written apart from the program's own code.
#
# check_complete PREFIX SOURCE_DATA MOD_ROOT PACKAGE [CODE]
#   Every file of SOURCE_DATA that the base copy takes is in PREFIX/game/Data,
#   and every file of MOD_ROOT ("" for none) that the mod copy takes is in
#   PREFIX/game, each with the bytes of the last writer (base, then mod, then
#   the portrait pack); the portrait pack is in every portrait folder, each
#   portrait table is whole, the engine tkr-CODE.exe (default en) and
#   SDL2.dll are the package's, Play.bat is exact, the prefix holds
#   nothing but game, bin, Uninstall and Play.bat, and the record in
#   Uninstall lists exactly its files. Prints each fault; returns 1 on any.

_lower() { printf '%s' "$1" | tr 'A-Z' 'a-z'; }

# Regular files below a tree, links to files included, links to folders not
# followed; relative paths, one per line.
_tree_files() {
  (cd "$1" && find . \( -type f -o \( -type l -xtype f \) \) -printf '%P\n') | LC_ALL=C sort
}

_base_takes() {  # lowered relative path
  case "$1" in *.exe | *.dll | *.ico | goggame* | thumbs.db | desktop.ini) return 1 ;; esac
  return 0
}

_mod_takes() {  # lowered relative path
  case "$1" in data-va/music/* | data-zu/* | multiplayer/* | *.exe | */savedgames/*) return 1 ;; esac
  return 0
}

check_complete() {
  local prefix=$1 data=$2 mod=$3 pkg=$4 code=${5:-en} bad=0 rel target
  local -A want=()
  while IFS= read -r rel; do
    _base_takes "$(_lower "$rel")" && want["game/Data/$rel"]="$data/$rel"
  done < <(_tree_files "$data")
  if [ -n "$mod" ]; then
    while IFS= read -r rel; do
      _mod_takes "$(_lower "$rel")" && want["game/$rel"]="$mod/$rel"
    done < <(_tree_files "$mod")
  fi
  local faces="$pkg/installer/custom_qvs_faces" layers=(game/Data) layer
  [ -d "$prefix/game/Data-Torvane" ] && layers+=(game/Data-Torvane)
  [ -d "$prefix/game/Profiles/UserProfile_TKRVA" ] && layers+=(game/Profiles/UserProfile_TKRVA)
  if [ -d "$faces/QVSFaces" ]; then
    while IFS= read -r rel; do
      for layer in "${layers[@]}"; do want["$layer/QVSFaces/$rel"]="$faces/QVSFaces/$rel"; done
    done < <(_tree_files "$faces/QVSFaces")
    for layer in "${layers[@]}"; do
      target="$prefix/$layer/TableData/QVSPortraits.xml"
      if [ ! -f "$target" ] || [ "$(tail -c 20 "$target")" != "</QVSPORTRAITSLIST>" ]; then
        echo "  incomplete: the portrait table $layer/TableData/QVSPortraits.xml is missing or cut short"
        bad=1
      fi
    done
  fi
  want["bin/tkr-$code.exe"]="$pkg/bin/tkr-$code.exe"
  want["bin/SDL2.dll"]="$pkg/bin/SDL2.dll"
  for rel in "${!want[@]}"; do
    if ! cmp -s "${want[$rel]}" "$prefix/$rel"; then
      echo "  incomplete: $rel is missing or differs from ${want[$rel]}"
      bad=1
    fi
  done
  if ! cmp -s "$prefix/Play.bat" <(printf '@echo off\r\ncd /d "%%~dp0game"\r\nstart "" "%%~dp0bin\\tkr-%s.exe" %%*\r\n' "$code"); then
    echo "  incomplete: Play.bat is missing or not whole"
    bad=1
  fi
  local top
  top=$(cd "$prefix" && LC_ALL=C ls -A | tr '\n' ' ')
  if [ "$top" != "Play.bat Uninstall bin game " ]; then
    echo "  the prefix holds '$top', not just Play.bat, Uninstall, bin and game"
    bad=1
  fi
  # The uninstaller's record lists every file the prefix holds (Setup's own,
  # in these tests), and nothing more.
  local listed
  listed=$(sed -n 's/^file //p' "$prefix/Uninstall/installed-files.txt" 2>/dev/null | LC_ALL=C sort)
  if [ "$listed" != "$(_tree_files "$prefix")" ]; then
    echo "  the record of installed files does not list exactly the prefix's files:"
    diff <(echo "$listed") <(_tree_files "$prefix") | head -5 | sed 's/^/    /'
    bad=1
  fi
  return $bad
}
