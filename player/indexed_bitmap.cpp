#include "indexed_bitmap.h"

#include <cstring>

#include "global_block.h"

// A side of a pixel block: GIF sizes are 16-bit.
static const int32_t kMaxBitmapSide = 65535;

// Fills the record for width x height without pixels.
static void InitIndexedBitmap(IndexedBitmap* bitmap, int32_t width, int32_t height) {
  bitmap->width = width;
  bitmap->height = height;
  bitmap->stride = static_cast<int32_t>((static_cast<uint32_t>(width) + 3u) & ~3u);
  BITMAPINFOHEADER& header = bitmap->header;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(static_cast<uint32_t>(height) * static_cast<uint32_t>(bitmap->stride));
  header.biXPelsPerMeter = 0;
  header.biYPelsPerMeter = 0;
  header.biClrUsed = 256;
  header.biClrImportant = 0;
  for (int i = 0; i < 256; i++) bitmap->colourIndices[i] = static_cast<uint16_t>(i);
  bitmap->info = reinterpret_cast<BITMAPINFO*>(&bitmap->header);
  bitmap->ownsPixels = 0;
  bitmap->pixels = nullptr;
}

void CreateIndexedBitmap(IndexedBitmap* bitmap, int32_t width, int32_t height) {
  InitIndexedBitmap(bitmap, width, height);
  bitmap->ownsPixels = 1;
  if (width < 1 || width > kMaxBitmapSide || height < 1 || height > kMaxBitmapSide) return;
  // At most 65536 x 65535 bytes: computed in 64 bits, refused above 2^31 - 1.
  int64_t bytes = static_cast<int64_t>(bitmap->stride) * height;
  if (bytes > INT32_MAX) return;
  bitmap->pixels = static_cast<uint8_t*>(AllocFixedBlock(bytes));
}

void ClearIndexedBitmap(IndexedBitmap* bitmap) {
  if (bitmap->pixels) std::memset(bitmap->pixels, 0, static_cast<size_t>(bitmap->stride) * bitmap->height);
}

void ReleaseIndexedBitmap(IndexedBitmap* bitmap) {
  if (bitmap->ownsPixels && bitmap->pixels) FreeFixedBlock(bitmap->pixels);
}

uint8_t* BitmapRowAddress(const IndexedBitmap* bitmap, int32_t x, int32_t r) {
  return bitmap->pixels + static_cast<intptr_t>(r) * bitmap->stride + x;
}

void CompositeBitmap(IndexedBitmap* dest, const IndexedBitmap* source, RECT* rect, int32_t sourceX,
                     int32_t sourceY, int32_t transparent) {
  // Clipped in this order, so that the rectangle that comes back is exactly the
  // area covered (and empty when nothing is).
  int64_t left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
  int64_t sx = sourceX, sy = sourceY;
  if (left < 0) {
    sx -= left;
    left = 0;
  }
  if (top < 0) {
    sy -= top;
    top = 0;
  }
  if (right > dest->width) right = dest->width;
  if (bottom > dest->height) bottom = dest->height;
  if (sx < 0) {
    left -= sx;
    sx = 0;
  }
  if (sy < 0) {
    top -= sy;
    sy = 0;
  }
  if (right - left + sx > source->width) right = left - sx + source->width;
  if (bottom - top + sy > source->height) bottom = top - sy + source->height;
  rect->left = static_cast<LONG>(left);
  rect->top = static_cast<LONG>(top);
  rect->right = static_cast<LONG>(right);
  rect->bottom = static_cast<LONG>(bottom);
  if (right <= left || bottom <= top) return;
  if (dest->pixels == nullptr || source->pixels == nullptr) return;

  const int32_t w = static_cast<int32_t>(right - left);
  const int32_t h = static_cast<int32_t>(bottom - top);
  for (int32_t i = 0; i < h; i++) {
    uint8_t* to = BitmapRowAddress(dest, static_cast<int32_t>(left), dest->height - 1 - (static_cast<int32_t>(top) + i));
    const uint8_t* from =
        BitmapRowAddress(source, static_cast<int32_t>(sx), source->height - 1 - (static_cast<int32_t>(sy) + i));
    if (transparent < 0 || transparent > 255) {
      CopyBytes(to, from, w);
    } else {
      const uint8_t key = static_cast<uint8_t>(transparent);
      for (int32_t j = 0; j < w; j++) {
        if (from[j] != key) to[j] = from[j];
      }
    }
  }
}

void CopyBytes(void* dest, const void* source, int32_t count) {
  if (count > 0) std::memcpy(dest, source, static_cast<size_t>(count));
}
