// The GIF89a writer for indexed pictures: a global colour table or none, opaque
// frames with their own delays, local tables and interlacing where a frame asks
// for them. Used by the asset generators, the packer and the tests; it keeps no
// state outside its objects and throws nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gif_blocks.h"
#include "rgb.h"

// An entry of the colour table.
using GifColour = Rgb;

// One picture to place on the logical screen. Rows are read top-down starting at
// `pixels`, `stride` bytes apart; a negative stride walks a bottom-up block
// upwards, and 0 means rows of exactly `width` bytes.
struct GifFrameImage {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  const uint8_t* pixels = nullptr;
  ptrdiff_t stride = 0;
  int32_t delay = 0;     // hundredths of a second
  int32_t disposal = 0;  // the graphic control's disposal method, 0 to 7
  bool interlaced = false;
  // A local colour table of these colours, padded as the global one; the frame's
  // pixels index it. Empty: the frame shows through the global table.
  std::vector<GifColour> localPalette;
};

const int32_t kGifMaxSide = 65535;

// Builds one GIF stream in memory: Begin, AddFrame for every frame, Finish.
class GifEncoder {
 public:
  // Writes the header, the logical screen and the global colour table, padded
  // with black to a power of two of at least 2 entries. `loopCount` adds the
  // looping extension (0 loops forever); a negative count leaves it out. False,
  // with error() set, for a side outside 1 to kGifMaxSide or an empty palette or
  // one of more than kGifMaxColours colours.
  bool Begin(int32_t width, int32_t height, const std::vector<GifColour>& palette, int32_t loopCount = 0);

  // As Begin, for a stream without a global colour table: every frame then brings
  // a local palette.
  bool BeginWithoutGlobalTable(int32_t width, int32_t height, int32_t loopCount = 0);

  // Appends a graphic control extension and the image. False, with error() set
  // and nothing written, before Begin, after Finish, for a side outside 1 to
  // kGifMaxSide, a position outside 0 to kGifMaxSide, a delay outside 0 to 65535,
  // a disposal outside 0 to 7, a local palette of more than kGifMaxColours
  // colours, no palette at all, or a pixel at or above the size of its palette.
  bool AddFrame(const GifFrameImage& image);

  // Writes the trailer once; the stream is then complete.
  bool Finish();

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }
  const std::string& error() const { return error_; }
  // The global table size actually written (a power of two, 0 without one) and
  // the LZW minimum code size of frames without a local table.
  int tableSize() const { return tableSize_; }
  int minCodeSize() const { return minCodeSize_; }

 private:
  bool Fail(const std::string& message);
  bool BeginStream(int32_t width, int32_t height, const std::vector<GifColour>& palette, int32_t loopCount);

  std::vector<uint8_t> bytes_;
  std::string error_;
  int colourCount_ = 0;
  int tableSize_ = 0;
  int minCodeSize_ = 0;
  bool begun_ = false;
  bool finished_ = false;
};

// The minimum code size for a palette of `colourCount` entries: the bits an index
// needs, at least 2 as GIF demands.
int GifMinCodeSize(int colourCount);

// Appends the LZW image data of `count` indices (each below 2^minCodeSize): the
// minimum code size byte, the codes in sub-blocks of up to `subBlockSize` (1 to
// 255) bytes and the zero-length terminator. The code stream opens with a clear
// code and clears again whenever the string table fills its 4096 codes.
void AppendLzwImageData(const uint8_t* indices, size_t count, int minCodeSize, std::vector<uint8_t>* out,
                        int subBlockSize = kGifMaxSubBlockSize);
