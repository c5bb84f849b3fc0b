// 8-bit palette-index pictures stored bottom-up with rows padded to 4 bytes: the
// layout StretchDIBits reads with DIB_PAL_COLORS, so drawing needs no conversion.
#pragma once

#include <cstdint>

#include "platform.h"

// The `transparent` of a composite that copies every byte.
const int32_t kNoTransparentIndex = -1;

struct IndexedBitmap {
  int32_t width;
  int32_t height;
  int32_t stride;
  BITMAPINFOHEADER header;
  // Entry i holds i, so pixel value v shows entry v of the selected palette.
  uint16_t colourIndices[256];
  // The header and the indices, as the BITMAPINFO handed to the system.
  BITMAPINFO* info;
  int32_t ownsPixels;
  uint8_t* pixels;
};

// Fills the record for width x height, then gives it a pixel block of height x
// stride bytes (not cleared). Sides outside 1 to 65,535, or a block the
// allocator refuses, leave pixels null.
void CreateIndexedBitmap(IndexedBitmap* bitmap, int32_t width, int32_t height);

// Sets every pixel, padding included, to index 0: how a canvas starts, before
// any frame covers it.
void ClearIndexedBitmap(IndexedBitmap* bitmap);

// Returns the pixel block if the bitmap owns one.
void ReleaseIndexedBitmap(IndexedBitmap* bitmap);

// Column x of stored row r; display row y is stored row height - 1 - y.
uint8_t* BitmapRowAddress(const IndexedBitmap* bitmap, int32_t x, int32_t r);

// Copies a source area onto the destination at `rect` (destination display
// coordinates, right and bottom exclusive), clipped to both bitmaps; `rect` comes
// back as the area covered. Source bytes equal to `transparent` (0-255) leave the
// destination as it was; a negative index such as kNoTransparentIndex, or one
// above 255, copies every byte.
void CompositeBitmap(IndexedBitmap* dest, const IndexedBitmap* source, RECT* rect, int32_t sourceX,
                     int32_t sourceY, int32_t transparent);

// Copies count bytes; the two areas never overlap.
void CopyBytes(void* dest, const void* source, int32_t count);
