# The Wine environment the Windows programs run in here, and the prefix named by
# WINEPREFIX, made on first use. Sourced, with WINEPREFIX set, by display.sh
# and by the build tree's wine-run (which CTest runs every Windows test through).
# Another Wine upgrades a prefix in place, so each Wine has prefixes of its own:
# under the newer one (scripts/newer-wine.sh) WINE_PREFIX_SUFFIX is appended to
# every prefix path the tests name.
export WINEDEBUG="${WINEDEBUG:--all}"
# No offer to install Mono or Gecko.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  # Tests start side by side: one of them makes it, the others wait.
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1'
fi
