#include "player_globals.h"

HINSTANCE appInstance;
GifAnimation animation;
IndexedBitmap canvas;
HPALETTE appPalette;
