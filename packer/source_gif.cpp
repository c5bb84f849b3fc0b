#include "source_gif.h"

#include <cstring>

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "gif_cursor.h"

namespace {

const int kMaxCodes = 1 << kGifMaxCodeSize;
// Minimum code sizes whose literals are byte indices; other images show nothing.
const int kMinCodeSizeLow = 1;
const int kMinCodeSizeHigh = 8;

std::vector<uint32_t> Colours(const uint8_t* entry, size_t count) {
  std::vector<uint32_t> colours(count);
  for (size_t i = 0; i < count; i++, entry += 3) {
    colours[i] = static_cast<uint32_t>(entry[0]) << 16 | entry[1] << 8 | entry[2];
  }
  return colours;
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
    if (!frame_->interlaced) {
      y_++;
      // Every later row lies below the screen.
      if (y_ - rowOffset_ >= frame_->clipHeight) done_ = true;
      return;
    }
    y_ += kGifPassStep[pass_];
    while (y_ >= frame_->height && pass_ < kGifInterlacePasses - 1) y_ = kGifPassStart[++pass_];
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
        if (next_ == (1 << codeSize_) && codeSize_ < kGifMaxCodeSize) codeSize_++;
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

// The image the walker has just read the descriptor of, and its data.
ImageResult ReadImage(const GifImageDescriptor& image, GifCursor* cursor, SourceGif* gif, SourceFrame* frame,
                      int64_t* storedPixels) {
  if (!image.whole) return ImageResult::kBroken;
  frame->left = image.left;
  frame->top = image.top;
  frame->width = image.width;
  frame->height = image.height;
  frame->interlaced = image.interlaced;
  if (image.localTable) {
    if (image.localColours == nullptr) return ImageResult::kBroken;
    frame->localColours = Colours(image.localColours, image.localTableEntries);
  }

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
    written = sink.Full() ? static_cast<int64_t>(image.width) * image.height : sink.written();
  }
  if (written < static_cast<int64_t>(image.width) * image.height && area > 0) MarkPresent(frame, written);
  return input.Finish() ? ImageResult::kOk : ImageResult::kTruncated;
}

}  // namespace

bool ReadSourceGif(const uint8_t* data, size_t size, SourceGif* gif, std::string* error) {
  *gif = SourceGif();
  GifBlockWalker walker(data, size);
  GifScreen screen;
  if (!walker.ReadScreen(&screen) || !screen.knownSignature) {
    *error = "not a GIF file (it does not start with GIF87a or GIF89a)";
    return false;
  }
  gif->width = screen.width;
  gif->height = screen.height;
  gif->backgroundIndex = screen.backgroundIndex;
  if (gif->width == 0 || gif->height == 0) {
    *error = "the logical screen is empty (" + std::to_string(gif->width) + " x " + std::to_string(gif->height) + ")";
    return false;
  }
  if (static_cast<int64_t>(gif->width) * gif->height > kMaxScreenPixels) {
    *error = "logical screen of " + std::to_string(gif->width) + " x " + std::to_string(gif->height) +
             " is too large to flatten (at most " + std::to_string(kMaxScreenPixels) + " pixels)";
    return false;
  }
  if (screen.globalTable) {
    if (screen.globalColours == nullptr) {
      *error = "the global colour table is cut short";
      return false;
    }
    gif->globalColours = Colours(screen.globalColours, screen.globalTableEntries);
  }

  int64_t storedPixels = 0;
  int32_t delay = 0, disposal = 0, transparent = -1;
  GifBlock block;
  for (;;) {
    const GifBlockKind kind = walker.Next(&block);
    if (kind == GifBlockKind::kTrailer) break;
    if (kind == GifBlockKind::kExtension) continue;
    // Viewers take the fields of a longer graphic control too.
    if (kind == GifBlockKind::kGraphicControl && block.control.blockSize >= kGifGraphicControlSize) {
      disposal = block.control.disposal();
      delay = block.control.delay;
      transparent = block.control.transparent() ? block.control.transparentIndex : -1;
      continue;
    }
    if (kind != GifBlockKind::kImage) {
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
    const ImageResult result = ReadImage(block.image, walker.cursor(), gif, frame, &storedPixels);
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
