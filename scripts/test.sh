#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: the native
# core under the sanitizers and the Windows programs under Wine on a virtual
# display. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
source "$root/scripts/display.sh"

status=0
ctest --test-dir "$root/build/host" --output-on-failure -j "$(nproc)" || status=1
ctest --test-dir "$root/build/win" --output-on-failure -j "$(nproc)" --timeout 300 || status=1
exit $status
