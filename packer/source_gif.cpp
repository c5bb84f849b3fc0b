#include "source_gif.h"

#include <cstring>

#include "gif_cursor.h"

namespace {

const int kExtensionIntroducer = 0x21;
const int kImageIntroducer = 0x2C;
const int kTrailer = 0x3B;
const int kGraphicControlLabel = 0xF9;
const int kMaxCodeSize = 12;
const int kMaxCodes = 1 << kMaxCodeSize;
// Minimum code sizes whose literals are byte indices; other images show nothing.
const int kMinCodeSizeLow = 1;
const int kMinCodeSizeHigh = 8;

bool ReadColourTable(GifCursor* cursor, int sizeBits, std::vector<uint32_t>* colours) {
  const size_t count = size_t{2} << sizeBits;
  const uint8_t* entry = cursor->Here();
  if (!cursor->Skip(3 * count)) return false;
  colours->resize(count);
  for (size_t i = 0; i < count; i++, entry += 3) {
    (*colours)[i] = static_cast<uint32_t>(entry[0]) << 16 | entry[1] << 8 | entry[2];
  }
  return true;
}

// Walks the image's pixels in stream order (row by row, or the four interlace
// passes) and keeps those that land on the screen.
class ClippedSink {
 public:
  explicit ClippedSink(SourceFrame* frame)
      : frame_(frame), total_(static_cast<int64_t>(frame->width) * frame->height) {
    // The first visible row; the rows above it are all dropped.
    rowOffset_ = frame->clipTop - frame->top;
    columnOffset_ = frame->clipLeft - frame->left;
  }

  bool Full() const { return written_ >= total_ || done_; }
  int64_t written() const { return written_; }

  void Put(uint8_t index) {
    const int32_t cx = x_ - columnOffset_, cy = y_ - rowOffset_;
    if (cx >= 0 && cx < frame_->clipWidth && cy >= 0 && cy < frame_->clipHeight) {
      frame_->pixels[static_cast<size_t>(cy) * frame_->clipWidth + cx] = index;
    }
    written_++;
    if (++x_ < frame_->width) return;
    x_ = 0;
    NextRow();
  }

 private:
  void NextRow() {
    static const int32_t kPassStart[4] = {0, 4, 2, 1};
    static const int32_t kPassStep[4] = {8, 8, 4, 2};
    if (!frame_->interlaced) {
      y_++;
      // Every later row lies below the screen.
      if (y_ - rowOffset_ >= frame_->clipHeight) done_ = true;
      return;
    }
    y_ += kPassStep[pass_];
    while (y_ >= frame_->height && pass_ < 3) y_ = kPassStart[++pass_];
  }

  SourceFrame* frame_;
  const int64_t total_;
  int64_t written_ = 0;
  int32_t x_ = 0, y_ = 0, pass_ = 0;
  int32_t rowOffset_ = 0, columnOffset_ = 0;
  bool done_ = false;
};

// Reads bytes across the image's data sub-blocks.
class SubBlockReader {
 public:
  explicit SubBlockReader(GifCursor* cursor) : cursor_(cursor) {}
  int Byte() {
    if (left_ == 0) {
      if (ended_) return -1;
      int length = cursor_->Byte();
      if (length <= 0) {
        ended_ = true;
        terminated_ = length == 0;
        return -1;
      }
      left_ = length;
    }
    int byte = cursor_->Byte();
    if (byte < 0) {
      ended_ = true;
      left_ = 0;
      return -1;
    }
    left_--;
    return byte;
  }
  // Moves past what is left of the data through its terminator. False when the
  // stream ends first.
  bool Finish() {
    if (ended_) return terminated_;
    if (!cursor_->Skip(static_cast<size_t>(left_))) return false;
    left_ = 0;
    ended_ = true;
    return cursor_->SkipSubBlocks();
  }

 private:
  GifCursor* cursor_;
  int left_ = 0;
  bool ended_ = false;
  bool terminated_ = false;
};

// Decodes LZW codes into the sink until the end code, a bad code, the end of
// the data or the last pixel.
class LzwReader {
 public:
  LzwReader(int minCodeSize, SubBlockReader* input)
      : input_(input), clear_(1 << minCodeSize), end_(clear_ + 1), minCodeSize_(minCodeSize) {
    for (int i = 0; i < clear_; i++) {
      suffix_[i] = static_cast<uint8_t>(i);
      first_[i] = static_cast<uint8_t>(i);
    }
    Reset();
  }

  void Decode(ClippedSink* sink) {
    int previous = -1;
    while (!sink->Full()) {
      int code = ReadCode();
      if (code < 0 || code == end_) return;
      if (code == clear_) {
        Reset();
        previous = -1;
        continue;
      }
      if (previous < 0) {
        if (code >= clear_) return;  // a string before any is defined
        sink->Put(static_cast<uint8_t>(code));
        previous = code;
        continue;
      }
      int firstOfNew;
      if (code < next_) {
        Emit(code, sink);
        firstOfNew = first_[code];
      } else if (code == next_ && next_ < kMaxCodes) {
        firstOfNew = first_[previous];
        Emit(previous, sink);
        if (!sink->Full()) sink->Put(static_cast<uint8_t>(firstOfNew));
      } else {
        return;  // a code beyond the table
      }
      // A full table takes no more strings until the next clear.
      if (next_ < kMaxCodes) {
        prefix_[next_] = static_cast<uint16_t>(previous);
        suffix_[next_] = static_cast<uint8_t>(firstOfNew);
        first_[next_] = first_[previous];
        next_++;
        if (next_ == (1 << codeSize_) && codeSize_ < kMaxCodeSize) codeSize_++;
      }
      previous = code;
    }
  }

 private:
  void Reset() {
    codeSize_ = minCodeSize_ + 1;
    next_ = clear_ + 2;
  }

  int ReadCode() {
    while (bitCount_ < codeSize_) {
      int byte = input_->Byte();
      if (byte < 0) return -1;
      bits_ |= static_cast<uint32_t>(byte) << bitCount_;
      bitCount_ += 8;
    }
    int code = static_cast<int>(bits_ & ((1u << codeSize_) - 1));
    bits_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return code;
  }

  // Writes the string of `code`; its length is bounded by the table size.
  void Emit(int code, ClippedSink* sink) {
    int depth = 0;
    while (code >= clear_) {
      stack_[depth++] = suffix_[code];
      code = prefix_[code];
    }
    stack_[depth++] = static_cast<uint8_t>(code);
    while (depth > 0 && !sink->Full()) sink->Put(stack_[--depth]);
  }

  SubBlockReader* input_;
  const int clear_;
  const int end_;
  const int minCodeSize_;
  int codeSize_ = 0;
  int next_ = 0;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
  uint16_t prefix_[kMaxCodes];
  uint8_t suffix_[kMaxCodes];
  uint8_t first_[kMaxCodes];
  uint8_t stack_[kMaxCodes];
};

// Marks the pixels decoded before the data ran out: those whose place in
// stream order comes before `written`.
void MarkPresent(SourceFrame* frame, int64_t written) {
  frame->present.assign(frame->pixels.size(), 0);
  const int64_t h = frame->height;
  const int64_t pass0 = (h + 7) / 8, pass1 = (h + 3) / 8, pass2 = (h + 1) / 4;
  for (int32_t cy = 0; cy < frame->clipHeight; cy++) {
    const int64_t y = frame->clipTop - frame->top + cy;
    int64_t order = y;
    if (frame->interlaced) {
      if (y % 8 == 0) {
        order = y / 8;
      } else if (y % 8 == 4) {
        order = pass0 + y / 8;
      } else if (y % 4 == 2) {
        order = pass0 + pass1 + y / 4;
      } else {
        order = pass0 + pass1 + pass2 + y / 2;
      }
    }
    for (int32_t cx = 0; cx < frame->clipWidth; cx++) {
      const int64_t x = frame->clipLeft - frame->left + cx;
      if (order * frame->width + x < written) frame->present[static_cast<size_t>(cy) * frame->clipWidth + cx] = 1;
    }
  }
}

void Clip(const SourceGif& gif, SourceFrame* frame) {
  const int32_t right = frame->left + frame->width < gif.width ? frame->left + frame->width : gif.width;
  const int32_t bottom = frame->top + frame->height < gif.height ? frame->top + frame->height : gif.height;
  if (right <= frame->left || bottom <= frame->top) return;
  frame->clipLeft = frame->left;
  frame->clipTop = frame->top;
  frame->clipWidth = right - frame->left;
  frame->clipHeight = bottom - frame->top;
}

// kBroken: the descriptor, table or code size is cut short, so nothing shows;
// kTruncated: the image data is.
enum class ImageResult { kOk, kBroken, kTruncated, kTooLarge };

// The image after its 0x2C introducer: descriptor, local table and data.
ImageResult ReadImage(GifCursor* cursor, SourceGif* gif, SourceFrame* frame, int64_t* storedPixels) {
  const int left = cursor->U16(), top = cursor->U16(), width = cursor->U16(), height = cursor->U16();
  const int packed = cursor->Byte();
  if (packed < 0) return ImageResult::kBroken;
  frame->left = left;
  frame->top = top;
  frame->width = width;
  frame->height = height;
  frame->interlaced = (packed & 0x40) != 0;
  if ((packed & 0x80) && !ReadColourTable(cursor, packed & 7, &frame->localColours)) return ImageResult::kBroken;

  Clip(*gif, frame);
  const int64_t area = static_cast<int64_t>(frame->clipWidth) * frame->clipHeight;
  if (area > kMaxStoredFramePixels - *storedPixels) return ImageResult::kTooLarge;
  *storedPixels += area;

  const int minCodeSize = cursor->Byte();
  if (minCodeSize < 0) return ImageResult::kBroken;
  SubBlockReader input(cursor);
  int64_t written = 0;
  if (area > 0) frame->pixels.assign(static_cast<size_t>(area), 0);
  if (area > 0 && minCodeSize >= kMinCodeSizeLow && minCodeSize <= kMinCodeSizeHigh) {
    ClippedSink sink(frame);
    // The string table is too large for a comfortable stack frame.
    std::vector<LzwReader> reader;
    reader.emplace_back(minCodeSize, &input);
    reader[0].Decode(&sink);
    written = sink.Full() ? static_cast<int64_t>(width) * height : sink.written();
  }
  if (written < static_cast<int64_t>(width) * height && area > 0) MarkPresent(frame, written);
  return input.Finish() ? ImageResult::kOk : ImageResult::kTruncated;
}

}  // namespace

bool ReadSourceGif(const uint8_t* data, size_t size, SourceGif* gif, std::string* error) {
  *gif = SourceGif();
  GifCursor cursor(data, size);
  if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)) {
    *error = "not a GIF file (it does not start with GIF87a or GIF89a)";
    return false;
  }
  cursor.Skip(6);
  gif->width = cursor.U16();
  gif->height = cursor.U16();
  const int packed = cursor.Byte();
  gif->backgroundIndex = cursor.Byte();
  cursor.Byte();
  if (gif->width == 0 || gif->height == 0) {
    *error = "the logical screen is empty (" + std::to_string(gif->width) + " x " + std::to_string(gif->height) + ")";
    return false;
  }
  if (static_cast<int64_t>(gif->width) * gif->height > kMaxScreenPixels) {
    *error = "logical screen of " + std::to_string(gif->width) + " x " + std::to_string(gif->height) +
             " is too large to flatten (at most " + std::to_string(kMaxScreenPixels) + " pixels)";
    return false;
  }
  if ((packed & 0x80) && !ReadColourTable(&cursor, packed & 7, &gif->globalColours)) {
    *error = "the global colour table is cut short";
    return false;
  }

  int64_t storedPixels = 0;
  int32_t delay = 0, disposal = 0, transparent = -1;
  for (;;) {
    const int introducer = cursor.Byte();
    if (introducer == kTrailer) break;
    if (introducer == kExtensionIntroducer) {
      const int label = cursor.Byte();
      if (label == kGraphicControlLabel) {
        const uint8_t* block = cursor.Here();
        const int length = cursor.Byte();
        if (length >= 4 && cursor.Skip(static_cast<size_t>(length))) {
          disposal = (block[1] >> 2) & 7;
          delay = block[2] | block[3] << 8;
          transparent = (block[1] & 1) ? block[4] : -1;
          if (cursor.SkipSubBlocks()) continue;
        }
      } else if (label >= 0 && cursor.SkipSubBlocks()) {
        continue;
      }
      gif->truncated = true;
      break;
    }
    if (introducer != kImageIntroducer) {
      gif->truncated = true;
      break;
    }
    if (static_cast<int32_t>(gif->frames.size()) == kMaxSourceFrames) {
      *error = "more than " + std::to_string(kMaxSourceFrames) + " frames";
      return false;
    }
    gif->frames.emplace_back();
    SourceFrame* frame = &gif->frames.back();
    frame->delay = delay;
    frame->disposal = disposal;
    frame->transparent = transparent;
    delay = disposal = 0;
    transparent = -1;
    const ImageResult result = ReadImage(&cursor, gif, frame, &storedPixels);
    if (result == ImageResult::kTooLarge) {
      *error = "the frames hold more than " + std::to_string(kMaxStoredFramePixels) + " pixels on the screen";
      return false;
    }
    if (result == ImageResult::kBroken) gif->frames.pop_back();
    if (result != ImageResult::kOk) {
      gif->truncated = true;
      break;
    }
  }
  if (gif->frames.empty()) {
    *error = "no image in the stream";
    return false;
  }
  return true;
}
