// The records the start-up fills and the playback window reads. Each is a single
// instance, zero or empty at program start.
#pragma once

#include <windows.h>

#include "gif_parser.h"
#include "indexed_bitmap.h"
#include "words_band.h"

extern HINSTANCE appInstance;
extern GifAnimation animation;
// The logical screen that frames are composited onto.
extern IndexedBitmap canvas;
// Built from the global colour table; 0 when there is none.
extern HPALETTE appPalette;
// The sender's words, UTF-16, and their length in code units; 0 for none.
extern wchar_t senderWords[kMaxWordsUnits];
extern int senderWordsLength;
