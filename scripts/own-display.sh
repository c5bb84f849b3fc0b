#!/usr/bin/env bash
# Runs a command on a virtual display of its own, 1024 x 768 as display.sh's
# unless --screen says otherwise, in the Wine prefix PREFIX (WINE_PREFIX_SUFFIX
# appended, as for the other displays), whose wineserver is started afresh
# there.
#   --dpi N   the prefix told the display's DPI, as a laptop of today shows
#             its programs: 192 for 200%, 144 for 150%
# For the programs that put an icon in the notification area (with no X tray,
# Wine shows such icons in a window of its own at (0,0)-(166,45), over what
# other tests open there), and for the tests at 150% and 200%.
# usage: own-display.sh [--screen WxH] [--dpi N] PREFIX COMMAND...
set -euo pipefail
screen=1024x768 dpi=
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    *) break ;;
  esac
done
case "$dpi" in *[!0-9]*) echo "own-display: no DPI $dpi" >&2; exit 2 ;; esac
prefix=$1
shift

# The server picks a free display number itself and says which: two scripts
# looking for a free one at once would both find the same.
said=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$said" >/dev/null 2>&1 &
xvfb=$!
export WINEPREFIX=$prefix${WINE_PREFIX_SUFFIX:-}
stop() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$said"
}
trap stop EXIT
for _ in $(seq 1 50); do [ -s "$said" ] && break; sleep 0.1; done
n=$(tr -dc 0-9 <"$said")
[ -n "$n" ] || { echo "own-display: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$n"

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
if [ -n "$dpi" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
fi
# A server of another display, or of another DPI, would go on with that one.
wineserver -k >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
"$@"
