#include "art_files.h"

#include <cstdio>
#include <sys/wait.h>

namespace {

uint32_t U16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}

uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::vector<Colour> ReadPalette(const std::string& b, size_t at, size_t count) {
  std::vector<Colour> palette;
  for (size_t i = 0; i < count; ++i) {
    size_t entry = at + 4 * i;
    palette.push_back({static_cast<uint8_t>(b[entry + 2]), static_cast<uint8_t>(b[entry + 1]),
                       static_cast<uint8_t>(b[entry])});
  }
  return palette;
}

Rle8Result Fail(Rle8Result result, const std::string& why, size_t at) {
  result.ok = false;
  result.error = why + " at byte " + std::to_string(at);
  return result;
}

}  // namespace

BmpFile ParseBmp(const std::string& b) {
  BmpFile bmp;
  if (b.size() < 54 || b.compare(0, 2, "BM") != 0) {
    bmp.error = "not a BMP file";
    return bmp;
  }
  bmp.fileSize = U32(b, 2);
  bmp.offBits = U32(b, 10);
  bmp.headerSize = U32(b, 14);
  bmp.width = static_cast<int32_t>(U32(b, 18));
  bmp.height = static_cast<int32_t>(U32(b, 22));
  bmp.planes = static_cast<uint16_t>(U16(b, 26));
  bmp.bitCount = static_cast<uint16_t>(U16(b, 28));
  bmp.compression = U32(b, 30);
  bmp.sizeImage = U32(b, 34);
  bmp.clrUsed = U32(b, 46);
  size_t colours = bmp.clrUsed ? bmp.clrUsed : 256;
  if (bmp.headerSize != 40 || colours > 256 || 14 + 40 + 4 * colours > b.size() || bmp.offBits > b.size()) {
    bmp.error = "header or palette does not fit the file";
    return bmp;
  }
  bmp.palette = ReadPalette(b, 54, colours);
  bmp.bits = b.substr(bmp.offBits);
  bmp.parsed = true;
  return bmp;
}

Rle8Result DecodeRle8(const std::string& data, int width, int height) {
  Rle8Result result;
  result.pixels.assign(static_cast<size_t>(width) * height, 0);
  int x = 0;
  int row = 0;  // counted from the bottom, as the stream is
  size_t at = 0;
  auto put = [&](uint8_t value) {
    result.pixels[static_cast<size_t>(height - 1 - row) * width + x++] = value;
    ++result.pixelsWritten;
  };
  while (at + 2 <= data.size()) {
    size_t opcode = at;
    uint8_t count = static_cast<uint8_t>(data[at]);
    uint8_t value = static_cast<uint8_t>(data[at + 1]);
    at += 2;
    if (count > 0) {
      if (row >= height || x + count > width) return Fail(result, "encoded run past the row", opcode);
      for (int i = 0; i < count; ++i) put(value);
      continue;
    }
    switch (value) {
      case 0:
        if (row >= height || x != width) return Fail(result, "end of line before the row is full", opcode);
        x = 0;
        ++row;
        break;
      case 1:
        if (!(row == height && x == 0) && !(row == height - 1 && x == width)) {
          return Fail(result, "end of bitmap before the last row", opcode);
        }
        result.bytesConsumed = at;
        result.ok = true;
        return result;
      case 2:
        return Fail(result, "delta escape", opcode);
      default: {
        size_t padded = value + (value & 1);
        if (at + padded > data.size()) return Fail(result, "absolute run past the data", opcode);
        if (row >= height || x + value > width) return Fail(result, "absolute run past the row", opcode);
        for (int i = 0; i < value; ++i) put(static_cast<uint8_t>(data[at + i]));
        at += padded;
      }
    }
  }
  return Fail(result, "no end-of-bitmap marker", at);
}

IconFile ParseIcon(const std::string& b) {
  IconFile icon;
  if (b.size() < 6 || U16(b, 0) != 0) {
    icon.error = "not an icon file";
    return icon;
  }
  icon.type = static_cast<int>(U16(b, 2));
  size_t count = U16(b, 4);
  if (6 + 16 * count > b.size()) {
    icon.error = "directory runs past the file";
    return icon;
  }
  for (size_t i = 0; i < count; ++i) {
    size_t entry = 6 + 16 * i;
    IconImage image;
    image.width = static_cast<uint8_t>(b[entry]) ? static_cast<uint8_t>(b[entry]) : 256;
    image.height = static_cast<uint8_t>(b[entry + 1]) ? static_cast<uint8_t>(b[entry + 1]) : 256;
    image.colourCount = static_cast<uint8_t>(b[entry + 2]);
    image.planes = static_cast<int>(U16(b, entry + 4));
    image.bitCount = static_cast<int>(U16(b, entry + 6));
    uint32_t size = U32(b, entry + 8);
    uint32_t offset = U32(b, entry + 12);
    if (static_cast<uint64_t>(offset) + size > b.size() || size < 40 + 64) {
      icon.error = "image " + std::to_string(i) + " runs past the file";
      return icon;
    }
    image.headerSize = U32(b, offset);
    image.headerWidth = static_cast<int32_t>(U32(b, offset + 4));
    image.headerHeight = static_cast<int32_t>(U32(b, offset + 8));
    image.headerBitCount = U16(b, offset + 14);
    image.compression = U32(b, offset + 16);
    if (image.headerBitCount != 4 || image.compression != 0) {
      icon.error = "only uncompressed 4-bit images are read";
      return icon;
    }
    const size_t w = image.width, h = image.height;
    const size_t colourRow = (w * 4 + 31) / 32 * 4, maskRow = (w + 31) / 32 * 4;
    size_t pixels = offset + image.headerSize + 64;
    if (pixels + h * (colourRow + maskRow) > static_cast<uint64_t>(offset) + size) {
      icon.error = "image " + std::to_string(i) + " is shorter than its bitmaps";
      return icon;
    }
    image.palette = ReadPalette(b, offset + image.headerSize, 16);
    size_t mask = pixels + h * colourRow;
    for (size_t y = 0; y < h; ++y) {
      size_t stored = h - 1 - y;
      for (size_t x = 0; x < w; ++x) {
        uint8_t pair = static_cast<uint8_t>(b[pixels + stored * colourRow + x / 2]);
        image.indices.push_back(x % 2 ? pair & 0x0F : pair >> 4);
        uint8_t bits = static_cast<uint8_t>(b[mask + stored * maskRow + x / 8]);
        image.transparent.push_back((bits >> (7 - x % 8)) & 1);
      }
    }
    icon.images.push_back(image);
  }
  icon.parsed = true;
  return icon;
}

std::string RunImageMagick(const std::string& arguments, bool* ok) {
  std::string output;
  *ok = false;
  FILE* pipe = popen(("/usr/bin/convert " + arguments).c_str(), "r");
  if (!pipe) return output;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  int status = pclose(pipe);
  *ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return output;
}
