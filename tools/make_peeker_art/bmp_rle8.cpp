#include "bmp_rle8.h"

#include <cstdint>
#include <vector>

#include "bitmap_palette.h"
#include "byte_writer.h"

namespace {

const int kMaxRun = 255;
// Absolute mode cannot say fewer than three bytes: counts 0 to 2 are the escapes.
const int kMinAbsolute = 3;

void EmitLiterals(std::string* out, const uint8_t* bytes, int count) {
  if (count >= kMinAbsolute) {
    PutU8(out, 0);
    PutU8(out, count);
    out->append(reinterpret_cast<const char*>(bytes), count);
    if (count % 2) PutU8(out, 0);
    return;
  }
  for (int i = 0; i < count;) {
    int run = 1;
    while (i + run < count && bytes[i + run] == bytes[i]) ++run;
    PutU8(out, run);
    PutU8(out, bytes[i]);
    i += run;
  }
}

void EncodeRow(std::string* out, const uint8_t* row, int width) {
  std::vector<uint8_t> literals;
  auto flush = [&] {
    EmitLiterals(out, literals.data(), static_cast<int>(literals.size()));
    literals.clear();
  };
  for (int x = 0; x < width;) {
    int run = 1;
    while (x + run < width && run < kMaxRun && row[x + run] == row[x]) ++run;
    if (run >= kMinAbsolute) {
      flush();
      PutU8(out, run);
      PutU8(out, row[x]);
      x += run;
      continue;
    }
    // Short runs are cheaper inside an absolute run than as runs of their own.
    for (int i = 0; i < run; ++i) {
      literals.push_back(row[x + i]);
      if (literals.size() == kMaxRun) flush();
    }
    x += run;
  }
  flush();
}

}  // namespace

std::string EncodeRle8(const IndexedImage& image) {
  std::string out;
  for (int y = image.height - 1; y >= 0; --y) {
    EncodeRow(&out, &image.pixels[static_cast<size_t>(y) * image.width], image.width);
    PutU16(&out, 0x0000);  // end of line
  }
  PutU16(&out, 0x0100);  // end of bitmap: bytes 0, 1
  return out;
}

std::string BmpFileRle8(const IndexedImage& image) {
  const uint32_t kFileHeaderSize = 14;
  const uint32_t kInfoHeaderSize = 40;
  const uint32_t kRle8 = 1;
  const uint32_t kPixelsPerMetre = 2835;  // 72 dpi
  std::string bits = EncodeRle8(image);
  uint32_t colours = static_cast<uint32_t>(image.palette.size());
  uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * colours;

  std::string out;
  out += "BM";
  PutU32(&out, offset + static_cast<uint32_t>(bits.size()));
  PutU32(&out, 0);
  PutU32(&out, offset);
  PutU32(&out, kInfoHeaderSize);
  PutU32(&out, image.width);
  PutU32(&out, image.height);  // positive: bottom-up, which RLE bitmaps must be
  PutU16(&out, 1);
  PutU16(&out, 8);
  PutU32(&out, kRle8);
  PutU32(&out, static_cast<uint32_t>(bits.size()));
  PutU32(&out, kPixelsPerMetre);
  PutU32(&out, kPixelsPerMetre);
  PutU32(&out, colours);
  PutU32(&out, 0);
  PutBitmapPalette(&out, image.palette);
  return out + bits;
}
