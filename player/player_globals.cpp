#include "player_globals.h"

HINSTANCE appInstance;
GifAnimation animation;
IndexedBitmap canvas;
HPALETTE appPalette;
wchar_t senderWords[kMaxWordsUnits];
int senderWordsLength;
