#include "icon_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "byte_writer.h"

namespace {

const int kColours = 16;

int RowBytes(int bitsPerRow) { return (bitsPerRow + 31) / 32 * 4; }

std::string IconImage(const IndexedImage& image) {
  if (image.palette.size() != kColours || image.palette[0] != Rgb{0, 0, 0} || image.width != image.height) {
    std::fprintf(stderr, "make-peeker-art: icon images must be square, 16 colours, entry 0 black\n");
    std::exit(1);
  }
  const int colourRow = RowBytes(image.width * 4);
  const int maskRow = RowBytes(image.width);
  std::string out;
  PutU32(out, 40);
  PutU32(out, image.width);
  PutU32(out, image.height * 2);  // colour and mask stacked, as icons count them
  PutU16(out, 1);
  PutU16(out, 4);
  PutU32(out, 0);
  PutU32(out, image.height * (colourRow + maskRow));
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  for (const Rgb& c : image.palette) {
    PutU8(out, c.b);
    PutU8(out, c.g);
    PutU8(out, c.r);
    PutU8(out, 0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(colourRow, '\0');
    for (int x = 0; x < image.width; ++x) row[x / 2] |= static_cast<char>(image.At(x, y) << (x % 2 ? 0 : 4));
    out += row;
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(maskRow, '\0');
    for (int x = 0; x < image.width; ++x) {
      if (image.At(x, y) == 0) row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += row;
  }
  return out;
}

}  // namespace

std::string IconFile(const std::vector<IndexedImage>& images) {
  std::string directory, data;
  PutU16(directory, 0);
  PutU16(directory, 1);  // icon, not cursor
  PutU16(directory, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (const IndexedImage& image : images) {
    std::string bits = IconImage(image);
    PutU8(directory, image.width);
    PutU8(directory, image.height);
    PutU8(directory, kColours);
    PutU8(directory, 0);
    PutU16(directory, 1);
    PutU16(directory, 4);
    PutU32(directory, static_cast<uint32_t>(bits.size()));
    PutU32(directory, offset + static_cast<uint32_t>(data.size()));
    data += bits;
  }
  return directory + data;
}
