#!/usr/bin/env bash
# scripts/archive-source.sh on the source lists Debian machines have: it must
# name the release's main archive through the machine's own host and key, and
# never an update, security or backports archive, a disabled entry or a
# source-only one.
# usage: archive_source_test.sh PATH/TO/archive-source.sh
set -u
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

# expect NAME EXPECTED_LINE FILE...   (an empty EXPECTED_LINE: it must find none)
expect() {
  local name=$1 want=$2 got status
  shift 2
  got=$("$script" bookworm trixie "$@" 2>/dev/null)
  status=$?
  if [ -z "$want" ] && { [ $status -eq 0 ] || [ -n "$got" ]; }; then
    echo "FAIL $name: expected no source, got status $status and '$got'"
    failures=$((failures + 1))
  elif [ -n "$want" ] && [ "$got" != "$want" ]; then
    echo "FAIL $name: expected '$want', got status $status and '$got'"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# Debian 12's own layout: updates share the archive's stanza, security has its own.
cat >"$dir/debian.sources" <<'S'
Types: deb
# http://snapshot.debian.org/archive/debian/20250520T000000Z
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
S
expect "deb822, the installer's layout" \
  "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main" \
  "$dir/debian.sources"

# The archive comes after entries that must be passed over.
cat >"$dir/mirror.sources" <<'S'
Types: deb
URIs: http://skipped.example/debian
Suites: bookworm
Components: main
Enabled: no

types: deb-src
uris: http://source-only.example/debian
suites: bookworm
components: main

Types: deb
URIs: http://contrib-only.example/debian
Suites: bookworm
Components: contrib non-free

Types: deb
URIs: http://backports.example/debian
Suites: bookworm-backports
Components: main

Types: deb deb-src
URIs: cdrom:[Debian_12]/
  http://10.0.0.5:3142/debian
Suites: bookworm
Components: main contrib
S
expect "deb822, a local mirror after disabled, source-only, contrib-only, backports and disc entries" \
  "deb http://10.0.0.5:3142/debian trixie main" "$dir/mirror.sources"

cat >"$dir/inline-key.sources" <<'S'
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPazmABEADAsTo8ZMF8sNe
 -----END PGP PUBLIC KEY BLOCK-----
S
expect "deb822, a key written into the entry is left to apt's keyring" \
  "deb http://mirror.example/debian trixie main" "$dir/inline-key.sources"

cat >"$dir/sources.list" <<'S'
# deb http://commented.example/debian bookworm main
deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm main
deb http://security.debian.org/debian-security bookworm-security main
deb http://mirror.example.org/debian bookworm-updates main
deb-src http://mirror.example.org/debian bookworm main
deb http://mirror.example.org/debian/ bookworm main contrib non-free-firmware # the archive
deb http://later.example/debian bookworm main
S
expect "one-line, a mirror after disc, security, updates and source entries" \
  "deb http://mirror.example.org/debian/ trixie main" "$dir/sources.list"

cat >"$dir/options.list" <<'S'
deb [ arch=amd64 signed-by=/etc/apt/keyrings/mirror.gpg ] http://apt.example:3142/debian bookworm main
S
expect "one-line, options spread over words: the key stays, the architecture goes" \
  "deb [signed-by=/etc/apt/keyrings/mirror.gpg] http://apt.example:3142/debian trixie main" \
  "$dir/options.list"

cat >"$dir/unsigned.list" <<'S'
deb [trusted=yes arch=amd64] file:/srv/mirror bookworm main
S
expect "one-line, an unsigned local mirror stays trusted" \
  "deb [trusted=yes] file:/srv/mirror trixie main" "$dir/unsigned.list"

cat >"$dir/security-only.list" <<'S'
deb http://deb.debian.org/debian-security bookworm-security main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian trixie main
S
expect "no archive of the running release: nothing, and a failure" "" "$dir/security-only.list"

expect "sources.list is read before the parts" \
  "deb http://mirror.example.org/debian/ trixie main" "$dir/sources.list" "$dir/debian.sources"

# Without arguments it reads the files apt reads.
mkdir -p "$dir/etc/apt/sources.list.d" "$dir/etc/apt/apt.conf.d"
cp "$dir/security-only.list" "$dir/etc/apt/sources.list"
cp "$dir/debian.sources" "$dir/etc/apt/sources.list.d/debian.sources"
echo "Dir::Etc \"$dir/etc/apt/\";" >"$dir/apt.conf"
APT_CONFIG=$dir/apt.conf expect "apt's own files, the archive in sources.list.d" \
  "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main"

[ $failures -eq 0 ]
