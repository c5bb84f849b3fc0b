// The records the start-up fills and the playback window reads. Each is a single
// instance, zero or empty at program start.
#pragma once

#include <windows.h>

#include "gif_parser.h"
#include "indexed_bitmap.h"

extern HINSTANCE appInstance;
extern GifAnimation animation;
// The logical screen that frames are composited onto.
extern IndexedBitmap canvas;
// Built from the global colour table; 0 when there is none.
extern HPALETTE appPalette;
