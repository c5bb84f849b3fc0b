// The GIF LZW image decoder: variable-width codes packed least significant bit
// first into data sub-blocks, turned into rows of palette indices and stored into
// an IndexedBitmap in display order, plain or interlaced.
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "indexed_bitmap.h"

const int kLzwTableSize = 4096;
const int kLzwMaxCodeSize = 12;
const int kLzwStackSize = 4096;
const int kSubBlockSize = 255;
// Rows are assembled in a buffer that takes any 16-bit frame width.
const int kRowBufferSize = 65536;

const int16_t kLzwNoData = -1;
const int16_t kLzwBadCodeSize = -20;

// One image is decoded at a time through this single record.
struct LzwDecoder {
  // Context of the image being decoded. The source is cut (set to null) once its
  // last row is stored, so no further sub-block is fetched.
  ByteReader* source;
  IndexedBitmap* target;
  int32_t nextRow;
  int32_t interlaced;

  // Code state.
  int16_t codeSize;
  int16_t clearCode;
  int16_t endCode;
  int16_t firstFreeCode;
  int16_t nextFreeCode;
  int16_t codeLimit;

  // String table and the stack a code's string is expanded onto, last byte first.
  uint16_t prefix[kLzwTableSize];
  uint8_t suffix[kLzwTableSize];
  uint8_t stack[kLzwStackSize];
  int32_t stackDepth;

  // Code reader: the current sub-block and the bits not yet taken, low bits first.
  uint8_t blockBuffer[kSubBlockSize];
  const uint8_t* readPointer;
  int16_t bytesLeft;
  uint32_t bitBuffer;
  int16_t bitsLeft;
};

extern LzwDecoder lzwDecoder;

// Decodes one image from `reader`, positioned at its minimum code size byte, into
// `target`. Returns 0, kLzwNoData when the data ends before the minimum code size,
// or kLzwBadCodeSize for a minimum code size outside 2 to 9. Leaves the reader at
// a sub-block's length byte or at the end of the data.
int16_t DecodeLzwImage(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength);

// Code state for a stream of the given minimum code size, and an empty code reader.
void InitLzwCodes(int minCodeSize);

// The next code of codeSize bits, or a negative value once the data is exhausted
// (end of the data, a zero-length sub-block, or the source cut).
int16_t ReadLzwCode();

// The next byte of the source, or -1 when it is cut or exhausted.
int NextImageByte();

// Places a finished row at the next display row; returns 0.
int StoreImageRow(const uint8_t* row, int32_t length);

// The display row after r in an image of height h (the four GIF passes when
// interlaced); h or more when the image is complete.
int32_t NextImageRow(int32_t r, int32_t h);
