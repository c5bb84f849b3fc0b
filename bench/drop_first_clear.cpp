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

#include "gif_blocks.h"
#include "whole_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

const size_t kScreenFlagsOffset = 4;  // in the screen descriptor
const size_t kImageFlagsOffset = 8;  // in the image descriptor
const int kMaxCodes = 1 << kGifMaxCodeSize;
const int kMaxMinimumCodeSize = 11;  // a larger one leaves no room for a code
const size_t kMaxSubBlockSize = kGifMaxSubBlockSize;

struct LzwCode {
  int value;
  int width;
};

// Walks the input and builds the output; the first failure is kept in error.
struct Rewrite {
  const Bytes& in;
  size_t pos;
  Bytes out;
  std::string error;

  bool Fail(const std::string& why) {
    if (error.empty()) error = why;
    return false;
  }

  bool Has(size_t n) { return in.size() - pos >= n ? true : Fail("the file ends early"); }

  bool Copy(size_t n) {
    if (!Has(n)) return false;
    out.insert(out.end(), in.begin() + pos, in.begin() + pos + n);
    pos += n;
    return true;
  }

  // The sub-blocks at pos, joined up; pos moves past their terminator.
  bool ReadSubBlocks(Bytes* data) {
    for (;;) {
      if (!Has(1)) return false;
      const size_t size = in[pos++];
      if (size == 0) return true;
      if (!Has(size)) return false;
      data->insert(data->end(), in.begin() + pos, in.begin() + pos + size);
      pos += size;
    }
  }

  bool CopySubBlocks() {
    const size_t start = pos;
    Bytes ignored;
    if (!ReadSubBlocks(&ignored)) return false;
    out.insert(out.end(), in.begin() + start, in.begin() + pos);
    return true;
  }

  void WriteSubBlocks(const Bytes& data) {
    for (size_t at = 0; at < data.size(); at += kMaxSubBlockSize) {
      const size_t size = std::min(kMaxSubBlockSize, data.size() - at);
      out.push_back(static_cast<uint8_t>(size));
      out.insert(out.end(), data.begin() + at, data.begin() + at + size);
    }
    out.push_back(0);
  }

  bool CopyColorTable(int flags) {
    if ((flags & kGifColourTableFlag) == 0) return true;
    return Copy(size_t{3} << ((flags & kGifTableSizeMask) + 1));
  }
};

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
    } else if (nextFree < kMaxCodes) {
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

// From just after the introducer: the descriptor and palette are copied, the
// data re-packed. image counts from 1, for messages.
bool RewriteImage(Rewrite* r, int image) {
  if (!r->Has(kGifImageDescriptorSize)) return false;
  const int flags = r->in[r->pos + kImageFlagsOffset];
  if (!r->Copy(kGifImageDescriptorSize) || !r->CopyColorTable(flags) || !r->Has(1)) return false;
  const int minimumCodeSize = r->in[r->pos];
  Bytes data;
  if (!r->Copy(1) || !r->ReadSubBlocks(&data)) return false;
  const std::string which = "image " + std::to_string(image);
  if (minimumCodeSize < 1 || minimumCodeSize > kMaxMinimumCodeSize) {
    return r->Fail(which + " has a minimum code size of " + std::to_string(minimumCodeSize));
  }
  const std::vector<LzwCode> codes = ReadCodes(data, minimumCodeSize);
  const int clearCode = 1 << minimumCodeSize;
  size_t first = 0;
  // A run of clears at the start is as good as one.
  while (first < codes.size() && codes[first].value == clearCode) first++;
  if (first == 0) return r->Fail(which + " does not start with a clear code");
  r->WriteSubBlocks(PackCodes(codes, first));
  return true;
}

bool RewriteFile(Rewrite* r) {
  if (!r->Has(kGifSignatureSize + kGifScreenDescriptorSize)) return false;
  const int flags = r->in[kGifSignatureSize + kScreenFlagsOffset];
  if (!r->Copy(kGifSignatureSize + kGifScreenDescriptorSize) || !r->CopyColorTable(flags)) return false;
  int images = 0;
  for (;;) {
    if (!r->Has(1)) return false;
    const int introducer = r->in[r->pos];
    r->Copy(1);
    if (introducer == kGifTrailer) return true;
    bool ok = false;
    if (introducer == kGifImageIntroducer) {
      ok = RewriteImage(r, ++images);
    } else if (introducer == kGifExtensionIntroducer) {
      ok = r->Copy(1) && r->CopySubBlocks();
    } else {
      ok = r->Fail("unknown block introducer " + std::to_string(introducer) + " at offset " +
                   std::to_string(r->pos - 1));
    }
    if (!ok) return false;
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
  Rewrite rewrite{bytes, 0, {}, {}};
  if (!RewriteFile(&rewrite)) {
    std::fprintf(stderr, "%s: %s; nothing written\n", argv[1], rewrite.error.c_str());
    return 1;
  }
  if (!WriteWholeFile(argv[2], rewrite.out)) {
    std::fprintf(stderr, "%s: cannot write the file\n", argv[2]);
    return 1;
  }
  return 0;
}
