#include "blit.h"

#include <gtest/gtest.h>
#include "support/dib_info.h"

namespace {

// A 32-bit top-down DIB section in a fresh memory DC (black text, white
// background), its pixels readable as 0x00RRGGBB.
class Surface {
 public:
  Surface(int w, int h) : width(w), height(h) {
    BITMAPINFO info = TopDownInfo32(w, h);
    dc = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<DWORD*>(pixels);
    previous = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  DWORD& At(int x, int y) { return bits[y * width + x]; }
  DWORD Read(int x, int y) {
    GdiFlush();
    return At(x, y) & 0xFFFFFF;
  }

  int width, height;
  HDC dc;
  HBITMAP bitmap;
  DWORD* bits;
  HGDIOBJ previous;
};

DWORD DestinationPattern(int x, int y) { return 0x00A0B0C0 + static_cast<DWORD>(x * 0x010203 + y * 0x030201); }

// 0x00RRGGBB of a COLORREF.
DWORD DibPixel(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

// Every destination pixel inside the transferred area comes from the source at
// the same offset, except source pixels equal to `key` in a keyed transfer;
// every other pixel keeps the destination pattern.
void ExpectTransfer(Surface& dst, int dx, int dy, int w, int h, Surface& src, int sx, int sy, DWORD key, bool keyed) {
  for (int y = 0; y < dst.height; y++)
    for (int x = 0; x < dst.width; x++) {
      DWORD expected = DestinationPattern(x, y);
      if (x >= dx && x < dx + w && y >= dy && y < dy + h) {
        const DWORD s = src.Read(sx + x - dx, sy + y - dy);
        if (!keyed || s != key) expected = s;
      }
      EXPECT_EQ(dst.Read(x, y), expected) << "destination pixel " << x << "," << y;
    }
}

struct Sizes {
  int dWidth, dHeight, sWidth, sHeight;
  int width, height;  // what is transferred
};

// Distinct sizes, so a width taken from a height or from the larger side shows.
const Sizes kSizeCases[] = {
    {3, 4, 5, 2, 3, 2},  // width from the destination, height from the source
    {6, 1, 2, 5, 2, 1},  // width from the source, height from the destination
    {4, 3, 4, 3, 4, 3},
};

TEST(BlitCopy, CopiesTheSmallerSizeAtTheGivenOrigins) {
  for (const Sizes& c : kSizeCases) {
    SCOPED_TRACE(testing::Message() << "dst " << c.dWidth << "x" << c.dHeight << ", src " << c.sWidth << "x"
                                    << c.sHeight);
    Surface src(8, 8), dst(9, 7);
    for (int y = 0; y < 8; y++)
      for (int x = 0; x < 8; x++) src.At(x, y) = 0x00102030 + static_cast<DWORD>(x * 0x0B0000 + y * 0x000B00);
    for (int y = 0; y < 7; y++)
      for (int x = 0; x < 9; x++) dst.At(x, y) = DestinationPattern(x, y);

    EXPECT_NE(BlitCopy(dst.dc, 2, 1, c.dWidth, c.dHeight, src.dc, 3, 2, c.sWidth, c.sHeight), FALSE);
    ExpectTransfer(dst, 2, 1, c.width, c.height, src, 3, 2, 0, false);
  }
}

// Source pixels: the key, each of its six one-unit neighbours, and some others.
COLORREF SourceColour(COLORREF key, int x, int y) {
  const int r = GetRValue(key), g = GetGValue(key), b = GetBValue(key);
  switch ((x + 2 * y) % 9) {
    case 0: case 1: return key;
    case 2: return RGB(r ^ 1, g, b);
    case 3: return RGB(r, g ^ 1, b);
    case 4: return RGB(r, g, b ^ 1);
    case 5: return RGB(r, g == 0 ? 1 : g - 1, b);
    case 6: return RGB(0, 0, 0);
    case 7: return RGB(255, 255, 255);
    default: return RGB(x * 20, 200 - y * 10, 77);
  }
}

TEST(BlitKeyed, KeepsTheDestinationExactlyWhereTheSourceIsTheKey) {
  const COLORREF keys[] = {RGB(0, 255, 0), RGB(10, 20, 30)};
  for (COLORREF key : keys) {
    for (const Sizes& c : kSizeCases) {
      SCOPED_TRACE(testing::Message() << "key " << std::hex << key << std::dec << ", dst " << c.dWidth << "x"
                                      << c.dHeight << ", src " << c.sWidth << "x" << c.sHeight);
      Surface src(8, 8), dst(9, 7);
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) src.At(x, y) = DibPixel(SourceColour(key, x, y));
      for (int y = 0; y < 7; y++)
        for (int x = 0; x < 9; x++) dst.At(x, y) = DestinationPattern(x, y);
      SetBkColor(src.dc, RGB(1, 2, 3));

      EXPECT_EQ(BlitKeyed(dst.dc, 2, 1, c.dWidth, c.dHeight, src.dc, 3, 2, c.sWidth, c.sHeight, key), 1);
      ExpectTransfer(dst, 2, 1, c.width, c.height, src, 3, 2, DibPixel(key), true);
      EXPECT_EQ(GetBkColor(src.dc), RGB(1, 2, 3)) << "the source's background colour is given back";
    }
  }
}

// The pure-green key beside its near misses: only the exact key is transparent.
TEST(BlitKeyed, CopiesEveryColourOneUnitOffTheKey) {
  Surface src(6, 1), dst(6, 1);
  const COLORREF colours[] = {RGB(1, 255, 0), RGB(0, 254, 0), RGB(0, 255, 1),
                              RGB(0, 255, 0), RGB(1, 254, 1), RGB(255, 0, 255)};
  for (int x = 0; x < 6; x++) {
    src.At(x, 0) = DibPixel(colours[x]);
    dst.At(x, 0) = DestinationPattern(x, 0);
  }
  EXPECT_EQ(BlitKeyed(dst.dc, 0, 0, 6, 1, src.dc, 0, 0, 6, 1, RGB(0, 255, 0)), 1);
  EXPECT_EQ(dst.Read(0, 0), 0x01FF00u) << "red + 1";
  EXPECT_EQ(dst.Read(1, 0), 0x00FE00u) << "green - 1";
  EXPECT_EQ(dst.Read(2, 0), 0x00FF01u) << "blue + 1";
  EXPECT_EQ(dst.Read(3, 0), DestinationPattern(3, 0)) << "key";
  EXPECT_EQ(dst.Read(4, 0), 0x01FE01u) << "one off in every channel";
  EXPECT_EQ(dst.Read(5, 0), 0xFF00FFu) << "the key's complement";
}

}  // namespace
