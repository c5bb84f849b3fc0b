#include "gif_encoder.h"

#include <algorithm>
#include <array>
#include <memory>

#include "byte_writer.h"
#include "gif_blocks.h"

namespace {

// Twice the codes the table can hold keeps linear probe runs short.
const int kHashBits = 13;
const uint32_t kHashSlots = 1u << kHashBits;
const uint32_t kEmptySlot = 0xFFFFFFFFu;

// Packs variable-width codes least significant bit first into data sub-blocks.
class CodeWriter {
 public:
  CodeWriter(std::vector<uint8_t>* out, int blockSize) : out_(out), blockSize_(blockSize) {}

  void Put(uint32_t code, int size) {
    bits_ |= code << bitCount_;
    bitCount_ += size;
    while (bitCount_ >= 8) {
      PutByte(static_cast<uint8_t>(bits_ & 0xFF));
      bits_ >>= 8;
      bitCount_ -= 8;
    }
  }

  // Pads the last code to a byte, writes the open sub-block and the terminator.
  void Close() {
    if (bitCount_ > 0) PutByte(static_cast<uint8_t>(bits_ & 0xFF));
    bits_ = 0;
    bitCount_ = 0;
    FlushBlock();
    out_->push_back(kGifBlockTerminator);
  }

 private:
  void PutByte(uint8_t byte) {
    block_[blockLength_++] = byte;
    if (blockLength_ == blockSize_) FlushBlock();
  }

  void FlushBlock() {
    if (blockLength_ == 0) return;
    out_->push_back(static_cast<uint8_t>(blockLength_));
    out_->insert(out_->end(), block_.begin(), block_.begin() + blockLength_);
    blockLength_ = 0;
  }

  std::vector<uint8_t>* out_;
  const int blockSize_;
  std::array<uint8_t, kGifMaxSubBlockSize> block_;
  int blockLength_ = 0;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
};

// The LZW compressor: strings are found through an open-addressing hash on
// (prefix code, next byte). Indices are fed one at a time so frames with any
// row layout need no flat copy.
class LzwEncoder {
 public:
  LzwEncoder(int minCodeSize, std::vector<uint8_t>* out, int subBlockSize = kGifMaxSubBlockSize)
      : writer_(out, subBlockSize),
        minCodeSize_(minCodeSize),
        clearCode_(1 << minCodeSize),
        endCode_(clearCode_ + 1) {
    out->push_back(static_cast<uint8_t>(minCodeSize));
    ResetTable();
    writer_.Put(clearCode_, codeSize_);
  }

  void Add(uint8_t index) {
    if (prefix_ < 0) {
      prefix_ = index;
      return;
    }
    const uint32_t key = static_cast<uint32_t>(prefix_) << 8 | index;
    uint32_t slot = Hash(key);
    while (slotKeys_[slot] != kEmptySlot) {
      if (slotKeys_[slot] == key) {
        prefix_ = slotCodes_[slot];
        return;
      }
      slot = (slot + 1) & (kHashSlots - 1);
    }
    Emit(prefix_);
    slotKeys_[slot] = key;
    slotCodes_[slot] = static_cast<uint16_t>(nextCode_++);
    // The decoder adds this entry only when it reads the next code, so a clear
    // sent now reaches it before its table is full.
    if (nextCode_ == kGifMaxCodes) {
      writer_.Put(clearCode_, codeSize_);
      ResetTable();
    }
    prefix_ = index;
  }

  void Finish() {
    if (prefix_ >= 0) {
      Emit(prefix_);
      // The decoder adds an entry for the last string before it reads the end
      // code, which may widen the code it expects.
      if (nextCode_ < kGifMaxCodes) nextCode_++;
      GrowCodeSize();
    }
    writer_.Put(endCode_, codeSize_);
    writer_.Close();
  }

 private:
  static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> (32 - kHashBits); }

  void ResetTable() {
    std::fill(slotKeys_.begin(), slotKeys_.end(), kEmptySlot);
    nextCode_ = clearCode_ + 2;
    codeSize_ = minCodeSize_ + 1;
  }

  // A code is written as wide as the decoder's next free code needs.
  void GrowCodeSize() {
    if (nextCode_ > (1 << codeSize_) && codeSize_ < kGifMaxCodeSize) codeSize_++;
  }

  void Emit(int code) {
    GrowCodeSize();
    writer_.Put(static_cast<uint32_t>(code), codeSize_);
  }

  CodeWriter writer_;
  const int minCodeSize_;
  const int clearCode_;
  const int endCode_;
  int nextCode_ = 0;
  int codeSize_ = 0;
  int prefix_ = -1;
  std::array<uint32_t, kHashSlots> slotKeys_;
  std::array<uint16_t, kHashSlots> slotCodes_;
};

// The bits n of the smallest table of 2^(n+1) entries that holds `count` colours.
int TableBits(int count) {
  int bits = 0;
  while ((2 << bits) < count) bits++;
  return bits;
}

// Writes the table for `palette`, padded with black to `entries`.
void PutColourTable(const std::vector<GifColour>& palette, int entries, std::vector<uint8_t>* out) {
  for (int i = 0; i < entries; i++) {
    const GifColour colour = i < static_cast<int>(palette.size()) ? palette[i] : GifColour{0, 0, 0};
    out->push_back(colour.red);
    out->push_back(colour.green);
    out->push_back(colour.blue);
  }
}

}  // namespace

int GifMinCodeSize(int colourCount) {
  int bits = 1;
  while ((1 << bits) < colourCount) bits++;
  return std::max(bits, kGifMinCodeSize);
}

void AppendLzwImageData(const uint8_t* indices, size_t count, int minCodeSize, std::vector<uint8_t>* out,
                        int subBlockSize) {
  // The hash table is too large for a comfortable stack frame.
  auto encoder = std::make_unique<LzwEncoder>(minCodeSize, out, subBlockSize);
  for (size_t i = 0; i < count; i++) encoder->Add(indices[i]);
  encoder->Finish();
}

bool GifEncoder::Fail(const std::string& message) {
  error_ = message;
  return false;
}

bool GifEncoder::Begin(int32_t width, int32_t height, const std::vector<GifColour>& palette, int32_t loopCount) {
  if (palette.empty() || palette.size() > static_cast<size_t>(kGifMaxColours)) {
    return Fail("the palette must hold 1 to 256 colours");
  }
  return BeginStream(width, height, palette, loopCount);
}

bool GifEncoder::BeginWithoutGlobalTable(int32_t width, int32_t height, int32_t loopCount) {
  return BeginStream(width, height, {}, loopCount);
}

bool GifEncoder::BeginStream(int32_t width, int32_t height, const std::vector<GifColour>& palette,
                             int32_t loopCount) {
  if (begun_) return Fail("the stream has already begun");
  if (width < 1 || width > kGifMaxSide || height < 1 || height > kGifMaxSide) {
    return Fail("screen sides must be 1 to 65535");
  }
  if (loopCount > 65535) return Fail("the loop count must be at most 65535");
  colourCount_ = static_cast<int>(palette.size());
  const int tableBits = TableBits(colourCount_);
  tableSize_ = palette.empty() ? 0 : 2 << tableBits;
  minCodeSize_ = palette.empty() ? 0 : GifMinCodeSize(tableSize_);

  bytes_.clear();
  const char header[] = "GIF89a";
  bytes_.insert(bytes_.end(), header, header + kGifSignatureSize);
  PutU16(&bytes_, width);
  PutU16(&bytes_, height);
  // 8 bits of colour resolution, unsorted, the global table's size if there is one.
  const int tableFlags = palette.empty() ? 0 : kGifColourTableFlag | tableBits;
  bytes_.push_back(static_cast<uint8_t>(kGifColourResolution | tableFlags));
  bytes_.push_back(0);  // background index
  bytes_.push_back(0);  // square pixels
  PutColourTable(palette, tableSize_, &bytes_);

  if (loopCount >= 0) {
    bytes_.push_back(kGifExtensionIntroducer);
    bytes_.push_back(kGifApplicationLabel);
    bytes_.push_back(kGifLoopingApplicationSize);
    bytes_.insert(bytes_.end(), kGifLoopingApplication, kGifLoopingApplication + kGifLoopingApplicationSize);
    bytes_.push_back(kGifLoopSubBlockSize);
    bytes_.push_back(kGifLoopSubBlockId);
    PutU16(&bytes_, loopCount);
    bytes_.push_back(kGifBlockTerminator);
  }
  begun_ = true;
  return true;
}

bool GifEncoder::AddFrame(const GifFrameImage& image) {
  if (!begun_) return Fail("Begin has not been called");
  if (finished_) return Fail("the stream is finished");
  if (image.width < 1 || image.width > kGifMaxSide || image.height < 1 || image.height > kGifMaxSide) {
    return Fail("frame sides must be 1 to 65535");
  }
  if (image.left < 0 || image.left > kGifMaxSide || image.top < 0 || image.top > kGifMaxSide) {
    return Fail("frame positions must be 0 to 65535");
  }
  if (image.delay < 0 || image.delay > 65535) return Fail("the delay must be 0 to 65535");
  if (image.disposal < 0 || image.disposal > 7) return Fail("the disposal method must be 0 to 7");
  if (image.pixels == nullptr) return Fail("the frame has no pixels");
  const bool local = !image.localPalette.empty();
  if (image.localPalette.size() > static_cast<size_t>(kGifMaxColours)) {
    return Fail("the local palette must hold 1 to 256 colours");
  }
  if (!local && colourCount_ == 0) return Fail("the stream has no global table, and the frame no local palette");
  const int colours = local ? static_cast<int>(image.localPalette.size()) : colourCount_;
  const ptrdiff_t stride = image.stride != 0 ? image.stride : image.width;
  for (int32_t y = 0; y < image.height; y++) {
    const uint8_t* row = image.pixels + y * stride;
    for (int32_t x = 0; x < image.width; x++) {
      if (row[x] >= colours) return Fail("a pixel lies outside the palette");
    }
  }

  bytes_.push_back(kGifExtensionIntroducer);
  bytes_.push_back(kGifGraphicControlLabel);
  bytes_.push_back(kGifGraphicControlSize);
  bytes_.push_back(static_cast<uint8_t>(image.disposal << kGifDisposalShift));
  PutU16(&bytes_, image.delay);
  bytes_.push_back(0);  // transparent index, unused
  bytes_.push_back(kGifBlockTerminator);

  bytes_.push_back(kGifImageIntroducer);
  PutU16(&bytes_, image.left);
  PutU16(&bytes_, image.top);
  PutU16(&bytes_, image.width);
  PutU16(&bytes_, image.height);
  const int localBits = TableBits(colours);
  const int localFlags = local ? kGifColourTableFlag | localBits : 0;
  bytes_.push_back(static_cast<uint8_t>((image.interlaced ? kGifInterlaceFlag : 0) | localFlags));
  if (local) PutColourTable(image.localPalette, 2 << localBits, &bytes_);

  auto encoder = std::make_unique<LzwEncoder>(local ? GifMinCodeSize(2 << localBits) : minCodeSize_, &bytes_);
  const int passes = image.interlaced ? kGifInterlacePasses : 1;
  for (int pass = 0; pass < passes; pass++) {
    const int32_t first = image.interlaced ? kGifPassStart[pass] : 0;
    const int32_t step = image.interlaced ? kGifPassStep[pass] : 1;
    for (int32_t y = first; y < image.height; y += step) {
      const uint8_t* row = image.pixels + y * stride;
      for (int32_t x = 0; x < image.width; x++) encoder->Add(row[x]);
    }
  }
  encoder->Finish();
  return true;
}

bool GifEncoder::Finish() {
  if (!begun_) return Fail("Begin has not been called");
  if (finished_) return Fail("the stream is already finished");
  bytes_.push_back(kGifTrailer);
  finished_ = true;
  return true;
}
