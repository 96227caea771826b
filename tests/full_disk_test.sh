#!/usr/bin/env bash
# full_disk_test.sh OUTDIR EXE CHILD
# Unattended installs onto a small RAM disk (tmpfs) that is full, or fills
# up during the run: exactly 1200 MiB free passes the space check, 1199 MiB
# fails it; running out in the middle of the base copy, of the mod copy and
# while an INI file is rewritten ends the run without a crash, touches
# nothing outside the prefix, removes the scratch folder, keeps the user's
# INI whole, and a second run after space is freed completes.
# Mounting needs root or a user namespace; without either the test is
# skipped (exit 77).
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3")
MiB=1048576

if [ -z "${TKR_FULL_DISK_INNER:-}" ]; then
  probe=$(mktemp -d)
  if mount -t tmpfs -o size=1M tmpfs "$probe" 2>/dev/null; then
    umount "$probe"; rmdir "$probe"
    TKR_FULL_DISK_INNER=1 exec bash "$0" "$@"
  fi
  rmdir "$probe"
  if unshare -rm true 2>/dev/null; then
    TKR_FULL_DISK_INNER=1 exec unshare -rm bash "$0" "$@"
  fi
  echo "SKIPPED: a tmpfs cannot be mounted here (needs root or user namespaces)"
  exit 77
fi

rm -rf "$out"; mkdir -p "$out"/{disk,tmp,logs,home,pkg/bin}
cd "$out"
cleanup() { umount "$out/disk" 2>/dev/null; }
trap cleanup EXIT
cp "$child" pkg/bin/tkr-en.exe; echo sdl > pkg/bin/SDL2.dll
export HOME="$out/home" USERPROFILE="$out/home" TMPDIR="$out/tmp" SDL_VIDEODRIVER=dummy
unset TKR_SETUP_MOD_PATH LOCALAPPDATA XDG_DATA_HOME

fail=0
check() { if ! eval "$2"; then echo "FAIL [$1]: $2"; fail=1; fi; }

# A game folder: N sparse files of SIZE MiB (they take no room where they
# are kept, and all of it once copied), and a map file.
make_source() {  # DIR N SIZE
  rm -rf "$1"; mkdir -p "$1/Data/Maps"
  for i in $(seq 1 "$2"); do truncate -s "$(( $3 * MiB ))" "$1/Data/big$i.rvk"; done
  echo map > "$1/Data/Maps/m.rvm"
}
mount_disk() {  # SIZE_MIB
  umount disk 2>/dev/null
  mount -t tmpfs -o "size=$1M" tmpfs disk || { echo "mount failed"; exit 1; }
}
free_mib() { echo $(( $(stat -f -c '%a * %S' disk) / MiB )); }
# Everything outside the prefix and the scratch folder, with sizes and times.
snapshot() {
  find "$out" \( -path "$out/disk/prefix" -o -path "$out/tmp" -o -path "$out/logs" \) -prune -o \
    \( -type d -printf '%p/\n' \) -o -printf '%p %s %T@\n' | sort
}
install() {  # NAME [extra env...]
  local name=$1; shift
  snapshot > "logs/$name.before"
  env TKR_SETUP_AUTORUN=1 TKR_SETUP_GOG_PATH="$out/src" TKR_SETUP_PREFIX="$out/disk/prefix" \
      TKR_PKG_DIR="$out/pkg" "$@" "$exe" > "logs/$name.log" 2>&1
  rc=$?
  snapshot > "logs/$name.after"
  check "$name" "[ $rc -le 1 ]"  # 0 or 1: no crash, no signal
  check "$name" "cmp -s logs/$name.before logs/$name.after"
  check "$name" "[ -z \"\$(ls -A tmp)\" ]"  # the scratch folder is gone
}
logged() { grep -qF "[TKR-Setup] $2" "logs/$1.log"; }

# 1200 MiB free passes the check, 1199 MiB fails it with that figure.
make_source src 0 0
mount_disk 1300; head -c $(( 100 * MiB )) /dev/zero > disk/filler
check exact "[ \$(free_mib) -eq 1200 ]"
install exact
check exact "[ $rc -eq 0 ] && logged exact 'Installation completed successfully (en)!'"
rm -rf disk/prefix; head -c $(( 1 * MiB )) /dev/zero >> disk/filler
install short
check short "[ $rc -eq 1 ] && logged short 'ERROR: Need >= 1.2 GB free disk space (1199 MiB free).'"
check short "[ \$(grep -c TKR-Setup logs/short.log) -eq 1 ]"

# Out of space in the middle of the base copy: 1300 MiB of data, 1200 free.
make_source src 13 100
mount_disk 1200
install base-full
check base-full "[ $rc -eq 1 ] && logged base-full 'ERROR: Installed executable self-test failed.'"
check base-full "[ \$(free_mib) -eq 0 ]"
mount -o remount,size=2700M disk
install base-again
check base-again "[ $rc -eq 0 ] && logged base-again 'Copied 14 base file(s) from GOG copy.'"
check base-again "[ \$(du -sm disk/prefix/game/Data | cut -f1) -ge 1300 ]"
check base-again "[ ! -e disk/prefix/game/Tkr.ini.tkr-new ]"

# Out of space in the middle of the mod copy: 1150 MiB of game, 100 of mod.
make_source src 23 50
rm -rf mod; mkdir -p mod/Data-VA/Maps
for i in $(seq 1 10); do truncate -s $(( 10 * MiB )) "mod/Data-VA/Maps/va$i.rvm"; done
mount_disk 1200
install mod-full TKR_SETUP_MOD_PATH="$out/mod"
check mod-full "[ $rc -eq 1 ] && logged mod-full 'Installing TKR Torvane + Vestrova 1.4 mod layers...'"
check mod-full "logged mod-full 'ERROR: Installed executable self-test failed.'"
mount -o remount,size=2500M disk
install mod-again TKR_SETUP_MOD_PATH="$out/mod"
check mod-again "[ $rc -eq 0 ] && [ \$(du -sm disk/prefix/game/Data-VA | cut -f1) -ge 100 ]"

# Out of space while the user's 8 MiB Tkr.ini is rewritten: the base copy
# leaves 5 MiB, enough for the engine but not for a whole new INI. The old
# file stays byte for byte; the job goes on, as for any single file.
make_source src 1 1195
mount_disk 1208
mkdir -p disk/prefix/game
{ printf '[Video]\r\n'; for i in $(seq 1 400000); do printf 'user_setting_%06d=keep\r\n' "$i"; done; } \
  | head -c $(( 8 * MiB )) > disk/prefix/game/Tkr.ini
cp disk/prefix/game/Tkr.ini logs/Tkr.ini.orig
install ini-full
check ini-full "[ \$(free_mib) -lt 8 ]"
check ini-full "cmp -s disk/prefix/game/Tkr.ini logs/Tkr.ini.orig"
check ini-full "[ ! -e disk/prefix/game/Tkr.ini.tkr-new ]"
check ini-full "logged ini-full 'Applying Classic-First preset & Native SDL2 configuration...'"
mount -o remount,size=2500M disk
install ini-again
check ini-again "[ $rc -eq 0 ] && grep -q 'scale = fit' disk/prefix/game/Tkr.ini"
check ini-again "head -c 1000 disk/prefix/game/Tkr.ini | cmp -s - <(head -c 1000 logs/Tkr.ini.orig)"

if [ $fail -eq 0 ]; then
  echo "full disk: 1200/1199 MiB, base copy, mod copy and INI rewrite out of space, second runs complete"
fi
exit $fail
