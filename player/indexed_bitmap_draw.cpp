#include "indexed_bitmap_draw.h"

int DrawIndexedBitmap(const IndexedBitmap* bitmap, HDC dc, int x, int y) {
  return StretchDIBits(dc, x, y, bitmap->width, bitmap->height, 0, 0, bitmap->width, bitmap->height,
                       bitmap->pixels, bitmap->info, DIB_PAL_COLORS, SRCCOPY);
}
