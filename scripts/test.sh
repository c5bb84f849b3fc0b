#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: the native
# core under the sanitizers and the Windows programs under two implementations
# of Windows on a virtual display, Debian 12's Wine 8 here and Debian 13's Wine 10
# in its chroot (scripts/newer-wine.sh). Exits non-zero on any failure.
#   ./test.sh          the long runs at a length that shows a leak per paint or
#                      frame many times over (600 paints, 2,000 frames)
#   ./test.sh --soak   the long runs at full length (10,000 paints and 100 About
#                      boxes, 10,000 frames), as CI runs them
#   --wine 8, --wine 10  the Windows tests under that Wine only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: $0 [--soak] [--wine 8|10]" >&2; exit 2; }
wines="8 10"
while [ $# -gt 0 ]; do
  case "$1" in
    --soak) export SOAK=1 ;;
    --wine) case "${2:-}" in 8|10) wines=$2; shift ;; *) usage ;; esac ;;
    *) usage ;;
  esac
  shift
done
runs() { [[ " $wines " == *" $1 "* ]]; }

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if runs 10; then "$root/scripts/newer-wine.sh" --make; fi
if runs 8; then source "$root/scripts/display.sh"; fi

# The two trees' tests side by side: the native ones are busy on the cores (the
# fuzzers above all), the Windows ones mostly wait on Wine and the display. The
# native log is shown when both are done.
host_log="$root/build/host/test.log"
ctest --test-dir "$root/build/host" --output-on-failure -j "$(nproc)" > "$host_log" 2>&1 &
host=$!
status=0
win=(ctest --test-dir "$root/build/win" --output-on-failure -j "$(nproc)" --timeout 300)
# The checks of the files themselves use the host's mingw tools: they run here
# whichever Wine runs the programs.
if runs 8; then
  echo "== the Windows tests under $(wine --version)"
  "${win[@]}" || status=1
else
  "${win[@]}" -LE wine || status=1
fi
# After Wine 8, not beside it: both would use the build tree's locked folder.
if runs 10; then
  echo "== the Windows tests under Debian 13's Wine 10"
  "$root/scripts/newer-wine.sh" "${win[@]}" -L wine || status=1
fi
wait "$host" || status=1
echo "== native tests ($host_log)"
cat "$host_log"
exit $status
