#include "support/parsed_gif.h"

#include <algorithm>
#include <cstddef>

ExactBytes::ExactBytes(const std::vector<uint8_t>& bytes, size_t count) {
  const size_t size = std::min(count, bytes.size());
  block_.reset(new uint8_t[size > 0 ? size : 1]);
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), block_.get());
  size_ = static_cast<int32_t>(size);
}

std::vector<uint8_t> DisplayRow(const IndexedBitmap& bitmap, int32_t y) {
  const uint8_t* row = BitmapRowAddress(&bitmap, 0, bitmap.height - 1 - y);
  return std::vector<uint8_t>(row, row + bitmap.width);
}

ParsedGif::ParsedGif(const std::vector<uint8_t>& bytes, size_t count) {
  ExactBytes input(bytes, count);
  ByteReader reader = input.Reader();
  ParseGif(&animation, &reader);
  endPos = reader.pos;
}
