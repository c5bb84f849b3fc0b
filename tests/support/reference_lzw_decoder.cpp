#include "support/reference_lzw_decoder.h"

#include <cstring>
#include <vector>

#include "gif_blocks.h"
#include "lzw_decoder.h"

namespace {

// The display row after r: rows in order, or the four interlace passes (every
// 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
int32_t NextRow(int32_t r, int32_t h, bool interlaced) {
  if (!interlaced) return r + 1;
  int pass = r % 8 == 0 ? 0 : r % 8 == 4 ? 1 : r % 4 == 2 ? 2 : 3;
  if (r + kGifPassStep[pass] < h) return r + kGifPassStep[pass];
  for (pass++; pass < kGifInterlacePasses; pass++) {
    if (kGifPassStart[pass] < h) return kGifPassStart[pass];
  }
  return h;
}

struct Decoder {
  ByteReader* source;  // null once the last row is stored
  IndexedBitmap* target;
  bool interlaced;
  int32_t nextRow = 0;

  uint8_t block[255];
  int32_t blockLeft = 0;
  const uint8_t* blockByte = nullptr;
  uint32_t bits = 0;
  int32_t bitCount = 0;

  uint16_t prefix[kGifMaxCodes];
  uint8_t suffix[kGifMaxCodes];

  // A whole sub-block, or false: source cut or exhausted, a zero length (left
  // unread), or a sub-block cut short by the end of the data.
  bool Fetch() {
    if (source == nullptr || source->pos >= source->size) return false;
    int32_t length = source->data[source->pos];
    if (length == 0) return false;
    source->pos++;
    if (length > source->size - source->pos) {
      source->pos = source->size;
      return false;
    }
    std::memcpy(block, source->data + source->pos, length);
    source->pos += length;
    blockByte = block;
    blockLeft = length;
    return true;
  }

  int32_t Code(int32_t size) {
    while (bitCount < size) {
      if (blockLeft == 0 && !Fetch()) return -1;
      bits |= static_cast<uint32_t>(*blockByte++) << bitCount;
      blockLeft--;
      bitCount += 8;
    }
    int32_t code = static_cast<int32_t>(bits & ((1u << size) - 1));
    bits >>= size;
    bitCount -= size;
    return code;
  }

  void Store(const uint8_t* row, int32_t length) {
    if (nextRow >= target->height) return;
    uint8_t* to = BitmapRowAddress(target, 0, target->height - 1 - nextRow);
    int32_t n = length < target->width ? length : target->width;
    std::memcpy(to, row, n);
    std::memset(to + n, 0, target->width - n);
    nextRow = NextRow(nextRow, target->height, interlaced);
    if (nextRow >= target->height) source = nullptr;
  }

  void ClearRest() {
    for (; nextRow < target->height; nextRow = NextRow(nextRow, target->height, interlaced)) {
      std::memset(BitmapRowAddress(target, 0, target->height - 1 - nextRow), 0, target->width);
    }
  }
};

Decoder decoder;

}  // namespace

int16_t ReferenceDecodeLzwImage(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength) {
  Decoder& d = decoder;
  d.source = reader;
  d.target = target;
  d.interlaced = interlaced != 0;
  d.nextRow = 0;
  d.blockLeft = 0;
  d.bits = 0;
  d.bitCount = 0;

  int minCodeSize = ReadByte(reader);
  const bool hasPixels = target->pixels != nullptr && target->height > 0;
  auto finish = [&](int16_t status) {
    if (hasPixels) d.ClearRest();
    return status;
  };
  if (minCodeSize < 0) return finish(-1);
  if (minCodeSize < kLzwPlayerMinCodeSizeLow || minCodeSize > kLzwPlayerMinCodeSizeHigh) return finish(-20);
  // Nothing to fill: the image data is left for the parser to skip.
  if (rowLength <= 0 || !hasPixels) return finish(0);

  const int32_t clear = 1 << minCodeSize, end = clear + 1, firstFree = clear + 2;
  int32_t codeSize = minCodeSize + 1, nextFree = firstFree;
  int32_t previous = 0, firstByte = 0;
  bool afterClear = true;
  std::vector<uint8_t> row(rowLength), stack;
  int32_t filled = 0;
  auto emit = [&](uint8_t pixel) {
    row[filled++] = pixel;
    if (filled == rowLength) {
      d.Store(row.data(), rowLength);
      filled = 0;
    }
  };

  for (;;) {
    int32_t c = d.Code(codeSize);
    if (c < 0) return finish(0);  // a partial row is dropped
    if (c == end) {
      if (filled > 0) d.Store(row.data(), filled);
      return finish(0);
    }
    if (c == clear) {
      codeSize = minCodeSize + 1;
      nextFree = firstFree;
      afterClear = true;
      continue;
    }
    if (afterClear) {
      afterClear = false;
      if (c >= nextFree) c = 0;
      previous = firstByte = c;
      emit(static_cast<uint8_t>(c));
      continue;
    }
    // The string: the chain walked back to its root. A code at or above the next
    // free code stands for the previous string and its own first byte.
    stack.clear();
    int32_t code = c;
    if (c >= nextFree) {
      stack.push_back(static_cast<uint8_t>(firstByte));
      code = previous;
    }
    while (code >= firstFree) {
      stack.push_back(d.suffix[code]);
      code = d.prefix[code];
    }
    stack.push_back(static_cast<uint8_t>(code));
    if (nextFree < kGifMaxCodes) {
      firstByte = code;
      d.prefix[nextFree] = static_cast<uint16_t>(previous);
      d.suffix[nextFree] = static_cast<uint8_t>(code);
      previous = c < nextFree ? c : nextFree;
      nextFree++;
      if (nextFree == 1 << codeSize && codeSize < kGifMaxCodeSize) codeSize++;
    }
    for (size_t i = stack.size(); i-- > 0;) emit(stack[i]);
  }
}
