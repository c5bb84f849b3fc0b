#include "lzw_decoder.h"

#include <cstring>

LzwDecoder lzwDecoder;

namespace {

uint8_t rowBuffer[kRowBufferSize];

const uint32_t kMasks[kLzwMaxCodeSize + 1] = {0, 1, 3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095};

// The code reader's state, held in locals while an image is decoded so the hot
// loop keeps it in registers; the record holds it between calls.
struct BitReader {
  const uint8_t* readPointer;
  int32_t bytesLeft;
  uint32_t bitBuffer;
  int32_t bitsLeft;
};

BitReader LoadBits() {
  const LzwDecoder& d = lzwDecoder;
  return BitReader{d.readPointer, d.bytesLeft, d.bitBuffer, d.bitsLeft};
}

void SaveBits(const BitReader& bits) {
  LzwDecoder& d = lzwDecoder;
  d.readPointer = bits.readPointer;
  d.bytesLeft = static_cast<int16_t>(bits.bytesLeft);
  d.bitBuffer = bits.bitBuffer;
  d.bitsLeft = static_cast<int16_t>(bits.bitsLeft);
}

// Reads the next whole sub-block into the block buffer. False when there is none:
// the source is cut or exhausted, the sub-block is cut short by the end of the
// data, or its length is 0 (image data that ends while a code still needs bits).
// A zero length byte is left unread, for the parser to end the image data on.
bool FetchSubBlock(BitReader* bits) {
  LzwDecoder& d = lzwDecoder;
  ByteReader* source = d.source;
  if (source == nullptr || source->pos >= source->size) return false;
  int32_t length = source->data[source->pos];
  if (length == 0) return false;
  source->pos++;
  if (length > source->size - source->pos) {
    source->pos = source->size;
    return false;
  }
  CopyBytes(d.blockBuffer, source->data + source->pos, length);
  source->pos += length;
  bits->readPointer = d.blockBuffer;
  bits->bytesLeft = length;
  return true;
}

inline int32_t TakeCode(BitReader* bits, int32_t codeSize) {
  while (bits->bitsLeft < codeSize) {
    if (bits->bytesLeft <= 0 && !FetchSubBlock(bits)) return -1;
    bits->bitBuffer |= static_cast<uint32_t>(*bits->readPointer++) << bits->bitsLeft;
    bits->bytesLeft--;
    bits->bitsLeft += 8;
  }
  int32_t code = static_cast<int32_t>(bits->bitBuffer & kMasks[codeSize]);
  bits->bitBuffer >>= codeSize;
  bits->bitsLeft -= codeSize;
  return code;
}

}  // namespace

int NextImageByte() {
  ByteReader* source = lzwDecoder.source;
  if (source == nullptr || source->pos >= source->size) return -1;
  return source->data[source->pos++];
}

void InitLzwCodes(int minCodeSize) {
  LzwDecoder& d = lzwDecoder;
  d.codeSize = static_cast<int16_t>(minCodeSize + 1);
  d.codeLimit = static_cast<int16_t>(1 << (minCodeSize + 1));
  d.clearCode = static_cast<int16_t>(1 << minCodeSize);
  d.endCode = static_cast<int16_t>(d.clearCode + 1);
  d.firstFreeCode = static_cast<int16_t>(d.clearCode + 2);
  d.nextFreeCode = d.firstFreeCode;
  d.readPointer = d.blockBuffer;
  d.bytesLeft = 0;
  d.bitBuffer = 0;
  d.bitsLeft = 0;
}

int16_t ReadLzwCode() {
  BitReader bits = LoadBits();
  int32_t code = TakeCode(&bits, lzwDecoder.codeSize);
  SaveBits(bits);
  return static_cast<int16_t>(code);
}

int32_t NextImageRow(int32_t r, int32_t h) {
  if (!lzwDecoder.interlaced) return r + 1;
  if (r == 0) {
    if (8 < h) return 8;
    if (4 < h) return 4;
    if (2 < h) return 2;
    return 1;
  }
  if (r & 1) return r + 2;
  if (r % 4 == 2) return r + 4 < h ? r + 4 : 1;
  if (r % 8 == 4) return r + 8 < h ? r + 8 : 2;
  return r + 8 < h ? r + 8 : 4;
}

int StoreImageRow(const uint8_t* row, int32_t length) {
  LzwDecoder& d = lzwDecoder;
  IndexedBitmap* target = d.target;
  if (target == nullptr || d.nextRow >= target->height) return 0;
  int32_t n = length < target->width ? length : target->width;
  if (n < 0) n = 0;
  if (target->pixels != nullptr) {
    uint8_t* to = BitmapRowAddress(target, 0, target->height - 1 - d.nextRow);
    CopyBytes(to, row, n);
    // A row cut short by an end code: the rest of it was never reached.
    if (n < target->width) std::memset(to + n, 0, static_cast<size_t>(target->width - n));
  }
  d.nextRow = NextImageRow(d.nextRow, target->height);
  // The image is complete: later sub-blocks are not fetched.
  if (d.nextRow >= target->height) d.source = nullptr;
  return 0;
}

// Rows the data never reached hold index 0, the value a zeroed block holds.
void ClearUnreachedRows() {
  LzwDecoder& d = lzwDecoder;
  IndexedBitmap* target = d.target;
  if (target == nullptr || target->pixels == nullptr) return;
  for (int32_t y = d.nextRow; y < target->height; y = NextImageRow(y, target->height)) {
    std::memset(BitmapRowAddress(target, 0, target->height - 1 - y), 0, static_cast<size_t>(target->width));
  }
  d.nextRow = target->height;
}

int16_t DecodeLzwImage(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength) {
  LzwDecoder& d = lzwDecoder;
  d.source = reader;
  d.target = target;
  d.nextRow = 0;
  d.interlaced = interlaced;

  const int minCodeSize = NextImageByte();
  if (minCodeSize < 0 || minCodeSize < 2 || minCodeSize > 9) {
    ClearUnreachedRows();
    return minCodeSize < 0 ? kLzwNoData : kLzwBadCodeSize;
  }
  InitLzwCodes(minCodeSize);
  // A frame without width has no rows to fill; its data is skipped by the parser.
  if (rowLength <= 0 || rowLength > kRowBufferSize) {
    ClearUnreachedRows();
    return 0;
  }

  // Code state in locals: the stores into the row buffer and the stack would
  // otherwise force the record's fields to be re-read after every byte.
  const int32_t clearCode = d.clearCode;
  const int32_t endCode = d.endCode;
  const int32_t firstFreeCode = d.firstFreeCode;
  int32_t codeSize = d.codeSize;
  int32_t codeLimit = d.codeLimit;
  int32_t nextFreeCode = d.nextFreeCode;
  uint16_t* const prefix = d.prefix;
  uint8_t* const suffix = d.suffix;
  uint8_t* const stack = d.stack;
  BitReader bits = LoadBits();

  int32_t previousCode = 0;
  int32_t firstByte = 0;
  uint8_t* out = rowBuffer;
  int32_t pixelsLeft = rowLength;
  // Every image starts as after a clear code: its first code adds no entry.
  bool afterClear = true;

  auto finish = [&](int status) {
    SaveBits(bits);
    d.codeSize = static_cast<int16_t>(codeSize);
    d.codeLimit = static_cast<int16_t>(codeLimit);
    d.nextFreeCode = static_cast<int16_t>(nextFreeCode);
    d.stackDepth = 0;
    ClearUnreachedRows();
    return static_cast<int16_t>(status);
  };

  for (;;) {
    int32_t c = TakeCode(&bits, codeSize);
    if (c == endCode) {
      // A partial row is stored as it stands.
      return finish(pixelsLeft != rowLength ? StoreImageRow(rowBuffer, rowLength - pixelsLeft) : 0);
    }
    if (c < 0) return finish(0);

    if (c == clearCode) {
      codeSize = minCodeSize + 1;
      nextFreeCode = firstFreeCode;
      codeLimit = 1 << (minCodeSize + 1);
      afterClear = true;
      continue;
    }
    if (afterClear) {
      afterClear = false;
      if (c >= nextFreeCode) c = 0;
      previousCode = firstByte = c;
      *out++ = static_cast<uint8_t>(c);
      if (--pixelsLeft == 0) {
        StoreImageRow(rowBuffer, rowLength);
        out = rowBuffer;
        pixelsLeft = rowLength;
      }
      continue;
    }

    // Expand the code onto the stack, last byte first. A code at or above the
    // next free code is taken as the next free code: the previous string and its
    // own first byte.
    int32_t depth = 0;
    int32_t code = c;
    if (c >= nextFreeCode) {
      stack[depth++] = static_cast<uint8_t>(firstByte);
      code = previousCode;
    }
    // Every entry's prefix is an older code, so the walk ends within the table's
    // size; the bound only guards the stack.
    while (code >= firstFreeCode && depth < kLzwStackSize - 1) {
      stack[depth++] = suffix[code];
      code = prefix[code];
    }
    stack[depth++] = static_cast<uint8_t>(code);

    if (nextFreeCode < codeLimit) {
      firstByte = code;
      suffix[nextFreeCode] = static_cast<uint8_t>(code);
      prefix[nextFreeCode] = static_cast<uint16_t>(previousCode);
      // An out-of-range code stands for the entry just defined.
      previousCode = c < nextFreeCode ? c : nextFreeCode;
      nextFreeCode++;
    }
    if (nextFreeCode >= codeLimit && codeSize < kLzwMaxCodeSize) {
      codeLimit <<= 1;
      codeSize++;
    }

    // Pop the string into the row, storing each row as it fills.
    while (depth > 0) {
      int32_t n = depth < pixelsLeft ? depth : pixelsLeft;
      pixelsLeft -= n;
      while (n-- > 0) *out++ = stack[--depth];
      if (pixelsLeft == 0) {
        StoreImageRow(rowBuffer, rowLength);
        out = rowBuffer;
        pixelsLeft = rowLength;
      }
    }
  }
}
