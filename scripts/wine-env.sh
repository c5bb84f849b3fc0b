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
# Uniscribe draws a character the chosen font lacks in the font its registry
# names for the character's script: Wine's built-in choices name Windows fonts
# these machines lack, so the prefix names Debian's (fonts-noto-cjk for the
# Han script, Symbola for everything else, emoji included). Once per prefix.
fallback_stamp="$WINEPREFIX/uniscribe-fallback.stamp"
if [ ! -f "$fallback_stamp" ]; then
  flock "$WINEPREFIX.lock" sh -c '
    [ -f "$1" ] && exit 0
    key="HKCU\\Software\\Wine\\Uniscribe\\Fallback"
    wine reg add "$key" /v 696e6168 /t REG_SZ /d "Noto Sans CJK SC" /f >/dev/null 2>&1 &&
      wine reg add "$key" /v 0 /t REG_SZ /d Symbola /f >/dev/null 2>&1 && touch "$1"' sh "$fallback_stamp"
fi
