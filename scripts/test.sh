#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: the native
# core under the sanitizers and the Windows programs under Wine on a virtual
# display. Exits non-zero on any failure.
#   ./test.sh          the long runs at a length that shows a leak per paint or
#                      frame many times over (600 paints, 2,000 frames)
#   ./test.sh --soak   the long runs at full length (10,000 paints and 100 About
#                      boxes, 10,000 frames), as CI runs them
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  "") ;;
  --soak) export SOAK=1 ;;
  *) echo "usage: $0 [--soak]" >&2; exit 2 ;;
esac

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
source "$root/scripts/display.sh"

# The two trees' tests side by side: the native ones are busy on the cores (the
# fuzzers above all), the Windows ones mostly wait on Wine and the display. The
# native log is shown when both are done.
host_log="$root/build/host/test.log"
ctest --test-dir "$root/build/host" --output-on-failure -j "$(nproc)" > "$host_log" 2>&1 &
host=$!
status=0
ctest --test-dir "$root/build/win" --output-on-failure -j "$(nproc)" --timeout 300 || status=1
wait "$host" || status=1
echo "== native tests ($host_log)"
cat "$host_log"
exit $status
