#!/usr/bin/env bash
# Builds everything and runs the main job: the sample greeting, played under Wine.
#   ./run.sh            pack samples/greeting.gif, samples/greeting.mid and the
#                       words of samples/greeting.txt into
#                       build/win/bin/greeting.exe and play it
#   ./run.sh glimmer    run the peeker
#   ./run.sh maker      run the greeting maker on the sample animation and song
#   ./run.sh dist       write the release bundle to build/dist/ and build/dist.zip:
#                       the programs, the sample greeting as a .exe and as a
#                       web page, the readme and the web page's notices
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
    --message-file "$root/samples/greeting.txt" "$root/samples/greeting.gif" -o "$1"
}

if [ "$job" = dist ]; then
  dist="$root/build/dist"
  rm -rf "$dist" "$root/build/dist.zip"
  mkdir -p "$dist"
  cp "$bin/glimmer.exe" "$bin/loopvue.exe" "$bin/loopvue-maker.exe" "$bin/loopvue-pack.exe" "$dist/"
  pack_greeting "$dist/greeting.exe"
  # The same greeting for the web; every page carries the software its notices name.
  "$root/build/host/bin/loopvue-pack" --web --midi "$root/samples/greeting.mid" \
    --message-file "$root/samples/greeting.txt" "$root/samples/greeting.gif" -o "$dist/greeting.html"
  sed 's/$/\r/' "$root/dist/README.txt" > "$dist/README.txt"
  sed 's/$/\r/' "$root/web/THIRD-PARTY-NOTICES.txt" > "$dist/THIRD-PARTY-NOTICES.txt"
  (cd "$dist" && zip -q -X "$root/build/dist.zip" README.txt THIRD-PARTY-NOTICES.txt glimmer.exe loopvue.exe \
    loopvue-maker.exe loopvue-pack.exe greeting.exe greeting.html)
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
    "$(winepath -w "$root/samples/greeting.gif")" "$(winepath -w "$root/samples/greeting.mid")" \
    "$(winepath -w "$root/samples/greeting.txt")"
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

# run_program TELL TOLD SECONDS SHOOT PROGRAM [ARGUMENT...]: on a display, says
# TELL and runs the program until its window is closed; headless, runs it for
# SECONDS, has the function SHOOT save the screen under $shots, stops it and
# says TOLD.
run_program() {
  local tell=$1 told=$2 seconds=$3 shoot=$4
  shift 4
  if [ "$headless" = 0 ]; then
    echo "$tell"
    wine "$@"
    return
  fi
  wine "$@" &
  local program=$!
  sleep "$seconds"
  mkdir -p "$shots"
  "$shoot"
  kill "$program" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  echo "$told"
}
shoot_greeting() { import -window root -trim +repage "$shots/greeting.png"; }
shoot_maker() { import -window root -trim +repage "$shots/maker.png"; }
# The rise, four times half a second apart, over the bottom of the screen.
shoot_glimmer() {
  for i in 1 2 3 4; do
    import -window root -crop 1024x260+0+508 +repage "$shots/glimmer-rise-$i.png"
    sleep 0.5
  done
}

case "$job" in
  greeting)
    pack_greeting "$bin/greeting.exe"
    echo "Packed $bin/greeting.exe"
    no_sound_note "its song is"
    run_program "Playing it on ${DISPLAY}; close its window to end." \
      "Played it on a virtual display; screenshot: $shots/greeting.png" 5 shoot_greeting "$bin/greeting.exe"
    ;;
  maker)
    gif=$(winepath -w "$root/samples/greeting.gif")
    song=$(winepath -w "$root/samples/greeting.mid")
    no_sound_note "the song it plays with Listen is"
    run_program "Running the greeting maker on $DISPLAY with the sample animation and song; close its window to end." \
      "Ran the greeting maker on a virtual display; screenshot: $shots/maker.png" \
      6 shoot_maker "$bin/loopvue-maker.exe" "$gif" "$song"
    ;;
  glimmer)
    no_sound_note "its sounds are"
    backdrop=
    if [ "$headless" = 1 ]; then
      # Something to peek over: a backdrop on the root window.
      /usr/bin/convert -size 1024x768 gradient:'#4a7bd0'-'#f0e0a0' "$root/build/backdrop.png"
      display -window root "$root/build/backdrop.png" &
      backdrop=$!
      sleep 1
    fi
    run_program "Running the peeker on $DISPLAY; it peeks every three to four minutes. Click it for its About box." \
      "Ran the peeker on a virtual display; screenshots of its rise: $shots/glimmer-rise-*.png" \
      3 shoot_glimmer "$bin/glimmer.exe"
    [ -z "$backdrop" ] || kill "$backdrop" 2>/dev/null || true
    ;;
  *)
    echo "usage: ./run.sh [greeting|glimmer|maker|dist|screenshots]" >&2
    exit 2
    ;;
esac
