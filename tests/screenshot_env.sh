# Sourced by the screenshot tests: a clean, empty home and working folder, so
# that nothing on the machine is detected, and the headless video driver.
screenshot_sandbox() {
  local dir=$1
  rm -rf "$dir"; mkdir -p "$dir/home" "$dir/cwd"
  export HOME="$dir/home" SDL_VIDEODRIVER=dummy
  unset USERPROFILE LOCALAPPDATA TKR_SETUP_GOG_PATH TKR_SETUP_MOD_PATH TKR_SETUP_AUTORUN TKR_PKG_DIR
  unset TKR_SETUP_PREFIX XDG_DATA_HOME
  cd "$dir/cwd"
}

# bmp_size FILE: prints "width height" from the BMP header.
bmp_size() {
  od -An -t d4 -j 18 -N 8 "$1" | awk '{print $1, ($2 < 0 ? -$2 : $2)}'
}
