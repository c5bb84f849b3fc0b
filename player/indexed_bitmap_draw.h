// Drawing an IndexedBitmap through the palette selected into a device context.
#pragma once

#include <windows.h>

#include "gif_parser.h"
#include "indexed_bitmap.h"

// The logical palette of the animation's global colour table, entry for entry;
// null when it has none or the palette cannot be made.
HPALETTE CreateAnimationPalette(const GifAnimation& animation);

// Draws the bitmap 1:1 at (x, y) with DIB_PAL_COLORS; returns StretchDIBits' result.
int DrawIndexedBitmap(const IndexedBitmap* bitmap, HDC dc, int x, int y);
