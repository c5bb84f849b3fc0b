#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# A second run finds it all in place and changes nothing.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine64 wine32:i386 fonts-wine xvfb xauth
  # An X server of two monitors for the tests that need them (Xvfb cannot).
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  googletest imagemagick giflib-tools libgif-dev valgrind zip unzip
  # The decoding benchmark's text and photographs.
  fonts-dejavu-core mate-backgrounds
  # Fonts for the greetings' words in CJK and emoji, which Wine falls back to.
  fonts-noto-cjk fonts-symbola
  # The newer Wine's chroot, and the browsers the web greeting is tested in.
  debootstrap chromium firefox-esr
)
# Node.js builds the web greeting's script; a machine that has it from elsewhere keeps it.
command -v node >/dev/null 2>&1 || packages+=(nodejs npm)

say() { printf 'setup: %s\n' "$*"; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync serves an index that does not match its release
  # file; apt then leaves that index out, and says so. Try again a little later.
  for attempt in 1 2 3; do
    as_root apt-get update -q && break
    [ "$attempt" -lt 3 ] && { say "the package lists did not all arrive; trying again in 20 s"; sleep 20; }
  done
  install=(as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends)
  if ! "${install[@]}" "${missing[@]}"; then
    # Without one architecture's index of the security updates, the 32-bit
    # libraries cannot match the 64-bit ones of the newest versions: take both
    # from the release itself, whose indexes agree.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    say "installing again with the versions of $release itself"
    "${install[@]}" -t "$release" "${missing[@]}"
  fi
fi

# Wine's 32-bit loader is an i386 Linux program. Some kernels run 64-bit user code
# only; there it goes through a user-mode emulator registered with binfmt_misc.
# Bookworm's emulator walks the whole address space on every Wine start (about a
# minute); the one from the next Debian release starts Wine in under a second.
runs_i386() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if ! runs_i386; then
  emu=/usr/local/libexec/qemu-i386-wine
  if [ ! -x "$emu" ]; then
    say "this kernel cannot start i386 programs; fetching a user-mode emulator for Wine"
    tmp=$(mktemp -d)
    mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial"
    # From the archive apt already uses, so a local mirror or a snapshot serves it too.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    "$(dirname "$0")/archive-source.sh" "$release" trixie > "$tmp/sources.list"
    apt_opts=(-o Dir::Etc::SourceList="$tmp/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o Dir::State::Lists="$tmp/lists" -o Dir::Cache="$tmp/cache"
              -o APT::Architecture=amd64 -o APT::Architectures::=amd64 -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" update -q >/dev/null
    (cd "$tmp" && apt-get "${apt_opts[@]}" download qemu-user >/dev/null)
    dpkg-deb -x "$tmp"/qemu-user_*.deb "$tmp/x"
    as_root install -D -m 755 "$tmp/x/usr/bin/qemu-i386" "$emu"
    rm -rf "$tmp"
  fi
  misc=/proc/sys/fs/binfmt_misc
  [ -e "$misc/register" ] || as_root mount -t binfmt_misc binfmt_misc "$misc"
  if [ -e "$misc/qemu-i386" ] && ! grep -q "$emu" "$misc/qemu-i386"; then
    echo -1 | as_root tee "$misc/qemu-i386" >/dev/null
  fi
  if [ ! -e "$misc/qemu-i386" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:$emu:F" | as_root tee "$misc/register" >/dev/null
  fi
  runs_i386 || { say "i386 programs still do not start; Wine cannot run"; exit 1; }
fi

# The web greeting's build step and browser tests take their npm packages,
# pinned by web/package-lock.json, into web/node_modules: installed again only
# when that is missing or older than the lockfile. Nothing in them downloads a
# browser; the tests drive Debian's.
web="$(dirname "$0")/../web"
if [ ! -e "$web/node_modules/.package-lock.json" ] ||
   [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
  say "installing the web greeting's npm packages"
  (cd "$web" && npm ci --ignore-scripts --no-audit --no-fund)
fi
