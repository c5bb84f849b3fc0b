#!/usr/bin/env bash
# Builds everything and runs the main job: the sample greeting, played under Wine.
#   ./run.sh            pack samples/greeting.gif and samples/greeting.mid into
#                       build/win/bin/greeting.exe and play it
# With DISPLAY set the greeting plays on that display until you close it;
# without one it plays on a private Xvfb for a few seconds and a screenshot is
# saved to build/screenshots/greeting.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
job=${1:-greeting}

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

bin="$root/build/win/bin"
shots="$root/build/screenshots"
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source "$root/scripts/display.sh"

case "$job" in
  greeting)
    "$root/build/host/bin/loopvue-pack" --player "$bin/loopvue.exe" --midi "$root/samples/greeting.mid" \
      "$root/samples/greeting.gif" -o "$bin/greeting.exe"
    echo "Packed $bin/greeting.exe"
    if [ "$headless" = 0 ]; then
      echo "Playing it on $DISPLAY; close its window to end."
      wine "$bin/greeting.exe"
    else
      wine "$bin/greeting.exe" &
      player=$!
      sleep 5
      mkdir -p "$shots"
      import -window root -trim +repage "$shots/greeting.png"
      kill "$player" 2>/dev/null || true
      wineserver -k >/dev/null 2>&1 || true
      echo "Played it on a virtual display; screenshot: $shots/greeting.png"
    fi
    ;;
  *)
    echo "usage: ./run.sh [greeting]" >&2
    exit 2
    ;;
esac
