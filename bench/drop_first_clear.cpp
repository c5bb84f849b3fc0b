// drop-first-clear IN.gif OUT.gif: writes IN.gif again with each image's data
// re-packed without its leading clear code. Every image starts in the state
// that follows a clear code, so the pixels stay the same; a decoder that
// needs a clear code before its first string shows the difference.
// Every other byte of the file (header, palettes, extensions, descriptors) is
// copied as it is. An image that does not start with a clear code is an
// error, so the program refuses its own output.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "whole_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

const int kMaxMinimumCodeSize = 11;  // a larger one leaves no room for a code
const size_t kMaxSubBlockSize = kGifMaxSubBlockSize;

struct LzwCode {
  int value;
  int width;
};

// The image data at the cursor, its sub-blocks joined up; the cursor moves past
// their terminator. False when they are cut short.
bool ReadSubBlocks(GifCursor* cursor, Bytes* data) {
  for (;;) {
    const int size = cursor->Byte();
    if (size < 0) return false;
    if (size == 0) return true;
    const uint8_t* start = cursor->Here();
    if (!cursor->Skip(static_cast<size_t>(size))) return false;
    data->insert(data->end(), start, start + size);
  }
}

void WriteSubBlocks(const Bytes& data, Bytes* out) {
  for (size_t at = 0; at < data.size(); at += kMaxSubBlockSize) {
    const size_t size = std::min(kMaxSubBlockSize, data.size() - at);
    out->push_back(static_cast<uint8_t>(size));
    out->insert(out->end(), data.begin() + at, data.begin() + at + size);
  }
  out->push_back(0);
}

// Splits LZW data into its codes, each with the width it was read at, up to
// and including the end code or as far as whole codes reach. Widths follow the
// decoder: each code but the first after a clear defines the next free entry,
// and the width grows once the next free entry no longer fits, up to 12 bits.
std::vector<LzwCode> ReadCodes(const Bytes& data, int minimumCodeSize) {
  const int clearCode = 1 << minimumCodeSize;
  const int endCode = clearCode + 1;
  std::vector<LzwCode> codes;
  int width = minimumCodeSize + 1;
  int nextFree = clearCode + 2;
  bool afterClear = true;
  uint32_t bits = 0;
  int bitCount = 0;
  size_t at = 0;
  for (;;) {
    while (bitCount < width && at < data.size()) {
      bits |= static_cast<uint32_t>(data[at++]) << bitCount;
      bitCount += 8;
    }
    if (bitCount < width) break;
    const int code = static_cast<int>(bits & ((1u << width) - 1));
    bits >>= width;
    bitCount -= width;
    codes.push_back({code, width});
    if (code == endCode) break;
    if (code == clearCode) {
      width = minimumCodeSize + 1;
      nextFree = clearCode + 2;
      afterClear = true;
    } else if (afterClear) {
      afterClear = false;
    } else if (nextFree < kGifMaxCodes) {
      nextFree++;
      if (nextFree == 1 << width && width < kGifMaxCodeSize) width++;
    }
  }
  return codes;
}

Bytes PackCodes(const std::vector<LzwCode>& codes, size_t first) {
  Bytes data;
  uint32_t bits = 0;
  int bitCount = 0;
  for (size_t i = first; i < codes.size(); i++) {
    bits |= static_cast<uint32_t>(codes[i].value) << bitCount;
    bitCount += codes[i].width;
    for (; bitCount >= 8; bitCount -= 8, bits >>= 8) data.push_back(static_cast<uint8_t>(bits));
  }
  if (bitCount > 0) data.push_back(static_cast<uint8_t>(bits));
  return data;
}

// The image data at the walker's cursor, re-packed without its leading clear
// codes, onto `out`; image counts from 1, for messages. Empty `error` on success.
void RewriteImageData(GifCursor* cursor, int image, Bytes* out, std::string* error) {
  const std::string which = "image " + std::to_string(image);
  const int minimumCodeSize = cursor->Byte();
  Bytes data;
  if (minimumCodeSize < 0 || !ReadSubBlocks(cursor, &data)) {
    *error = "the file ends early";
    return;
  }
  if (minimumCodeSize < 1 || minimumCodeSize > kMaxMinimumCodeSize) {
    *error = which + " has a minimum code size of " + std::to_string(minimumCodeSize);
    return;
  }
  const std::vector<LzwCode> codes = ReadCodes(data, minimumCodeSize);
  const int clearCode = 1 << minimumCodeSize;
  size_t first = 0;
  // A run of clears at the start is as good as one.
  while (first < codes.size() && codes[first].value == clearCode) first++;
  if (first == 0) {
    *error = which + " does not start with a clear code";
    return;
  }
  out->push_back(static_cast<uint8_t>(minimumCodeSize));
  WriteSubBlocks(PackCodes(codes, first), out);
}

// The file with every image's data re-packed and every other byte as it is;
// empty, with `error` set, when a block is damaged or an image cannot be.
Bytes RewriteFile(const Bytes& in, std::string* error) {
  Bytes out;
  GifBlockWalker walker(in.data(), in.size());
  GifScreen screen;
  if (!walker.ReadScreen(&screen)) {
    *error = "the file ends early";
    return Bytes();
  }
  size_t copied = 0;  // what of `in` is in `out`
  auto copyTo = [&](size_t end) {
    out.insert(out.end(), in.begin() + copied, in.begin() + end);
    copied = end;
  };
  int images = 0;
  for (GifBlock block;;) {
    const GifBlockKind kind = walker.Next(&block);
    if (kind == GifBlockKind::kEnd) {
      *error = "a block is cut short or unknown at offset " + std::to_string(walker.offset());
      return Bytes();
    }
    copyTo(walker.offset());
    if (kind == GifBlockKind::kTrailer) return out;
    if (kind != GifBlockKind::kImage) continue;
    RewriteImageData(walker.cursor(), ++images, &out, error);
    if (!error->empty()) return Bytes();
    copied = walker.offset();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: drop-first-clear IN.gif OUT.gif\n");
    return 2;
  }
  bool read = false;
  const Bytes bytes = ReadWholeFile(argv[1], &read);
  if (!read) {
    std::fprintf(stderr, "%s: cannot read the file\n", argv[1]);
    return 1;
  }
  std::string error;
  const Bytes out = RewriteFile(bytes, &error);
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s; nothing written\n", argv[1], error.c_str());
    return 1;
  }
  if (!WriteWholeFile(argv[2], out)) {
    std::fprintf(stderr, "%s: cannot write the file\n", argv[2]);
    return 1;
  }
  return 0;
}
