#!/usr/bin/env bash
# Runs a command from this checkout under the newer Wine, Debian 13's Wine 10, in
# a chroot kept outside the checkout: the second Windows implementation the tests
# run under. The command gets a display and a Wine prefix as the tests get them
# (scripts/display.sh), in prefixes of Wine 10's own: Wine upgrades a prefix in
# place, so the two implementations never share one.
#   scripts/newer-wine.sh ctest --test-dir build/win -L wine
#   scripts/newer-wine.sh --make     only makes the chroot, when it is missing
# NEWER_WINE_CHROOT says where the chroot lives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${NEWER_WINE_CHROOT:-/var/cache/glimmer-loopvue/trixie-wine}
release=trixie
# Appended to every prefix path the tests name (display.sh, wine-run, two-monitors.sh).
prefix_suffix=-wine10

# What the Windows tests need in the chroot. A chroot made from another list is
# made again. Both loaders, as on the host: the prefix is then a 64-bit one whose
# desktop process finds the monitors through the 64-bit X libraries.
packages=(
  wine wine64 wine32:i386 fonts-wine cmake
  # The greetings' words in CJK and emoji (scripts/wine-env.sh names them to Uniscribe).
  fonts-noto-cjk fonts-symbola
  xvfb xauth x11-utils
  # Two monitors on Xorg's dummy driver.
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  # flock for the prefix's first start, chattr for the maker's locked folder, ps.
  util-linux e2fsprogs procps
)
stamp=etc/newer-wine.packages

say() { printf 'newer-wine: %s\n' "$*" >&2; }
[ "$(id -u)" -eq 0 ] || exec sudo --preserve-env "$0" "$@"

# The mounts below are made in a mount namespace of this command's own: however
# it ends, they end with it, and the host never sees them.
if [ -z "${NEWER_WINE_NAMESPACE:-}" ]; then
  NEWER_WINE_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi
unset NEWER_WINE_NAMESPACE

# What Wine and the tests use of the machine: processes, devices, the X sockets
# in /tmp (an X server's abstract socket is the machine's, so the display numbers
# must be chosen among the host's too), the checkout at its own path, and the
# host's CMake modules, which the build tree's CTest files name.
mount_into() { # chroot
  local c=$1 d
  mount -t proc proc "$c/proc"
  mount --bind /dev "$c/dev"
  mount --bind /dev/pts "$c/dev/pts"
  mount -t tmpfs -o mode=1777,nosuid,nodev shm "$c/dev/shm"
  mount --bind /tmp "$c/tmp"
  mkdir -p "$c$root"
  mount --bind "$root" "$c$root"
  for d in /usr/share/cmake-*; do
    # The chroot's own CMake, of another version, keeps its modules.
    [ -d "$d" ] && [ ! -e "$c$d/Modules" ] || continue
    mkdir -p "$c$d"
    mount --bind -o ro "$d" "$c$d"
  done
}

wanted=$(printf '%s\n' "${packages[@]}")
current() { cat "$dir/$stamp" 2>/dev/null || true; }

make_chroot() {
  local new=$dir.new source opts rest mirror keyring= boot=() o d attempt version
  # From the archive apt already uses here, so a local mirror or a snapshot serves it too.
  source=$("$root/scripts/archive-source.sh" "$(. /etc/os-release && echo "$VERSION_CODENAME")" "$release")
  opts= rest=${source#deb }
  if [ "${rest:0:1}" = "[" ]; then opts=${rest%%]*} opts=${opts#[} rest=${rest#*] }; fi
  mirror=${rest%% *}
  for o in $opts; do
    case "$o" in
      signed-by=*) keyring=${o#signed-by=}; [ -f "$keyring" ] && boot+=(--keyring="$keyring") ;;
      trusted=yes) boot+=(--no-check-gpg) ;;
    esac
  done
  # Nothing may be mounted in what is removed: a bound checkout would go with it.
  if grep -qF " $dir" /proc/self/mountinfo; then
    say "something is mounted under $dir; unmount it first"; exit 1
  fi
  rm -rf "$new"
  say "making the Debian $release chroot in $dir from $mirror (a few minutes)"
  debootstrap --variant=minbase "${boot[@]}" "$release" "$new" "$mirror" >"$dir.log" 2>&1 \
    || { tail -n 20 "$dir.log" >&2; say "debootstrap failed; its log is $dir.log"; exit 1; }
  echo "$source" >"$new/etc/apt/sources.list"
  if [ -f "$keyring" ] && [ ! -e "$new$keyring" ]; then install -D -m 644 "$keyring" "$new$keyring"; fi
  mount_into "$new"
  in_new() { chroot "$new" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
  in_new dpkg --add-architecture i386
  # A mirror caught mid-sync serves an index that does not match its release file.
  for attempt in 1 2 3; do
    in_new apt-get update -q >>"$dir.log" 2>&1 && break
    [ "$attempt" -lt 3 ] || { say "the chroot's package lists did not arrive; see $dir.log"; exit 1; }
    sleep 20
  done
  in_new apt-get install -y -q --no-install-recommends "${packages[@]}" >>"$dir.log" 2>&1 \
    || { tail -n 20 "$dir.log" >&2; say "installing into the chroot failed; its log is $dir.log"; exit 1; }
  in_new apt-get clean
  # Wine's 32-bit loader must start here: natively, or through the emulator that
  # scripts/setup.sh registers, which is opened once for every root (binfmt's F flag).
  version=$(in_new wine --version 2>&1) || { say "Wine does not start in the chroot: $version"; exit 1; }
  echo "$wanted" >"$new/$stamp"
  umount -R "$new/proc" "$new/dev" "$new/tmp" "$new$root"
  for d in /usr/share/cmake-*; do if mountpoint -q "$new$d"; then umount "$new$d"; fi; done
  rm -rf "$dir"
  mv "$new" "$dir"
  say "made the chroot in $dir: $version"
}

mkdir -p "$(dirname "$dir")"
# A run holds the chroot shared; making it again waits for every run to end. Only
# this shell holds the lock: a Wine server left behind must not keep it.
exec 9>"$dir.lock"
flock -x 9
if [ "$(current)" != "$wanted" ]; then
  [ -e "$dir" ] && say "the chroot's package list changed"
  make_chroot
fi
flock -s 9
[ "${1:-}" = --make ] && exit 0
[ $# -gt 0 ] || { echo "usage: $0 COMMAND... | --make" >&2; exit 2; }

mount_into "$dir"
# The command starts where it was asked from, with nothing of the host's Wine or
# display: only what says how the tests run.
keep=(SOAK WINEDEBUG TERM)
for v in $(compgen -e); do case "$v" in GTEST_*|CTEST_*) keep+=("$v") ;; esac; done
pass=()
for v in "${keep[@]}"; do [ -n "${!v+set}" ] && pass+=("$v=${!v}"); done
case "$PWD/" in "$root"/*) here=$PWD ;; *) here=$root ;; esac
chroot "$dir" /usr/bin/env -i HOME=/root LANG=C.UTF-8 PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin \
  WINE_PREFIX_SUFFIX="$prefix_suffix" "${pass[@]}" \
  bash -c 'cd "$1" && shift && root=$0 && source "$root/scripts/display.sh" && "$@"' "$root" "$here" "$@" 9>&-
