// Test-side views of the decoder's results: exact-size input copies, display rows
// of bitmaps, and parsed animations that release themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "byte_reader.h"
#include "gif_parser.h"
#include "indexed_bitmap.h"

// A copy of some bytes in a heap block of exactly their size, so that reading one
// byte past the end is caught by AddressSanitizer.
class ExactBytes {
 public:
  explicit ExactBytes(const std::vector<uint8_t>& bytes, size_t count = SIZE_MAX);
  ByteReader Reader() const { return ByteReader{block_.get(), size_, 0}; }

 private:
  std::unique_ptr<uint8_t[]> block_;
  int32_t size_;
};

// The `width` pixels of display row y (counted from the top).
std::vector<uint8_t> DisplayRow(const IndexedBitmap& bitmap, int32_t y);

// The animation parsed from the first `count` bytes of a stream (all by default),
// freed at the end of the test.
class ParsedGif {
 public:
  explicit ParsedGif(const std::vector<uint8_t>& bytes, size_t count = SIZE_MAX);
  ~ParsedGif() { FreeGifAnimation(&animation); }
  ParsedGif(const ParsedGif&) = delete;
  ParsedGif& operator=(const ParsedGif&) = delete;

  int32_t frameCount() const { return animation.frameCount; }
  const GifFrame& frame(int32_t i) const { return *animation.frames[i]; }
  // Display row y of frame i.
  std::vector<uint8_t> Row(int32_t i, int32_t y) const { return DisplayRow(frame(i).bitmap, y); }

  GifAnimation animation{};
  int32_t endPos = 0;  // where the parse left the reader
};
