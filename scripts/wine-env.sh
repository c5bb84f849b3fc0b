# The Wine environment the Windows programs run in here, and the prefix named by
# WINEPREFIX, made on first use. Sourced, with WINEPREFIX set, by display.sh
# and by the build tree's wine-run (which CTest runs every Windows test through).
export WINEDEBUG="${WINEDEBUG:--all}"
# No offer to install Mono or Gecko.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  # Tests start side by side: one of them makes it, the others wait.
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1'
fi
