#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need,
# only when some are missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config dpkg-dev
  libsdl2-dev googletest libgtest-dev
  g++-mingw-w64-x86-64-posix wine64
  innoextract 7zip tar unzip bison
  clang libclang-rt-14-dev valgrind
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update >&2
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}" >&2
