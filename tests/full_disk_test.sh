#!/usr/bin/env bash
# full_disk_test.sh OUTDIR EXE CHILD
# Unattended installs onto a small RAM disk (tmpfs) that is full, or fills
# up during the run: exactly 1200 MiB free passes the space check, 1199 MiB
# fails it; a game (or mod) larger than the free space fails before the
# first copy with the MiB needed and free; running out in the middle of
# the base copy, the mod copy, the portraits or the engine (the disk's file
# table full) fails at once with the folder it was writing to; an INI file
# that cannot be rewritten stays whole. Every run ends without a crash,
# touches nothing outside the prefix and removes the scratch folder; every
# run that reports success leaves a complete installation, and a second
# run after space is freed completes.
# Mounting needs root or a user namespace; without either the test is
# skipped (exit 77).
set -u
out=$(realpath -m "$1"); exe=$(realpath "$2"); child=$(realpath "$3")
MiB=1048576
. "$(dirname "$0")/install_check.sh"

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
mount_disk() {  # SIZE_MIB [FILES]: FILES limits the disk's file table
  umount disk 2>/dev/null
  mount -t tmpfs -o "size=$1M${2:+,nr_inodes=$2}" tmpfs disk || { echo "mount failed"; exit 1; }
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
last_is() { [[ "$(tail -n 1 "logs/$1.log")" == "[TKR-Setup] $2"* ]]; }
complete() { check_complete disk/prefix src/Data "${2:-}" "${3:-pkg}" || { echo "FAIL [$1]: incomplete"; fail=1; }; }
needs() { echo "ERROR: Not enough free disk space in \"$out/disk/prefix\": the game needs $1 MiB, but only $2 MiB are free."; }
full_at() { echo "ERROR: The disk is full: Setup could not write into \"$out/disk/prefix/$1\"."; }

# 1200 MiB free passes the check, 1199 MiB fails it with that figure.
make_source src 0 0
mount_disk 1300; head -c $(( 100 * MiB )) /dev/zero > disk/filler
check exact "[ \$(free_mib) -eq 1200 ]"
install exact
check exact "[ $rc -eq 0 ] && logged exact 'Installation completed successfully (en)!'"
complete exact
rm -rf disk/prefix; head -c $(( 1 * MiB )) /dev/zero >> disk/filler
install short
check short "[ $rc -eq 1 ] && logged short 'ERROR: Need >= 1.2 GB free disk space (1199 MiB free).'"
check short "[ \$(grep -c TKR-Setup logs/short.log) -eq 1 ]"

# A game larger than the free space: the run fails before the first copy,
# with the figures, and nothing is copied.
make_source src 13 100
mount_disk 1200
install base-big
check base-big "[ $rc -eq 1 ] && last_is base-big '$(needs 1301 1200)'"
check base-big "[ -z \"\$(ls -A disk/prefix/game/Data 2>/dev/null)\" ] && [ \$(free_mib) -eq 1200 ]"
mount -o remount,size=2700M disk
install base-again
check base-again "[ $rc -eq 0 ] && logged base-again 'Copied 14 base file(s) from GOG copy.'"
complete base-again

# The same for a mod folder that does not fit beside the game.
make_source src 23 50
rm -rf mod; mkdir -p mod/Data-VA/Maps
for i in $(seq 1 10); do truncate -s $(( 10 * MiB )) "mod/Data-VA/Maps/va$i.rvm"; done
mount_disk 1200
install mod-big TKR_SETUP_MOD_PATH="$out/mod"
check mod-big "[ $rc -eq 1 ] && last_is mod-big '$(needs 1251 1200)'"
mount -o remount,size=2500M disk
install mod-again TKR_SETUP_MOD_PATH="$out/mod"
check mod-again "[ $rc -eq 0 ]"
complete mod-again mod

# A mod archive is counted once it is unpacked (into the scratch folder,
# on another disk here, so its files are copied, not moved).
sevenzip=$(command -v 7z || command -v 7zz || true)
if [ -n "$sevenzip" ]; then
  (cd mod && "$sevenzip" a -bd -y "$out/logs/mod.7z" Data-VA >/dev/null)
  mount_disk 1200
  install archive-big TKR_SETUP_MOD_PATH="$out/logs/mod.7z"
  check archive-big "[ $rc -eq 1 ] && logged archive-big 'Unpacking Vestrova archive...'"
  check archive-big "last_is archive-big 'ERROR: Not enough free disk space in \"$out/disk/prefix\": the game needs 100 MiB, but only '"
  check archive-big "[ ! -e disk/prefix/game/Data-VA ]"
fi

# The disk's file table runs out in the middle of a copy: the run fails at
# once, naming the folder, and copies nothing after it (no engine).
make_many() {  # DIR N: N small files in DIR
  rm -rf "$1"; mkdir -p "$1"
  for i in $(seq 1 "$2"); do echo "file $i" > "$1/f$i.rvm"; done
}
rm -rf src; make_many src/Data/Maps 40
mount_disk 1300 25
install base-full
check base-full "[ $rc -eq 1 ] && last_is base-full '$(full_at game/Data/Maps)'"
check base-full "[ ! -e disk/prefix/bin ]"
rm -rf src; make_many src/Data/Maps 1
make_many mod/Data-VA/Maps 40
mount_disk 1300 28
install mod-full TKR_SETUP_MOD_PATH="$out/mod"
check mod-full "[ $rc -eq 1 ] && last_is mod-full '$(full_at game/Data-VA/Maps)'"
check mod-full "[ ! -e disk/prefix/bin ]"
mkdir -p pkg-faces; cp -r pkg/bin pkg-faces/
make_many pkg-faces/installer/custom_qvs_faces/QVSFaces/BigFaces 40
mount_disk 1300 28
install faces-full TKR_PKG_DIR="$out/pkg-faces"
check faces-full "[ $rc -eq 1 ] && last_is faces-full '$(full_at game/Data/QVSFaces/BigFaces)'"
# The engine: a whole run's files, less the engine, SDL2.dll, Play.bat
# and the uninstaller's folder with its record.
mount_disk 1300
install engine-count
used=$(df --output=iused disk | tail -n 1)
mount_disk 1300 $(( used - 5 ))
install engine-full
check engine-full "[ $rc -eq 1 ] && last_is engine-full '$(full_at bin)'"
check engine-full "! logged engine-full 'ERROR: Installed executable self-test failed.'"

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
check ini-full "[ $rc -eq 0 ]"  # a key that cannot be written is a single file error
complete ini-full
mount -o remount,size=2500M disk
install ini-again
check ini-again "[ $rc -eq 0 ] && grep -q 'scale = fit' disk/prefix/game/Tkr.ini"
complete ini-again
check ini-again "head -c 1000 disk/prefix/game/Tkr.ini | cmp -s - <(head -c 1000 logs/Tkr.ini.orig)"

if [ $fail -eq 0 ]; then
  echo "full disk: 1200/1199 MiB, too big before the copy, out of space in each copy, INI kept whole, second runs complete"
fi
exit $fail
