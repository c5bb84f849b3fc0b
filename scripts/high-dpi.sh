#!/usr/bin/env bash
# Runs a command on a display of DPI pixels per logical inch (192 for 200%, 144
# for 150%), as a laptop of today shows its programs: an Xvfb screen of 2048 x
# 1536, large enough for the windows scaled up, and the Wine prefix PREFIX
# (WINE_PREFIX_SUFFIX appended, as wine-env.sh says) told the display's DPI,
# with a wineserver started afresh so that it reads it.
# usage: high-dpi.sh DPI PREFIX COMMAND...
set -euo pipefail
dpi=$1 prefix=$2
shift 2
case "$dpi" in ''|*[!0-9]*) echo "high-dpi: no DPI $dpi" >&2; exit 2 ;; esac

for n in $(seq 190 230); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 2048x1536x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n" WINEPREFIX=$prefix${WINE_PREFIX_SUFFIX:-}
stop() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$n" ] || { echo "high-dpi: Xvfb did not start on :$n" >&2; exit 1; }

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# The DPI is read as the server starts.
wineserver -k >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
"$@"
