// The GIF LZW image decoder: variable-width codes packed least significant bit
// first into data sub-blocks, turned into rows of palette indices and stored into
// an IndexedBitmap in display order, plain or interlaced.
//
// Every code's string is already in the output, where the code before the one
// that defined it was written, one byte longer; so the table keeps where each
// string starts and how long it is, and a code is expanded by copying that
// earlier occurrence, many bytes at a time. The output is the frame's own pixel
// block, used as one run of pixels in stream order; once the image ends its
// rows are moved in place to their display rows, bottom-up.
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "gif_blocks.h"
#include "indexed_bitmap.h"

const int16_t kLzwNoData = -1;
const int16_t kLzwBadCodeSize = -20;

// How damaged image data is read.
enum class LzwReading : int32_t {
  // The player's own reading: a code the table does not hold yet stands for the
  // previous string and its first byte, a root after a clear code for root 0; a
  // sub-block cut short by the end of the data is not used, and data that runs
  // out drops the row it was in. Minimum code sizes 2 to 9.
  kPlayer,
  // What web browsers show: the image ends at the first code the table cannot
  // hold, a sub-block cut short gives the bytes it has, and every pixel decoded
  // is kept. Minimum code sizes 1 to 8, whose roots are all byte indices.
  kViewer,
};

// The minimum code sizes each reading decodes; others leave the image all 0.
const int kLzwPlayerMinCodeSizeLow = 2;
const int kLzwPlayerMinCodeSizeHigh = 9;
const int kLzwViewerMinCodeSizeLow = 1;
const int kLzwViewerMinCodeSizeHigh = 8;

// A code's string: an earlier stretch of the image's output for a table code,
// a byte of a fixed table for a root; length 0 for the clear and end codes.
struct LzwString {
  const uint8_t* bytes;
  int32_t length;
};

// One image is decoded at a time through this single record.
struct LzwDecoder {
  // Context of the image being decoded.
  ByteReader* source;
  IndexedBitmap* target;
  int32_t nextRow;
  int32_t interlaced;
  LzwReading reading;
  // How many pixels the data reached, in stream order (each row of the row
  // length), when the image ended.
  int32_t written;

  // Code state.
  int16_t codeSize;
  int16_t clearCode;
  int16_t endCode;
  int16_t firstFreeCode;
  int16_t nextFreeCode;
  int16_t codeLimit;

  // Every code's string: the roots, the clear and end codes, and the table codes
  // defined since the last clear code, and one more that a full table writes
  // into. The roots' entries stay from one image to the next; only the codes
  // below rootsReady hold theirs.
  LzwString strings[kGifMaxCodes + 1];
  int32_t rootsReady;

  // Code reader, straight over the source: the byte holding the next unread
  // bit, how many of its bits are taken, and the length byte that ends the
  // current sub-block.
  const uint8_t* nextByte;
  int32_t bitsTaken;
  const uint8_t* blockEnd;
};

extern LzwDecoder lzwDecoder;

// Decodes one image from `reader`, positioned at its minimum code size byte, into
// `target`, read as `reading` says. Returns 0, kLzwNoData when the data ends
// before the minimum code size, or kLzwBadCodeSize for a minimum code size the
// reading does not decode. Every pixel the data does not reach is set to 0.
// Leaves the reader at a sub-block's length byte or at the end of the data.
int16_t DecodeLzwImageAs(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength,
                         LzwReading reading);

// The player's reading of one image.
inline int16_t DecodeLzwImage(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength) {
  return DecodeLzwImageAs(reader, target, interlaced, rowLength, LzwReading::kPlayer);
}

// The display row after r in an image of height h (the four GIF passes when
// interlaced); h or more when the image is complete.
int32_t NextImageRow(int32_t r, int32_t h);

// Where display row y of an image of height h comes in the image's data: y
// itself, or its place in the four interlace passes.
int32_t StreamRowOf(int32_t y, int32_t h, int32_t interlaced);
