// Decodes arbitrary image data with the player's LZW decoder and with the plain
// reference decoder, image after image as a GIF's frames follow each other, and
// requires the same results: status, where the data was left, and every pixel.
// The first three bytes choose the frames' shape (header[0] and bits 0-2 of
// header[1] the width, header[2] and bits 6-7 the height, bit 3 interlacing,
// bit 4 rows one longer or shorter than the width, after bit 5); the rest is
// the data, each image a minimum code size and sub-blocks.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "indexed_bitmap.h"
#include "lzw_decoder.h"
#include "support/reference_lzw_decoder.h"

namespace {

const int kMaxImages = 8;
// Frames above 65,536 pixels are decoded in their own block, smaller ones apart.
const int32_t kMaxPixels = 1 << 18;

struct Shape {
  int32_t width, height, interlaced, rowLength;
};

// Width 1 to 2048, height 1 to 1024 within kMaxPixels; now and then rows of a
// length other than the width.
Shape ShapeOf(const uint8_t* header) {
  Shape shape;
  shape.width = 1 + header[0] + 256 * (header[1] & 7);
  shape.height = 1 + header[2] + 256 * (header[1] >> 6);
  if (shape.width * shape.height > kMaxPixels) shape.height = kMaxPixels / shape.width;
  shape.interlaced = header[1] & 8 ? 0x40 : 0;
  shape.rowLength = header[1] & 16 ? shape.width + (header[1] >> 5 & 1) * 2 - 1 : shape.width;
  return shape;
}

struct Outcome {
  int16_t status;
  int32_t pos;
  std::vector<uint8_t> pixels;  // display rows, top first, width bytes each
};

// `fill` is what the bitmap holds before: each decoder gets another, so a pixel
// that either leaves unwritten makes them differ.
Outcome Decode(decltype(&DecodeLzwImage) decoder, uint8_t fill, const uint8_t* data, int32_t size, int32_t pos,
               const Shape& shape) {
  IndexedBitmap bitmap;
  CreateIndexedBitmap(&bitmap, shape.width, shape.height);
  FUZZ_CHECK(bitmap.pixels != nullptr);
  std::memset(bitmap.pixels, fill, static_cast<size_t>(bitmap.stride) * bitmap.height);
  ByteReader reader{data, size, pos};
  Outcome outcome;
  outcome.status = decoder(&reader, &bitmap, shape.interlaced, shape.rowLength);
  outcome.pos = reader.pos;
  for (int32_t y = 0; y < shape.height; y++) {
    const uint8_t* row = BitmapRowAddress(&bitmap, 0, shape.height - 1 - y);
    outcome.pixels.insert(outcome.pixels.end(), row, row + shape.width);
  }
  ReleaseIndexedBitmap(&bitmap);
  return outcome;
}

// Past the image's remaining sub-blocks, as the parser goes on after an image.
int32_t SkipSubBlocks(const uint8_t* data, int32_t size, int32_t pos) {
  while (pos < size) {
    const int32_t length = data[pos++];
    if (length == 0) break;
    pos += length;
  }
  return pos < size ? pos : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > (1u << 20)) return 0;
  const Shape shape = ShapeOf(data);
  // An exact copy, so that reading past the end is caught.
  std::vector<uint8_t> bytes(data + 3, data + size);
  const int32_t length = static_cast<int32_t>(bytes.size());
  int32_t pos = 0;
  for (int image = 0; image < kMaxImages && pos < length; image++) {
    const Outcome fast = Decode(DecodeLzwImage, 0xA5, bytes.data(), length, pos, shape);
    const Outcome plain = Decode(ReferenceDecodeLzwImage, 0x5A, bytes.data(), length, pos, shape);
    FUZZ_CHECK(fast.status == plain.status);
    FUZZ_CHECK(fast.pos == plain.pos);
    FUZZ_CHECK(fast.pixels == plain.pixels);
    pos = SkipSubBlocks(bytes.data(), length, fast.pos);
  }
  return 0;
}
