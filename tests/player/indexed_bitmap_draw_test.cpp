#include "indexed_bitmap_draw.h"

#include <gtest/gtest.h>

namespace {

// Draws through a logical palette into a 32-bit DIB section and reads the pixels.
TEST(IndexedBitmapDraw, ShowsPaletteEntriesOneToOne) {
  const int width = 5, height = 3;
  IndexedBitmap bitmap;
  CreateIndexedBitmap(&bitmap, width, height);
  ASSERT_NE(bitmap.pixels, nullptr);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) *BitmapRowAddress(&bitmap, x, height - 1 - y) = static_cast<BYTE>(y * width + x);

  struct {
    WORD version, count;
    PALETTEENTRY entries[256];
  } logical = {0x300, 256, {}};
  for (int i = 0; i < 256; i++)
    logical.entries[i] = PALETTEENTRY{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
  ASSERT_NE(palette, nullptr);

  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = 8;
  target.bmiHeader.biHeight = -6;  // top-down, so row y is bits + y * 8
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP surface = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(surface, nullptr);
  HGDIOBJ oldSurface = SelectObject(dc, surface);
  HPALETTE oldPalette = SelectPalette(dc, palette, FALSE);
  RealizePalette(dc);
  DWORD* out = static_cast<DWORD*>(bits);
  for (int i = 0; i < 8 * 6; i++) out[i] = 0x00123456;

  EXPECT_EQ(DrawIndexedBitmap(&bitmap, dc, 2, 1), height);
  GdiFlush();
  for (int y = 0; y < 6; y++)
    for (int x = 0; x < 8; x++) {
      DWORD pixel = out[y * 8 + x] & 0xFFFFFF;
      int bx = x - 2, by = y - 1;
      if (bx >= 0 && bx < width && by >= 0 && by < height) {
        int v = by * width + bx;
        DWORD expected = RGB(v * 7, 255 - v, v * 3);  // a DIB pixel is 0x00RRGGBB
        EXPECT_EQ(pixel, expected) << "pixel " << x << "," << y;
      } else {
        EXPECT_EQ(pixel, 0x123456u) << "outside at " << x << "," << y;
      }
    }

  SelectPalette(dc, oldPalette, FALSE);
  SelectObject(dc, oldSurface);
  DeleteObject(surface);
  DeleteDC(dc);
  DeleteObject(palette);
  ReleaseIndexedBitmap(&bitmap);
}

}  // namespace
