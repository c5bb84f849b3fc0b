// Drawing an IndexedBitmap through the palette selected into a device context.
#pragma once

#include <windows.h>

#include "gif_parser.h"
#include "indexed_bitmap.h"

// The logical palette of the animation's global colour table, entry for entry;
// null when it has none or the palette cannot be made.
HPALETTE CreateAnimationPalette(const GifAnimation& animation);

// Draws the bitmap at (x, y) with DIB_PAL_COLORS, each of its pixels a block of
// `scale` x `scale`; returns StretchDIBits' result.
int DrawIndexedBitmap(const IndexedBitmap* bitmap, HDC dc, int x, int y, int scale = 1);
