// Writes the malformed GIF streams of the tests, block by block: explicit blocks
// of any size, raw bytes, LZW code lists picked by hand or cut short. Valid files
// and valid image data come from the encoder (gif_encoder.h): this writer takes
// its image data for frames that are meant to decode, and TablePalette and
// FrameOf hand the tests' pictures to it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gif_blocks.h"
#include "gif_encoder.h"

// One LZW code and the number of bits it is written with.
struct LzwCode {
  int code;
  int width;
};

// A picture of palette indices, rows top first, as a GIF frame carries it.
struct IndexImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  IndexImage() = default;
  IndexImage(int w, int h, uint8_t fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  uint8_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  std::vector<uint8_t> Row(int y) const;
};

// A reproducible picture: index (x, y) is a mix of the position and `seed`,
// reduced modulo `colours`.
IndexImage PatternImage(int width, int height, int colours, uint32_t seed);

// The rows of `image` in the order the stream carries them: top to bottom, or the
// four interlace passes (every 8th row from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1).
std::vector<uint8_t> StreamOrder(const IndexImage& image, bool interlaced);
std::vector<int> InterlacedRows(int height);

// Codes packed least significant bit first, the last byte padded with zero bits.
std::vector<uint8_t> PackCodes(const std::vector<LzwCode>& codes);

// `data` cut into sub-blocks of the given sizes (the last size repeats), each
// behind its length byte, and a zero length byte after them when `terminate`.
std::vector<uint8_t> SubBlocks(const std::vector<uint8_t>& data, const std::vector<int>& sizes = {255},
                               bool terminate = true);

// The codes of an LZW stream for `indices`, each at the width a GIF decoder reads
// it: a clear code first, greedy longest-match codes, the end code last, and no
// clear code between: once the table holds 4096 entries it stays full and in
// use, which the encoder never does. A list to write whole, cut short, strip of
// its clear or end code or write under another code size.
std::vector<LzwCode> LzwCodeList(const std::vector<uint8_t>& indices, int minCodeSize);

// The writer's table colours (TableColour) as a palette for the encoder.
std::vector<GifColour> TablePalette(int entries);

// `image` as a frame for the encoder, placed at `left`, `top`; it points into the image.
GifFrameImage FrameOf(const IndexImage& image, int left = 0, int top = 0);

// Builds a GIF stream block by block.
class GifWriter {
 public:
  GifWriter& Header(const std::string& signature = "GIF89a");
  // The logical screen descriptor; `tableBits` n >= 0 adds the global colour table
  // flag with 2^(n+1) entries, which ColourTable must then supply.
  GifWriter& Screen(int width, int height, int tableBits, int background = 0, int aspect = 0);
  // 2^(n+1) entries; entry i is TableColour(i).
  GifWriter& ColourTable(int tableBits);
  GifWriter& GraphicControl(int delay, int blockSize = 4, int terminator = 0);
  // The application extension that asks viewers to loop `count` times.
  GifWriter& Looping(int count);
  GifWriter& Comment(const std::string& text);
  GifWriter& PlainText(const std::string& text);
  // An image descriptor; `localTableBits` >= 0 adds a local colour table of
  // 2^(n+1) entries right after it.
  GifWriter& Descriptor(int left, int top, int width, int height, bool interlaced, int localTableBits = -1);
  // The minimum code size byte and `codes` in sub-blocks of `sizes`.
  GifWriter& ImageData(int minCodeSize, const std::vector<LzwCode>& codes, const std::vector<int>& sizes = {255},
                       bool terminate = true);
  // The encoder's image data for `indices`, in sub-blocks of up to `subBlockSize` bytes.
  GifWriter& EncodedData(int minCodeSize, const std::vector<uint8_t>& indices,
                         int subBlockSize = kGifMaxSubBlockSize);
  // Descriptor and the encoder's image data for `image`.
  GifWriter& Image(int left, int top, const IndexImage& image, bool interlaced = false, int minCodeSize = 8,
                   int subBlockSize = kGifMaxSubBlockSize);
  GifWriter& Trailer();
  GifWriter& Raw(std::initializer_list<int> bytes);
  GifWriter& Raw(const std::vector<uint8_t>& bytes);
  GifWriter& U16(int value);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int32_t size() const { return static_cast<int32_t>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
};

// The colour word red | green << 8 | blue << 16 that the writer's tables hold at i.
uint32_t TableColour(int i);
