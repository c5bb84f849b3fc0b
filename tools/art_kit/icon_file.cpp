#include "icon_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bitmap_palette.h"
#include "byte_writer.h"

namespace {

const int kColours = 16;
const int kBitsPerPixel = 4;

int RowBytes(int bitsPerRow) { return (bitsPerRow + 31) / 32 * 4; }

// The picture as an icon resource holds it: a bitmap header counting the colour
// rows and the mask as one picture of twice the height, the palette, the 4-bit
// colour rows and the 1-bit mask, each bottom-up with rows padded to 4 bytes.
std::string IconImage(const IconPicture& picture) {
  const IndexedImage& image = picture.image;
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  if (image.palette.size() != kColours || image.palette[0] != Rgb{0, 0, 0} || image.width != image.height ||
      image.pixels.size() != pixels || picture.seeThrough.size() != pixels) {
    std::fprintf(stderr, "icon pictures must be square, 16 colours with entry 0 black, every pixel given\n");
    std::exit(1);
  }
  auto clear = [&](int x, int y) { return picture.seeThrough[static_cast<size_t>(y) * image.width + x]; };
  const int colourRow = RowBytes(image.width * kBitsPerPixel);
  const int maskRow = RowBytes(image.width);
  std::string out;
  PutU32(&out, 40);
  PutU32(&out, image.width);
  PutU32(&out, image.height * 2);
  PutU16(&out, 1);  // planes
  PutU16(&out, kBitsPerPixel);
  PutU32(&out, 0);  // uncompressed
  PutU32(&out, image.height * (colourRow + maskRow));
  PutU32(&out, 0);
  PutU32(&out, 0);
  PutU32(&out, 0);  // every colour the bit depth allows
  PutU32(&out, 0);
  PutBitmapPalette(&out, image.palette);
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(colourRow, '\0');
    for (int x = 0; x < image.width; ++x) {
      const int index = clear(x, y) ? 0 : image.At(x, y);
      row[x / 2] |= static_cast<char>(index << (x % 2 ? 0 : 4));
    }
    out += row;
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(maskRow, '\0');
    for (int x = 0; x < image.width; ++x) {
      if (clear(x, y)) row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += row;
  }
  return out;
}

}  // namespace

IconPicture SeeThroughAtEntryZero(IndexedImage image) {
  IconPicture picture;
  for (uint8_t index : image.pixels) picture.seeThrough.push_back(index == 0);
  picture.image = std::move(image);
  return picture;
}

std::string IconFile(const std::vector<IconPicture>& pictures) {
  std::string directory, data;
  PutU16(&directory, 0);
  PutU16(&directory, 1);  // an icon, not a cursor
  PutU16(&directory, static_cast<uint32_t>(pictures.size()));
  const uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
  for (const IconPicture& picture : pictures) {
    const std::string bits = IconImage(picture);
    PutU8(&directory, picture.image.width);
    PutU8(&directory, picture.image.height);
    PutU8(&directory, kColours);
    PutU8(&directory, 0);
    PutU16(&directory, 1);  // planes
    PutU16(&directory, kBitsPerPixel);
    PutU32(&directory, static_cast<uint32_t>(bits.size()));
    PutU32(&directory, offset + static_cast<uint32_t>(data.size()));
    data += bits;
  }
  return directory + data;
}
