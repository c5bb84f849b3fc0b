#include "indexed_bitmap_draw.h"

int DrawIndexedBitmap(const IndexedBitmap* bitmap, HDC dc, int x, int y, int scale) {
  // Whole blocks, never a blend of neighbours.
  if (scale > 1) SetStretchBltMode(dc, COLORONCOLOR);
  return StretchDIBits(dc, x, y, bitmap->width * scale, bitmap->height * scale, 0, 0, bitmap->width, bitmap->height,
                       bitmap->pixels, bitmap->info, DIB_PAL_COLORS, SRCCOPY);
}

HPALETTE CreateAnimationPalette(const GifAnimation& animation) {
  if (animation.colourCount <= 0) return nullptr;
  // The only version a LOGPALETTE has.
  const WORD kLogPaletteVersion = 0x300;
  struct {
    WORD version;
    WORD count;
    PALETTEENTRY entries[kGifMaxColours];
  } palette;
  palette.version = kLogPaletteVersion;
  palette.count = static_cast<WORD>(animation.colourCount);
  for (int32_t i = 0; i < animation.colourCount; i++) {
    const uint32_t colour = animation.colours[i];
    palette.entries[i] = PALETTEENTRY{static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8),
                                      static_cast<BYTE>(colour >> 16), 0};
  }
  return CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette));
}
