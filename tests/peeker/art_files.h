// Readers for the peeker's committed art, written apart from the generator so
// the tests judge its files by the formats, not by its own code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Colour {
  uint8_t r, g, b;
  bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
  int Luma() const { return (299 * r + 587 * g + 114 * b) / 1000; }
};

// Fields of BITMAPFILEHEADER and BITMAPINFOHEADER as stored, plus what follows.
struct BmpFile {
  bool parsed = false;
  std::string error;
  uint32_t fileSize = 0, offBits = 0, headerSize = 0;
  int32_t width = 0, height = 0;
  uint16_t planes = 0, bitCount = 0;
  uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
  std::vector<Colour> palette;
  std::string bits;  // the bytes from offBits to the end of the file
};

BmpFile ParseBmp(const std::string& bytes);

struct Rle8Result {
  bool ok = false;
  std::string error;
  size_t pixelsWritten = 0;
  size_t bytesConsumed = 0;     // up to and including the end-of-bitmap marker
  std::vector<uint8_t> pixels;  // top-down, width x height
};

// Decodes a bottom-up RLE8 stream strictly: rows must be filled exactly before
// each end-of-line, absolute runs must be padded, and the end-of-bitmap marker
// must come once all rows are done. Delta escapes are refused, as the peeker's
// pictures have no holes.
Rle8Result DecodeRle8(const std::string& data, int width, int height);

// One image of an .ico file, decoded from its XOR bitmap and AND mask.
struct IconImage {
  int width = 0, height = 0;  // from the directory entry
  int colourCount = 0, planes = 0, bitCount = 0;
  uint32_t headerSize = 0, headerBitCount = 0, compression = 0;
  int32_t headerWidth = 0, headerHeight = 0;
  std::vector<Colour> palette;
  std::vector<uint8_t> indices;  // top-down
  std::vector<bool> transparent;  // top-down, from the AND mask
};

struct IconFile {
  bool parsed = false;
  std::string error;
  int type = 0;
  std::vector<IconImage> images;
};

IconFile ParseIcon(const std::string& bytes);

// Runs /usr/bin/convert with `arguments` and returns what it wrote to stdout;
// `ok` is false when it could not run or failed.
std::string RunImageMagick(const std::string& arguments, bool* ok);
