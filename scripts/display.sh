# Sourced by the scripts that run Windows programs: gives them an X display and
# a Wine prefix of their own. Starts Xvfb when no display is set, and stops it
# (and the prefix's wineserver) when the calling script exits.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$root/build/win/wineprefix${WINE_PREFIX_SUFFIX:-}"

xvfb_pid=
stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop_display EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

source "$root/scripts/wine-env.sh"
# Wine draws the symbols on caption buttons and other frame controls with its
# Marlett font; without it they come out as letters ("0 1 r"). Debian's Wine looks
# for its own fonts (package fonts-wine) under a name it cannot open,
# "/usr/share/wine\../fonts", so the font goes into the prefix's Fonts folder,
# which every Wine process reads as it starts: no registration, no wineboot and no
# cache rebuild needed.
wine_marlett=/usr/share/wine/fonts/marlett.ttf
prefix_fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -f "$wine_marlett" ] && ! cmp -s "$wine_marlett" "$prefix_fonts/marlett.ttf"; then
  mkdir -p "$prefix_fonts"
  cp "$wine_marlett" "$prefix_fonts/marlett.ttf"
fi
# Keep one wineserver, with Wine's own services and desktop, for the whole run:
# programs then start quickly, and no service holds a test's output pipe open.
wineserver -p 2>/dev/null || true  # already running: keep that one
wine wineboot >/dev/null 2>&1 </dev/null

# A sound card, or a sound server reached by socket rather than through /dev/snd.
has_sound() {
  compgen -G '/dev/snd/controlC*' >/dev/null || [ -n "${PULSE_SERVER:-}" ] \
    || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]
}
# Without one, Wine's audio drivers fill the terminal with ALSA's errors each time
# a program opens a sound; with no driver loaded the programs just play silently.
# For what run.sh and bench.sh start: the tests keep the prefix's usual drivers.
quiet_without_sound() {
  has_sound || export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv="
}
no_sound_note() {
  has_sound || echo "This machine has no sound device (no card in /dev/snd): $1 not heard."
}
