#include "indexed_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// A bitmap with pixels, released at the end of the test.
struct Bitmap {
  Bitmap(int32_t width, int32_t height) { CreateIndexedBitmap(&b, width, height); }
  ~Bitmap() { ReleaseIndexedBitmap(&b); }
  uint8_t& At(int32_t x, int32_t y) { return *BitmapRowAddress(&b, x, b.height - 1 - y); }
  void Fill(uint8_t seed) {
    for (int32_t y = 0; y < b.height; y++)
      for (int32_t x = 0; x < b.width; x++) At(x, y) = static_cast<uint8_t>(seed + x * 7 + y * 13);
  }
  IndexedBitmap b;
};

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(IndexedBitmap, LayoutOfTheRecord) {
  for (auto [width, stride] : {std::pair{1, 4}, {4, 4}, {5, 8}, {454, 456}, {2048, 2048}}) {
    Bitmap bitmap(width, 3);
    EXPECT_EQ(bitmap.b.stride, stride) << "width " << width;
    EXPECT_EQ(bitmap.b.header.biSizeImage, static_cast<DWORD>(3 * stride));
  }
  Bitmap bitmap(10, 7);
  const BITMAPINFOHEADER& h = bitmap.b.header;
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 10);
  EXPECT_EQ(h.biHeight, 7);  // positive: stored bottom-up
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 8);
  EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(h.biClrUsed, 256u);
  EXPECT_EQ(h.biClrImportant, 0u);
  EXPECT_EQ(reinterpret_cast<const void*>(bitmap.b.info), reinterpret_cast<const void*>(&bitmap.b.header));
  // The index table follows the header directly, as BITMAPINFO's colour table.
  const uint16_t* indices = reinterpret_cast<const uint16_t*>(reinterpret_cast<const uint8_t*>(bitmap.b.info) + 40);
  for (int i = 0; i < 256; i++) EXPECT_EQ(indices[i], i);
  EXPECT_EQ(bitmap.b.ownsPixels, 1);
  EXPECT_NE(bitmap.b.pixels, nullptr);
}

TEST(IndexedBitmap, RowsAreStoredBottomUp) {
  Bitmap bitmap(5, 4);
  uint8_t* base = bitmap.b.pixels;
  EXPECT_EQ(BitmapRowAddress(&bitmap.b, 0, 0), base);                 // bottom row on screen
  EXPECT_EQ(BitmapRowAddress(&bitmap.b, 0, 3), base + 3 * 8);         // display row 0, the top
  EXPECT_EQ(BitmapRowAddress(&bitmap.b, 4, 1), base + 1 * 8 + 4);

  // A canvas is cleared to index 0, padding included, before any frame covers it.
  bitmap.Fill(9);
  ClearIndexedBitmap(&bitmap.b);
  for (int32_t i = 0; i < 4 * 8; i++) EXPECT_EQ(base[i], 0) << "byte " << i;
}

TEST(IndexedBitmap, SizesThatCannotBeAllocatedLeaveNoPixels) {
  const std::pair<int32_t, int32_t> refused[] = {{0, 10}, {10, 0}, {-1, 10}, {10, -5}, {65536, 1},
                                                 {1, 65536}, {65535, 65535}, {40000, 60000}, {INT32_MAX, 2}};
  for (auto [width, height] : refused) {
    IndexedBitmap bitmap;
    CreateIndexedBitmap(&bitmap, width, height);
    EXPECT_EQ(bitmap.pixels, nullptr) << width << " x " << height;
    EXPECT_EQ(bitmap.ownsPixels, 1);
    ReleaseIndexedBitmap(&bitmap);  // nothing to return
  }
  Bitmap widest(65535, 1);
  EXPECT_NE(widest.b.pixels, nullptr);
  EXPECT_EQ(widest.b.stride, 65536);
}

TEST(IndexedBitmap, CompositeInsideCopiesExactlyTheRectangle) {
  Bitmap dest(30, 20), source(12, 9);
  dest.Fill(1);
  source.Fill(100);
  Bitmap before(30, 20);
  before.Fill(1);
  RECT r = Rect(4, 6, 14, 13);
  CompositeBitmap(&dest.b, &source.b, &r, 0, 0, -1);
  ExpectRect(r, 4, 6, 14, 13);
  for (int y = 0; y < 20; y++)
    for (int x = 0; x < 30; x++) {
      bool inside = x >= 4 && x < 14 && y >= 6 && y < 13;
      EXPECT_EQ(dest.At(x, y), inside ? source.At(x - 4, y - 6) : before.At(x, y)) << x << "," << y;
    }
}

TEST(IndexedBitmap, CompositeClipsToBothBitmaps) {
  Bitmap source(20, 20);
  source.Fill(50);
  {
    // Negative corner: the overhang moves the source origin.
    Bitmap dest(40, 40);
    dest.Fill(0);
    RECT r = Rect(-5, -3, 15, 17);
    CompositeBitmap(&dest.b, &source.b, &r, 0, 0, -1);
    ExpectRect(r, 0, 0, 15, 17);
    EXPECT_EQ(dest.At(0, 0), source.At(5, 3));
    EXPECT_EQ(dest.At(14, 16), source.At(19, 19));
    EXPECT_EQ(dest.At(15, 0), 15 * 7);  // left as it was
    EXPECT_EQ(dest.At(0, 17), 17 * 13);
  }
  {
    // Past the destination's right and bottom edges.
    Bitmap dest(25, 22);
    RECT r = Rect(10, 12, 30, 32);
    CompositeBitmap(&dest.b, &source.b, &r, 0, 0, -1);
    ExpectRect(r, 10, 12, 25, 22);
    EXPECT_EQ(dest.At(24, 21), source.At(14, 9));
  }
  {
    // Larger than the source.
    Bitmap dest(100, 100);
    RECT r = Rect(3, 4, 80, 90);
    CompositeBitmap(&dest.b, &source.b, &r, 0, 0, -1);
    ExpectRect(r, 3, 4, 23, 24);
  }
  {
    // Wholly outside: nothing copied, an empty rectangle back.
    Bitmap dest(10, 10);
    dest.Fill(9);
    for (RECT r : {Rect(10, 0, 20, 5), Rect(0, 10, 5, 20), Rect(-30, -30, -20, -20), Rect(5, 5, 5, 8)}) {
      CompositeBitmap(&dest.b, &source.b, &r, 0, 0, -1);
      EXPECT_TRUE(r.right <= r.left || r.bottom <= r.top);
    }
    Bitmap untouched(10, 10);
    untouched.Fill(9);
    for (int y = 0; y < 10; y++)
      for (int x = 0; x < 10; x++) EXPECT_EQ(dest.At(x, y), untouched.At(x, y));
  }
}

TEST(IndexedBitmap, CompositeTransparentIndex) {
  Bitmap dest(4, 1), source(4, 1);
  const uint8_t src[4] = {0, 5, 0, 255};
  for (int x = 0; x < 4; x++) {
    source.At(x, 0) = src[x];
    dest.At(x, 0) = 77;
  }
  RECT r = Rect(0, 0, 4, 1);
  CompositeBitmap(&dest.b, &source.b, &r, 0, 0, 0);
  EXPECT_EQ(dest.At(0, 0), 77);
  EXPECT_EQ(dest.At(1, 0), 5);
  EXPECT_EQ(dest.At(2, 0), 77);
  EXPECT_EQ(dest.At(3, 0), 255);

  CompositeBitmap(&dest.b, &source.b, &r, 0, 0, 255);
  EXPECT_EQ(dest.At(0, 0), 0);
  EXPECT_EQ(dest.At(3, 0), 255);  // kept from before: the key leaves it

  for (int x = 0; x < 4; x++) dest.At(x, 0) = 77;
  CompositeBitmap(&dest.b, &source.b, &r, 0, 0, 300);  // matches no byte
  for (int x = 0; x < 4; x++) EXPECT_EQ(dest.At(x, 0), src[x]);
}

TEST(IndexedBitmap, CompositeWithoutPixelsWritesNothing) {
  Bitmap dest(8, 8);
  dest.Fill(3);
  IndexedBitmap empty;
  CreateIndexedBitmap(&empty, 0, 0);
  RECT r = Rect(0, 0, 8, 8);
  CompositeBitmap(&dest.b, &empty, &r, 0, 0, -1);
  EXPECT_EQ(dest.At(0, 0), 3);
  IndexedBitmap noBlock;
  CreateIndexedBitmap(&noBlock, 70000, 4);
  r = Rect(0, 0, 8, 8);
  CompositeBitmap(&noBlock, &dest.b, &r, 0, 0, -1);  // must not write through null
  EXPECT_EQ(noBlock.pixels, nullptr);
}

// Against a per-pixel model: destination pixel (x, y) inside the destination and
// the rectangle takes source pixel (x - left + sx, y - top + sy) when that exists.
TEST(IndexedBitmap, CompositeMatchesAPerPixelModel) {
  std::mt19937 random(12345);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int round = 0; round < 400; round++) {
    int dw = pick(1, 24), dh = pick(1, 24), sw = pick(1, 24), sh = pick(1, 24);
    Bitmap dest(dw, dh), source(sw, sh), model(dw, dh);
    dest.Fill(static_cast<uint8_t>(round));
    model.Fill(static_cast<uint8_t>(round));
    source.Fill(static_cast<uint8_t>(round * 3 + 1));
    int left = pick(-30, 30), top = pick(-30, 30);
    int sx = pick(0, 10), sy = pick(0, 10);
    RECT r = Rect(left, top, left + pick(-3, 30), top + pick(-3, 30));
    const RECT asked = r;
    CompositeBitmap(&dest.b, &source.b, &r, sx, sy, -1);

    int covered = 0;
    for (int y = 0; y < dh; y++)
      for (int x = 0; x < dw; x++) {
        int u = x - asked.left + sx, v = y - asked.top + sy;
        bool inRect = x >= asked.left && x < asked.right && y >= asked.top && y < asked.bottom;
        if (inRect && u >= sx && v >= sy && u < sw && v < sh) {
          model.At(x, y) = source.At(u, v);
          covered++;
          EXPECT_TRUE(x >= r.left && x < r.right && y >= r.top && y < r.bottom) << "round " << round;
        }
        ASSERT_EQ(dest.At(x, y), model.At(x, y)) << "round " << round << " at " << x << "," << y;
      }
    int area = (r.right > r.left && r.bottom > r.top) ? (r.right - r.left) * (r.bottom - r.top) : 0;
    EXPECT_EQ(area, covered) << "round " << round;
  }
}

TEST(IndexedBitmap, CopyBytesCopiesForwards) {
  std::vector<uint8_t> from(300), to(300, 0xEE);
  for (int i = 0; i < 300; i++) from[i] = static_cast<uint8_t>(i);
  CopyBytes(to.data() + 1, from.data(), 298);
  EXPECT_EQ(to[0], 0xEE);
  EXPECT_EQ(to[1], 0);
  EXPECT_EQ(to[298], 297 & 0xFF);
  EXPECT_EQ(to[299], 0xEE);
  CopyBytes(to.data(), from.data(), 0);
  EXPECT_EQ(to[0], 0xEE);
}

}  // namespace
