// Drawing an IndexedBitmap through the palette selected into a device context.
#pragma once

#include <windows.h>

#include "indexed_bitmap.h"

// Draws the bitmap 1:1 at (x, y) with DIB_PAL_COLORS; returns StretchDIBits' result.
int DrawIndexedBitmap(const IndexedBitmap* bitmap, HDC dc, int x, int y);
