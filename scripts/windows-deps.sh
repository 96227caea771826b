#!/usr/bin/env bash
# Builds the Windows build's two libraries with the MinGW toolchain and caches
# them outside the build tree:
#   SDL2       from Debian's own source package, the same version as libsdl2-dev
#   GoogleTest from /usr/src/googletest (Debian package googletest)
# Prints the cache folder on its last line. A second run reuses the cache.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
cache=${TKR_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tkr-setup}
jobs=$(nproc)

sdl_version=$(dpkg-query -W -f='${Version}' libsdl2-dev)
sdl_upstream=${sdl_version%%-*}; sdl_upstream=${sdl_upstream%%+*}
sdl_prefix="$cache/sdl2-$sdl_version-mingw64"
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gtest_prefix="$cache/googletest-$gtest_version-mingw64"
mkdir -p "$cache"

log() { printf 'windows-deps: %s\n' "$*" >&2; }

# The deb-src entries are derived from the machine's own apt sources, in a
# private folder, so /etc/apt is never touched.
write_source_entries() {
  local out=$1 f
  mkdir -p "$out"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" > "$out/$(basename "$f")"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    grep -E '^[[:space:]]*deb[[:space:]]' "$f" | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' \
      > "$out/$(basename "$f" .list).list" || true
  done
}

fetch_sdl_source() {
  local work="$cache/apt-src" src="$cache/src"
  if [ -d "$src/SDL2-$sdl_upstream" ]; then return; fi
  rm -rf "$work"; mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$src"
  write_source_entries "$work/parts"
  local opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
              -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
  log "fetching the source of libsdl2 $sdl_version"
  apt-get "${opts[@]}" update >&2
  (cd "$work" && apt-get "${opts[@]}" source --download-only "libsdl2=$sdl_version" >&2)
  local orig
  orig=$(ls "$work"/libsdl2_*.orig.tar.* | head -n 1)
  local tmp="$src/tmp.$$"; mkdir -p "$tmp"
  tar -xf "$orig" -C "$tmp"
  mv "$tmp"/* "$src/SDL2-$sdl_upstream"; rmdir "$tmp"
  rm -rf "$work"
}

build_sdl() {
  if [ -f "$sdl_prefix/lib/libSDL2.dll.a" ] && [ -f "$sdl_prefix/bin/SDL2.dll" ]; then return; fi
  fetch_sdl_source
  local b="$cache/build-sdl2"; rm -rf "$b" "$sdl_prefix.tmp"
  log "building SDL2 $sdl_upstream for MinGW (about a minute)"
  cmake -S "$cache/src/SDL2-$sdl_upstream" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sdl_prefix.tmp" \
    -DSDL_TEST=OFF -DSDL_SHARED=ON -DSDL_STATIC=OFF >&2
  cmake --build "$b" -j "$jobs" >&2
  cmake --install "$b" >&2
  rm -rf "$b" "$sdl_prefix"; mv "$sdl_prefix.tmp" "$sdl_prefix"
}

build_gtest() {
  if [ -f "$gtest_prefix/lib/libgtest.a" ]; then return; fi
  local b="$cache/build-gtest"; rm -rf "$b" "$gtest_prefix.tmp"
  log "building GoogleTest $gtest_version for MinGW"
  cmake -S /usr/src/googletest -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix.tmp" \
    -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >&2
  cmake --build "$b" -j "$jobs" >&2
  cmake --install "$b" >&2
  rm -rf "$b" "$gtest_prefix"; mv "$gtest_prefix.tmp" "$gtest_prefix"
}

build_sdl
build_gtest
printf '%s;%s\n' "$sdl_prefix" "$gtest_prefix"
