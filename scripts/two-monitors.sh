#!/usr/bin/env bash
# Runs a command on an X server of two monitors, as Xorg's dummy driver makes
# them: the primary, 1024 x 768, and one of 800 x 600 LAYOUT it (left-of or
# above), in the Wine prefix PREFIX (WINE_PREFIX_SUFFIX appended, as wine-env.sh
# says), whose wineserver is started afresh so that it sees the layout. Xvfb
# cannot: its screens all stand at (0,0). Fails, saying why, when the server
# cannot be started.
# usage: two-monitors.sh LAYOUT PREFIX COMMAND...
set -euo pipefail
layout=$1 prefix=$2
shift 2
case "$layout" in left-of|above) ;; *) echo "two-monitors: no layout $layout" >&2; exit 2 ;; esac

for n in $(seq 140 180); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
work=$(mktemp -d)
cat > "$work/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 128000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768"
    Virtual 2048 2048
  EndSubSection
EndSection
CONF
Xorg ":$n" -config "$work/xorg.conf" -noreset -nolisten tcp -novtswitch -sharevts -logfile "$work/xorg.log" \
  >"$work/xorg.out" 2>&1 &
xorg=$!
export WINEPREFIX=$prefix${WINE_PREFIX_SUFFIX:-}
stop() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xorg" 2>/dev/null || true
  wait "$xorg" 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  kill -0 "$xorg" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "/tmp/.X11-unix/X$n" ]; then
  echo "two-monitors: Xorg did not start on :$n:" >&2
  tail -n 15 "$work/xorg.out" "$work/xorg.log" >&2 2>/dev/null || true
  exit 1
fi
export DISPLAY=":$n"
xrandr --addmode DUMMY1 800x600
xrandr --output DUMMY0 --mode 1024x768 --primary --output DUMMY1 --mode 800x600 "--$layout" DUMMY0
# A full query has the server probe its outputs again; a client that asks for
# the cheap current state before that (Wine does) is told of one monitor.
xrandr --query >/dev/null
# A wineserver of another layout would go on reporting that one.
wineserver -k >/dev/null 2>&1 || true
"$@"
