#!/usr/bin/env bash
# Builds the Windows build's libraries and tools with the MinGW toolchain and
# caches them outside the build tree:
#   SDL2        from Debian's own source package, the same version as libsdl2-dev
#   GoogleTest  from /usr/src/googletest (Debian package googletest)
#   innoextract innoextract.exe, one static console program, from Debian's
#               source package of the installed innoextract, with the Boost
#               libraries, liblzma, zlib and bzip2 it needs built from
#               Debian's source packages of the versions installed here
# Prints the three prefixes on its last line. A second run reuses the cache.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
cache=${TKR_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tkr-setup}
jobs=$(nproc)

sdl_version=$(dpkg-query -W -f='${Version}' libsdl2-dev)
sdl_upstream=${sdl_version%%-*}; sdl_upstream=${sdl_upstream%%+*}
# "-system32": SDL2.dll looks for its own imports in the system's folder only.
sdl_prefix="$cache/sdl2-$sdl_version-mingw64-system32"
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gtest_prefix="$cache/googletest-$gtest_version-mingw64"
# A source package at the version of an installed binary package.
source_of() { dpkg-query -W -f='${source:Package}=${source:Version}' "$1"; }
inno_source=$(source_of innoextract)
inno_prefix="$cache/innoextract-${inno_source#*=}-mingw64"
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

# fetch_source PACKAGE=VERSION DEST: the package's upstream tarball, unpacked
# into DEST (its top folder dropped); nothing when DEST exists. The package
# lists are read once per run of this script.
apt_work="$cache/apt-src.$$"
trap 'rm -rf "$apt_work"' EXIT
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_work/parts"
          -o "Dir::State::Lists=$apt_work/lists" -o "Dir::Cache=$apt_work/cache")
fetch_source() {
  local wanted=$1 dest=$2 files="$apt_work/files"
  if [ -d "$dest" ]; then return; fi
  if [ ! -d "$apt_work/parts" ]; then
    mkdir -p "$apt_work/parts" "$apt_work/lists/partial" "$apt_work/cache/archives/partial"
    write_source_entries "$apt_work/parts"
    apt-get "${apt_opts[@]}" update >&2
  fi
  log "fetching the source of $wanted"
  rm -rf "$files"; mkdir -p "$files" "$cache/src"
  # A library whose installed version has left the archive (a security
  # update replaced it) comes at the archive's newest version.
  (cd "$files" && { apt-get "${apt_opts[@]}" source --download-only "$wanted" >&2 ||
                    apt-get "${apt_opts[@]}" source --download-only "${wanted%%=*}" >&2; })
  local orig
  orig=$(ls "$files"/*.orig.tar.* | grep -v '\.asc$' | head -n 1)
  local tmp="$dest.tmp.$$"; rm -rf "$tmp"; mkdir -p "$tmp"
  tar -xf "$orig" -C "$tmp"
  mv "$tmp"/* "$dest"; rmdir "$tmp"
  rm -rf "$files"
}

fetch_sdl_source() { fetch_source "libsdl2=$sdl_version" "$cache/src/SDL2-$sdl_upstream"; }

build_sdl() {
  if [ -f "$sdl_prefix/lib/libSDL2.dll.a" ] && [ -f "$sdl_prefix/bin/SDL2.dll" ]; then return; fi
  fetch_sdl_source
  local b="$cache/build-sdl2"; rm -rf "$b" "$sdl_prefix.tmp"
  log "building SDL2 $sdl_upstream for MinGW (about a minute)"
  mkdir -p "$b"
  x86_64-w64-mingw32-gcc-posix -c "$here/cmake/load_config.c" -o "$b/load_config.o"
  cmake -S "$cache/src/SDL2-$sdl_upstream" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sdl_prefix.tmp" \
    -DCMAKE_SHARED_LINKER_FLAGS="$b/load_config.o" \
    -DSDL_TEST=OFF -DSDL_SHARED=ON -DSDL_STATIC=OFF >&2
  cmake --build "$b" -j "$jobs" >&2
  cmake --install "$b" >&2
  # The load configuration linked in is pointed to from the image's header.
  local dll="$sdl_prefix.tmp/bin/SDL2.dll" base symbol
  base=$(x86_64-w64-mingw32-objdump -p "$dll" | awk '$1 == "ImageBase" {print $2}')
  symbol=$(x86_64-w64-mingw32-nm "$dll" | awk '$3 == "_load_config_used" {print $1}')
  [ -n "$base" ] && [ -n "$symbol" ] || { log "SDL2.dll has no load configuration"; exit 1; }
  python3 "$here/scripts/pe-load-config.py" "$dll" "$(printf '%x' $((0x$symbol - 0x$base)))" 112
  [ "$(python3 "$here/scripts/pe-load-config.py" "$dll")" = 0x800 ] || { log "SDL2.dll's load flags are not set"; exit 1; }
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

# innoextract.exe: liblzma (its own decompression of newer installers), then
# Boost with zlib and bzip2 compiled into its iostreams (older installers),
# then innoextract linked statically against them. About three minutes once.
build_innoextract() {
  if [ -f "$inno_prefix/bin/innoextract.exe" ]; then return; fi
  local src="$cache/src" deps="$cache/build-innoextract/deps" b="$cache/build-innoextract"
  local xz zlib bzip2 boost
  xz=$(source_of liblzma5); zlib=$(source_of zlib1g); bzip2=$(source_of libbz2-1.0)
  boost=$(source_of libboost-iostreams1.74.0)
  rm -rf "$b"; mkdir -p "$deps"
  fetch_source "$xz" "$src/${xz/=/-}"
  fetch_source "$zlib" "$src/${zlib/=/-}"
  fetch_source "$bzip2" "$src/${bzip2/=/-}"
  fetch_source "$boost" "$src/${boost/=/-}"
  fetch_source "$inno_source" "$src/${inno_source/=/-}"

  log "building liblzma ($xz) for MinGW"
  (cd "$b" && mkdir xz && cd xz &&
   "$src/${xz/=/-}/configure" --host=x86_64-w64-mingw32 --prefix="$deps" --enable-static --disable-shared \
     --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo --disable-lzma-links --disable-scripts \
     --disable-doc --disable-nls CC=x86_64-w64-mingw32-gcc-posix >&2 &&
   make -j "$jobs" -C src/liblzma install >&2)

  log "building Boost ($boost: iostreams with zlib and bzip2, filesystem, date_time, system, program_options) for MinGW"
  local boost_src="$src/${boost/=/-}"
  # Debian's tarball leaves out the build engine's generated grammar: bison
  # makes it again, as Debian's own build does.
  (cd "$boost_src/tools/build/src/engine" && { [ -f jamgram.cpp ] || bison -y -d -o jamgram.cpp jamgram.y >&2; })
  (cd "$boost_src" && { [ -x b2 ] || ./bootstrap.sh --with-toolset=gcc >&2; } &&
   echo "using gcc : mingw : x86_64-w64-mingw32-g++-posix : <archiver>x86_64-w64-mingw32-ar <ranlib>x86_64-w64-mingw32-ranlib ;" \
     > "$b/user-config.jam" &&
   ./b2 --user-config="$b/user-config.jam" --build-dir="$b/boost" --prefix="$deps" --layout=system \
     toolset=gcc-mingw target-os=windows address-model=64 architecture=x86 threadapi=win32 \
     variant=release link=static runtime-link=static threading=multi \
     --with-iostreams --with-filesystem --with-date_time --with-system --with-program_options \
     -sZLIB_SOURCE="$src/${zlib/=/-}" -sBZIP2_SOURCE="$src/${bzip2/=/-}" -sNO_LZMA=1 -sNO_ZSTD=1 \
     -j "$jobs" -d0 install >&2)

  log "building innoextract ($inno_source) for MinGW"
  # The toolchain's find root, with the libraries just built added to it.
  printf 'include("%s")\nlist(APPEND CMAKE_FIND_ROOT_PATH "%s")\n' "$toolchain" "$deps" > "$b/toolchain.cmake"
  cmake -S "$src/${inno_source/=/-}" -B "$b/innoextract" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$b/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBOOST_ROOT="$deps" -DBoost_NO_SYSTEM_PATHS=ON \
    -DUSE_STATIC_LIBS=ON -DBoost_USE_STATIC_RUNTIME=ON -DCMAKE_EXE_LINKER_FLAGS="-static" -DUSE_LTO=OFF >&2
  cmake --build "$b/innoextract" -j "$jobs" >&2
  rm -rf "$inno_prefix.tmp"; mkdir -p "$inno_prefix.tmp/bin" "$inno_prefix.tmp/share/licenses/innoextract"
  cp "$b/innoextract/innoextract.exe" "$inno_prefix.tmp/bin/"
  x86_64-w64-mingw32-strip "$inno_prefix.tmp/bin/innoextract.exe"
  cp "$src/${inno_source/=/-}/LICENSE" "$inno_prefix.tmp/share/licenses/innoextract/LICENSE"
  rm -rf "$inno_prefix"; mv "$inno_prefix.tmp" "$inno_prefix"
  rm -rf "$b" "$boost_src"  # Boost's source is half a gigabyte
}

build_sdl
build_gtest
build_innoextract
printf '%s;%s;%s\n' "$sdl_prefix" "$gtest_prefix" "$inno_prefix"
