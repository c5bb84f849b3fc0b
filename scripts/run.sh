#!/usr/bin/env bash
# Builds everything and runs the main job: the sample greeting, played under Wine.
#   ./run.sh            pack samples/greeting.gif and samples/greeting.mid into
#                       build/win/bin/greeting.exe and play it
#   ./run.sh glimmer    run the peeker
#   ./run.sh maker      run the greeting maker on the sample animation and song
#   ./run.sh dist       write the release bundle to build/dist/ and build/dist.zip
#   ./run.sh screenshots  take the README's screenshots on a private virtual
#                       display and save them under docs/
# With DISPLAY set the program runs on that display until you close it; without
# one it runs on a private Xvfb for a few seconds and screenshots are saved to
# build/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
job=${1:-greeting}

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

bin="$root/build/win/bin"

shots="$root/build/screenshots"
pack_greeting() {
  "$root/build/host/bin/loopvue-pack" --player "$bin/loopvue.exe" --midi "$root/samples/greeting.mid" \
    "$root/samples/greeting.gif" -o "$1"
}

if [ "$job" = dist ]; then
  dist="$root/build/dist"
  rm -rf "$dist" "$root/build/dist.zip"
  mkdir -p "$dist"
  cp "$bin/glimmer.exe" "$bin/loopvue.exe" "$bin/loopvue-maker.exe" "$bin/loopvue-pack.exe" "$dist/"
  pack_greeting "$dist/greeting.exe"
  sed 's/$/\r/' "$root/dist/README.txt" > "$dist/README.txt"
  (cd "$dist" && zip -q -X "$root/build/dist.zip" README.txt glimmer.exe loopvue.exe loopvue-maker.exe \
    loopvue-pack.exe greeting.exe)
  ls -l "$dist"
  echo "Release bundle: $dist and $root/build/dist.zip"
  exit 0
fi

if [ "$job" = screenshots ]; then
  # Always on a display of our own, so nothing else is in the pictures.
  unset DISPLAY
  source "$root/scripts/display.sh"
  quiet_without_sound
  shots="$root/build/screenshots"
  mkdir -p "$shots" "$root/docs"
  pack_greeting "$bin/greeting.exe"
  # In a Wine desktop window, which draws the windows' frames as Windows does.
  for scene in glimmer greeting; do
    wine explorer /desktop=Screenshots,1024x768 "$bin/screenshot-stage.exe" "$scene" "$bin/$scene.exe" "$shots"
  done
  wine explorer /desktop=Screenshots,1024x768 "$bin/screenshot-stage.exe" maker "$bin/loopvue-maker.exe" "$shots" \
    "$(winepath -w "$root/samples/greeting.gif")" "$(winepath -w "$root/samples/greeting.mid")"
  for name in glimmer about greeting maker; do
    /usr/bin/convert "$shots/$name.ppm" -strip "$root/docs/$name.png"
  done
  ls -l "$root"/docs/*.png
  exit 0
fi

headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source "$root/scripts/display.sh"
quiet_without_sound

case "$job" in
  greeting)
    pack_greeting "$bin/greeting.exe"
    echo "Packed $bin/greeting.exe"
    no_sound_note "its song is"
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
  maker)
    gif=$(winepath -w "$root/samples/greeting.gif")
    song=$(winepath -w "$root/samples/greeting.mid")
    no_sound_note "the song it plays with Listen is"
    if [ "$headless" = 0 ]; then
      echo "Running the greeting maker on $DISPLAY with the sample animation and song; close its window to end."
      wine "$bin/loopvue-maker.exe" "$gif" "$song"
    else
      wine "$bin/loopvue-maker.exe" "$gif" "$song" &
      maker=$!
      sleep 6
      mkdir -p "$shots"
      import -window root -trim +repage "$shots/maker.png"
      kill "$maker" 2>/dev/null || true
      wineserver -k >/dev/null 2>&1 || true
      echo "Ran the greeting maker on a virtual display; screenshot: $shots/maker.png"
    fi
    ;;
  glimmer)
    no_sound_note "its sounds are"
    if [ "$headless" = 0 ]; then
      echo "Running the peeker on $DISPLAY; it peeks every three to four minutes. Click it for its About box."
      wine "$bin/glimmer.exe"
    else
      # Something to peek over: a backdrop on the root window.
      /usr/bin/convert -size 1024x768 gradient:'#4a7bd0'-'#f0e0a0' "$root/build/backdrop.png"
      display -window root "$root/build/backdrop.png" &
      backdrop=$!
      sleep 1
      wine "$bin/glimmer.exe" &
      peeker=$!
      mkdir -p "$shots"
      sleep 3
      for i in 1 2 3 4; do
        import -window root -crop 1024x260+0+508 +repage "$shots/glimmer-rise-$i.png"
        sleep 0.5
      done
      kill "$peeker" "$backdrop" 2>/dev/null || true
      wineserver -k >/dev/null 2>&1 || true
      echo "Ran the peeker on a virtual display; screenshots of its rise: $shots/glimmer-rise-*.png"
    fi
    ;;
  *)
    echo "usage: ./run.sh [greeting|glimmer|maker|dist|screenshots]" >&2
    exit 2
    ;;
esac
