#include "lzw_decoder.h"

#include <cstring>

#include "global_block.h"

LzwDecoder lzwDecoder;

namespace {

// Codes are copied in chunks of this many bytes, so a copy may run this far past
// its string's end; the next code writes over what ran past.
const int32_t kChunk = 16;

// Frames of up to this many pixels are decoded apart, into the scratch block,
// and copied to their rows from there; larger ones are decoded in their own block
// and set one row aside here while their rows are moved. A chunk more lets a row
// be read from here in whole chunks.
const int32_t kScratchSize = 65536;
uint8_t scratch[kScratchSize + kChunk];
// Which packed rows an interlaced image has already moved: one bit per row.
uint8_t rowMoved[kScratchSize / 8];

// Copies a string whose earlier occurrence ends before `to` starts, kChunk bytes
// at a time: a chunk is read whole before it is written, so reading past the
// string's end only fetches bytes that land past the string's end too.
inline void CopyString(uint8_t* to, const uint8_t* from, int32_t length) {
  uint8_t chunk[kChunk];
  std::memcpy(chunk, from, kChunk);
  std::memcpy(to, chunk, kChunk);
  for (int32_t i = kChunk; i < length; i += kChunk) {
    std::memcpy(chunk, from + i, kChunk);
    std::memcpy(to + i, chunk, kChunk);
  }
}

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
  // No sub-block yet: the first code fetches one.
  d.blockEnd = d.source->data + d.source->pos;
  d.nextByte = d.blockEnd;
  d.bitsTaken = 0;
}

// The code reader's state, in locals while an image is decoded.
struct Bits {
  const uint8_t* nextByte;
  int32_t bitsTaken;
  const uint8_t* blockEnd;
};

// Moves on to the next sub-block. False when there is none: the data ends, or
// its length is 0 (image data that ends while a code still needs bits; the zero
// is left unread, for the parser to end the image data on). A sub-block cut short
// by the end of the data is not used at all in the player's reading (a whole
// sub-block is there before any of its bits is used), and gives the bytes it has
// in the viewers'.
bool NextSubBlock(Bits* bits) {
  ByteReader* source = lzwDecoder.source;
  source->pos = static_cast<int32_t>(bits->blockEnd - source->data);
  if (source->pos >= source->size) return false;
  int32_t length = source->data[source->pos];
  if (length == 0) return false;
  source->pos++;
  if (length > source->size - source->pos) {
    length = source->size - source->pos;
    if (lzwDecoder.reading == LzwReading::kPlayer || length == 0) {
      source->pos = source->size;
      return false;
    }
  }
  bits->nextByte = source->data + source->pos;
  bits->blockEnd = bits->nextByte + length;
  source->pos += length;
  return true;
}

// A code whose bits may run into the next sub-block, taken bit group by bit
// group; -1 when the data runs out first.
int32_t ReadLzwCode(Bits* bits, int32_t codeSize) {
  int32_t code = 0;
  for (int32_t got = 0; got < codeSize;) {
    if (bits->nextByte == bits->blockEnd && !NextSubBlock(bits)) return -1;
    int32_t take = 8 - bits->bitsTaken;
    if (take > codeSize - got) take = codeSize - got;
    code |= ((*bits->nextByte >> bits->bitsTaken) & ((1 << take) - 1)) << got;
    got += take;
    bits->bitsTaken += take;
    if (bits->bitsTaken == 8) {
      bits->bitsTaken = 0;
      bits->nextByte++;
    }
  }
  return code;
}

// How an image's codes ended. The viewers' reading takes a code the table cannot
// hold as an end code.
enum class CodesEnd { kComplete, kEndCode, kNoData };

struct DecodeResult {
  CodesEnd how;
  int32_t written;  // output bytes
};

// The byte of each root, the low byte of its code, and a chunk's worth more so a
// root is copied like any string.
uint8_t rootBytes[2 * 256 + kChunk];

// Gives the roots below the clear code, and the clear and end codes, their
// entries. The roots' entries outlast the image: only codes that an earlier
// image's clear code or table reached are set again.
void PrepareRoots(int32_t clearCode) {
  LzwDecoder& d = lzwDecoder;
  for (int32_t c = d.rootsReady; c < clearCode; c++) {
    rootBytes[c] = static_cast<uint8_t>(c);
    d.strings[c] = LzwString{rootBytes + c, 1};
  }
  d.strings[clearCode] = LzwString{nullptr, 0};
  d.strings[clearCode + 1] = LzwString{nullptr, 0};
  d.rootsReady = clearCode;
}

// Decodes codes into `output` until it holds `total` bytes, the end code, or the
// end of the data (or, in the viewers' reading, a code the table cannot hold).
// Every image starts as after a clear code.
// Copies may write up to `writable` (exclusive), past the output's end.
DecodeResult DecodeCodes(int32_t minCodeSize, uint8_t* const output, const int32_t total,
                         const uint8_t* const writable) {
  LzwDecoder& d = lzwDecoder;
  const int32_t clearCode = d.clearCode;
  const int32_t endCode = d.endCode;
  const int32_t firstFreeCode = d.firstFreeCode;
  PrepareRoots(clearCode);
  LzwString* const strings = d.strings;
  Bits bits{d.nextByte, d.bitsTaken, d.blockEnd};
  const bool endAtDamage = d.reading == LzwReading::kViewer;

  uint8_t* out = output;
  uint8_t* const end = output + total;
  // A string that ends before this is copied in whole chunks: it leaves room
  // for a chunk's overrun, and the output is not complete after it.
  const uint8_t* const roomy = end - 1 < writable - kChunk ? end - 1 : writable - kChunk;
  // The code width grows when the next free code reaches codeLimit; at 12 bits
  // the limit is out of reach. With a full table the entry of code 4096, one
  // past the table's codes, takes the new entries: it is never read.
  int32_t codeSize, codeLimit, nextFreeCode, mask;
  const uint8_t* previous = nullptr;
  int32_t previousLength = 0;
  CodesEnd how;

  // The next code, into c; the image's data ends when there is none. While four
  // bytes of the sub-block are left, one load holds the whole code (at most 7
  // bits taken plus 12).
#define READ_CODE(c)                                                                   \
  if (bits.blockEnd - bits.nextByte >= 4) {                                           \
    uint32_t word;                                                                    \
    word = bits.nextByte[0] | bits.nextByte[1] << 8 | bits.nextByte[2] << 16 |       \
           static_cast<uint32_t>(bits.nextByte[3]) << 24;                            \
    c = static_cast<int32_t>((word >> bits.bitsTaken) & static_cast<uint32_t>(mask)); \
    bits.bitsTaken += codeSize;                                                       \
    bits.nextByte += bits.bitsTaken >> 3;                                             \
    bits.bitsTaken &= 7;                                                              \
  } else if ((c = ReadLzwCode(&bits, codeSize)) < 0) {                                \
    how = CodesEnd::kNoData;                                                          \
    goto done;                                                                        \
  }

restart:
  // The state after a clear code: the first code is a root and defines nothing.
  codeSize = minCodeSize + 1;
  codeLimit = 1 << codeSize;
  mask = codeLimit - 1;
  nextFreeCode = firstFreeCode;
  for (;;) {
    int32_t c;
    READ_CODE(c);
    if (c == endCode) {
      how = CodesEnd::kEndCode;
      goto done;
    }
    if (c == clearCode) continue;
    if (c >= nextFreeCode) {
      if (endAtDamage) {
        how = CodesEnd::kEndCode;
        goto done;
      }
      c = 0;
    }
    previous = out;
    previousLength = 1;
    *out++ = static_cast<uint8_t>(c);
    if (out == end) {
      how = CodesEnd::kComplete;
      goto done;
    }
    break;
  }

  for (;;) {
    int32_t c;
    READ_CODE(c);
    const uint8_t* from;
    int32_t length;
    if (c < nextFreeCode) {
      from = strings[c].bytes;
      length = strings[c].length;
      if (length == 0) {
        if (c == clearCode) goto restart;
        how = CodesEnd::kEndCode;
        goto done;
      }
      if (out + length <= roomy) {
        CopyString(out, from, length);
        goto copied;
      }
    } else {
      // Not defined yet: the previous string and its own first byte. A larger
      // code, which valid data never holds, is read the same way by the player.
      if (c > nextFreeCode && endAtDamage) {
        how = CodesEnd::kEndCode;
        goto done;
      }
      from = previous;
      length = previousLength + 1;
      if (out + length <= roomy) {
        CopyString(out, from, previousLength);
        out[previousLength] = *from;
        goto copied;
      }
    }
    {
      // Near the end of the output: byte by byte, and no further than the end.
      // A forward copy also repeats the first byte of an undefined code's string,
      // which by then is the first byte written here.
      const int32_t n = end - out < length ? static_cast<int32_t>(end - out) : length;
      for (int32_t i = 0; i < n; i++) out[i] = from[i];
      if (n == end - out) {
        out += n;
        how = CodesEnd::kComplete;
        goto done;
      }
    }
  copied:
    // The new entry: the previous string and the first byte of this one, which
    // follows it in the output.
    strings[nextFreeCode] = LzwString{previous, previousLength + 1};
    nextFreeCode += nextFreeCode < kGifMaxCodes;
    if (nextFreeCode == codeLimit) {
      codeSize++;
      mask = (1 << codeSize) - 1;
      codeLimit = codeSize < kGifMaxCodeSize ? 1 << codeSize : 2 * kGifMaxCodes;
    }
    previous = out;
    previousLength = length;
    out += length;
  }

#undef READ_CODE
done:
  d.nextByte = bits.nextByte;
  d.bitsTaken = bits.bitsTaken;
  d.blockEnd = bits.blockEnd;
  d.codeSize = static_cast<int16_t>(codeSize);
  d.codeLimit = static_cast<int16_t>(mask + 1);
  d.nextFreeCode = static_cast<int16_t>(nextFreeCode);
  return DecodeResult{how, static_cast<int32_t>(out - output)};
}

// The interlace pass that display row y belongs to.
int32_t PassOf(int32_t y) {
  int32_t pass = 0;
  while (pass < kGifInterlacePasses - 1 && (y - kGifPassStart[pass]) % kGifPassStep[pass] != 0) pass++;
  return pass;
}

// The output index of display row y in an interlaced image of height h: the
// rows of the passes before y's, then y's place in its own pass.
int32_t InterlacedIndex(int32_t y, int32_t h) {
  const int32_t pass = PassOf(y);
  int32_t index = (y - kGifPassStart[pass]) / kGifPassStep[pass];
  for (int32_t p = 0; p < pass; p++) {
    if (h > kGifPassStart[p]) index += (h - kGifPassStart[p] + kGifPassStep[p] - 1) / kGifPassStep[p];
  }
  return index;
}

// Puts the packed rows of an interlaced image (width bytes each, in pass order)
// into display order, in place: each cycle of the permutation moves its rows
// once, with one row set aside.
void Deinterlace(uint8_t* rows, int32_t width, int32_t height) {
  std::memset(rowMoved, 0, static_cast<size_t>(height / 8 + 1));
  for (int32_t first = 0; first < height; first++) {
    if (rowMoved[first >> 3] & (1 << (first & 7))) continue;
    std::memcpy(scratch, rows + static_cast<intptr_t>(first) * width, width);
    int32_t y = first;
    for (;;) {
      rowMoved[y >> 3] |= static_cast<uint8_t>(1 << (y & 7));
      const int32_t from = InterlacedIndex(y, height);
      if (from == first) {
        std::memcpy(rows + static_cast<intptr_t>(y) * width, scratch, width);
        break;
      }
      std::memcpy(rows + static_cast<intptr_t>(y) * width, rows + static_cast<intptr_t>(from) * width, width);
      y = from;
    }
  }
}

// The up to 3 bytes that pad a stored row to 4, set to 0 (and never by a call:
// rows can be one pixel wide).
inline void ClearPadding(uint8_t* row, int32_t width, int32_t stride) {
  switch (stride - width) {
    case 3:
      row[width + 2] = 0;
      [[fallthrough]];
    case 2:
      row[width + 1] = 0;
      [[fallthrough]];
    case 1:
      row[width] = 0;
      break;
    default:
      break;
  }
}

// Moves a row to a place that starts before it or apart from it. Narrow rows
// would spend more on calls than on bytes.
inline void MoveRow(uint8_t* to, const uint8_t* from, int32_t width) {
  if (width <= kChunk) {
    for (int32_t i = 0; i < width; i++) to[i] = from[i];
  } else {
    std::memmove(to, from, static_cast<size_t>(width));
  }
}

// Turns `height` packed rows of `width` bytes in display order, stored from
// `offset` in the bitmap's block, into its bottom-up rows of `stride` bytes,
// padding set to 0. The top and bottom rows trade places first, then the next
// pair inwards: with the packed rows starting half the padding's total into the
// block, no row is written over before it has been moved.
void StoreRowsBottomUp(IndexedBitmap* target, int32_t offset) {
  uint8_t* const block = target->pixels;
  const int32_t width = target->width, height = target->height, stride = target->stride;
  auto packed = [&](int32_t y) { return block + offset + static_cast<intptr_t>(y) * width; };
  auto stored = [&](int32_t y) { return block + static_cast<intptr_t>(height - 1 - y) * stride; };
  auto place = [&](int32_t y, const uint8_t* from) {
    MoveRow(stored(y), from, width);
    ClearPadding(stored(y), width, stride);
  };
  for (int32_t top = 0, bottom = height - 1; top < bottom; top++, bottom--) {
    MoveRow(scratch, packed(top), width);
    place(bottom, packed(bottom));
    place(top, scratch);
  }
  if (height % 2) place(height / 2, packed(height / 2));
}

// Copies a stored row of at most 16 bytes, padding included, four bytes at a
// time; the bytes read past the row's pixels are masked to 0 as its padding.
inline void CopyNarrowRow(uint8_t* to, const uint8_t* from, int32_t stride, uint32_t keep) {
  uint32_t word;
  int32_t i = 0;
  for (; i < stride - 4; i += 4) {
    std::memcpy(&word, from + i, 4);
    std::memcpy(to + i, &word, 4);
  }
  std::memcpy(&word, from + i, 4);
  word &= keep;
  std::memcpy(to + i, &word, 4);
}

// How many of the bytes decoded the image keeps: an end code keeps a partial
// row; data that runs out drops it in the player's reading.
int32_t KeptBytes(const DecodeResult& result, int32_t rowLength) {
  if (result.how == CodesEnd::kNoData && lzwDecoder.reading == LzwReading::kPlayer) {
    return result.written - result.written % rowLength;
  }
  return result.written;
}

// Copies the rows of a small frame, decoded into the scratch block in stream
// order, to their places. Stored rows go in memory order, so a row copied in
// whole chunks spills only into the next, which is written after it.
void StoreRowsFromScratch(IndexedBitmap* target, int32_t interlaced) {
  uint8_t* const block = target->pixels;
  const int32_t width = target->width, height = target->height, stride = target->stride;
  const uint8_t* const blockEnd = block + static_cast<intptr_t>(height) * stride;
  // The last word of a narrow row: its pixels kept, its padding 0, in the
  // word's own byte order.
  uint8_t keepBytes[4] = {0, 0, 0, 0};
  for (int32_t i = 0; i < 4 - (stride - width); i++) keepBytes[i] = 0xFF;
  uint32_t keep;
  std::memcpy(&keep, keepBytes, 4);
  for (int32_t r = 0; r < height; r++) {
    const int32_t y = height - 1 - r;
    const uint8_t* from = scratch + static_cast<intptr_t>(interlaced ? InterlacedIndex(y, height) : y) * width;
    uint8_t* to = block + static_cast<intptr_t>(r) * stride;
    if (stride <= kChunk) {
      CopyNarrowRow(to, from, stride, keep);
      continue;
    }
    if (width <= 4 * kChunk && to + width + kChunk <= blockEnd) {
      CopyString(to, from, width);
    } else {
      std::memcpy(to, from, static_cast<size_t>(width));
    }
    ClearPadding(to, width, stride);
  }
}

// Where the data never reached: the rest of a row an end code cut short, and the
// rows after it.
void ClearUnreached(uint8_t* output, int32_t written, int32_t total) {
  if (written < total) std::memset(output + written, 0, static_cast<size_t>(total - written));
}

// Places a finished row at the next display row; the part of the row the data
// did not reach is 0.
void StoreImageRow(const uint8_t* row, int32_t length) {
  LzwDecoder& d = lzwDecoder;
  IndexedBitmap* target = d.target;
  if (d.nextRow >= target->height) return;
  const int32_t n = length < target->width ? length : target->width;
  uint8_t* to = BitmapRowAddress(target, 0, target->height - 1 - d.nextRow);
  CopyBytes(to, row, n);
  std::memset(to + n, 0, static_cast<size_t>(target->width - n));
  d.nextRow = NextImageRow(d.nextRow, target->height);
}

// Rows of a length other than the bitmap's width: decoded into a block of their
// own, then stored row by row, cut or filled to the width.
void DecodeOddRows(int32_t minCodeSize, IndexedBitmap* target, int32_t rowLength) {
  const int64_t total = static_cast<int64_t>(rowLength) * target->height;
  uint8_t* output = total <= INT32_MAX ? static_cast<uint8_t*>(AllocFixedBlock(total)) : nullptr;
  if (output == nullptr) return;
  DecodeResult result = DecodeCodes(minCodeSize, output, static_cast<int32_t>(total), output + total);
  const int32_t kept = KeptBytes(result, rowLength);
  const int32_t rows = kept / rowLength;
  for (int32_t i = 0; i < rows; i++) StoreImageRow(output + static_cast<intptr_t>(i) * rowLength, rowLength);
  if (kept % rowLength) StoreImageRow(output + static_cast<intptr_t>(rows) * rowLength, kept % rowLength);
  lzwDecoder.written = kept;
  FreeFixedBlock(output);
}

// Every row from the next display row on holds 0.
void ClearRemainingRows() {
  LzwDecoder& d = lzwDecoder;
  IndexedBitmap* target = d.target;
  for (; d.nextRow < target->height; d.nextRow = NextImageRow(d.nextRow, target->height)) {
    std::memset(BitmapRowAddress(target, 0, target->height - 1 - d.nextRow), 0, static_cast<size_t>(target->width));
  }
}

}  // namespace

int32_t NextImageRow(int32_t r, int32_t h) {
  if (!lzwDecoder.interlaced) return r + 1;
  int32_t pass = PassOf(r);
  int32_t next = r + kGifPassStep[pass];
  while (next >= h && pass < kGifInterlacePasses - 1) next = kGifPassStart[++pass];
  return next;
}

int32_t StreamRowOf(int32_t y, int32_t h, int32_t interlaced) { return interlaced ? InterlacedIndex(y, h) : y; }

int16_t DecodeLzwImageAs(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength,
                         LzwReading reading) {
  LzwDecoder& d = lzwDecoder;
  d.source = reader;
  d.target = target;
  d.nextRow = 0;
  d.interlaced = interlaced;
  d.reading = reading;
  d.written = 0;
  const bool player = reading == LzwReading::kPlayer;
  // A bitmap without pixels has nothing to fill: its image data is left for the
  // parser to skip.
  const bool hasPixels = target->pixels != nullptr && target->width > 0 && target->height > 0;

  const int minCodeSize = NextImageByte();
  int16_t status = 0;
  if (minCodeSize < 0) {
    status = kLzwNoData;
  } else if (minCodeSize < (player ? kLzwPlayerMinCodeSizeLow : kLzwViewerMinCodeSizeLow) ||
             minCodeSize > (player ? kLzwPlayerMinCodeSizeHigh : kLzwViewerMinCodeSizeHigh)) {
    status = kLzwBadCodeSize;
  } else if (hasPixels && rowLength > 0) {
    InitLzwCodes(minCodeSize);
    if (rowLength == target->width) {
      // The rows go first into one run in stream order: the scratch block for a
      // small frame; for a larger one, its own block, starting half the block's
      // padding in. Then they go to their places.
      const int32_t width = target->width, height = target->height;
      const int64_t total = static_cast<int64_t>(width) * height;
      const int32_t offset = static_cast<int32_t>((static_cast<int64_t>(target->stride - width) * height) / 2);
      const bool small = total <= kScratchSize;
      uint8_t* const output = small ? scratch : target->pixels + offset;
      const uint8_t* const writable =
          small ? scratch + sizeof scratch : target->pixels + static_cast<intptr_t>(target->stride) * height;
      const DecodeResult result = DecodeCodes(minCodeSize, output, static_cast<int32_t>(total), writable);
      d.written = KeptBytes(result, width);
      ClearUnreached(output, d.written, static_cast<int32_t>(total));
      if (small) {
        StoreRowsFromScratch(target, interlaced);
      } else {
        if (interlaced) Deinterlace(output, width, height);
        StoreRowsBottomUp(target, offset);
      }
      d.nextRow = height;
    } else {
      DecodeOddRows(minCodeSize, target, rowLength);
    }
  }
  if (hasPixels) ClearRemainingRows();
  return status;
}
