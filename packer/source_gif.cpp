#include "source_gif.h"

#include <cstring>

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "gif_cursor.h"
#include "lzw_decoder.h"

namespace {

std::vector<uint32_t> Colours(const uint8_t* entry, size_t count) {
  std::vector<uint32_t> colours(count);
  for (size_t i = 0; i < count; i++, entry += 3) {
    colours[i] = static_cast<uint32_t>(entry[0]) << 16 | entry[1] << 8 | entry[2];
  }
  return colours;
}

// Marks the pixels the data reached before the image ended: those whose place in
// stream order comes before `written`.
void MarkPresent(SourceFrame* frame, int64_t written) {
  frame->present.assign(frame->pixels.size(), 0);
  for (int32_t cy = 0; cy < frame->clipHeight; cy++) {
    const int64_t start = static_cast<int64_t>(StreamRowOf(cy, frame->height, frame->interlaced)) * frame->width;
    const int64_t reached = written - start < frame->clipWidth ? written - start : frame->clipWidth;
    for (int64_t cx = 0; cx < reached; cx++) frame->present[static_cast<size_t>(cy) * frame->clipWidth + cx] = 1;
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
// kTruncated: the image data is. kTooLarge: the frames' parts on the screen;
// kTooWide: the rows one frame must be decoded in.
enum class ImageResult { kOk, kBroken, kTruncated, kTooLarge, kTooWide };

// Decodes the image data at the cursor as viewers read it and keeps the part of
// the image on the screen. The image is decoded in its full width, down to the
// screen's bottom edge (to its own when interlaced, as its passes are laid out
// over its whole height). Leaves the cursor at the next sub-block's length byte.
ImageResult DecodeVisiblePart(GifCursor* cursor, SourceFrame* frame) {
  const int32_t rows = frame->interlaced ? frame->height : frame->clipHeight;
  if (static_cast<int64_t>(frame->width) * rows > kMaxDecodedFramePixels) return ImageResult::kTooWide;
  IndexedBitmap decoded;
  CreateIndexedBitmap(&decoded, frame->width, rows);
  if (decoded.pixels == nullptr) return ImageResult::kTooWide;
  const size_t left = cursor->Remaining() < INT32_MAX ? cursor->Remaining() : INT32_MAX;
  ByteReader data{cursor->Here(), static_cast<int32_t>(left), 0};
  DecodeLzwImageAs(&data, &decoded, frame->interlaced, frame->width, LzwReading::kViewer);
  cursor->Skip(static_cast<size_t>(data.pos));

  frame->pixels.resize(static_cast<size_t>(frame->clipWidth) * frame->clipHeight);
  for (int32_t cy = 0; cy < frame->clipHeight; cy++) {
    const uint8_t* row = BitmapRowAddress(&decoded, 0, rows - 1 - cy);
    std::memcpy(&frame->pixels[static_cast<size_t>(cy) * frame->clipWidth], row, static_cast<size_t>(frame->clipWidth));
  }
  ReleaseIndexedBitmap(&decoded);
  if (lzwDecoder.written < static_cast<int64_t>(frame->width) * rows) MarkPresent(frame, lzwDecoder.written);
  return ImageResult::kOk;
}

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

  // The minimum code size comes first.
  if (cursor->Remaining() == 0) return ImageResult::kBroken;
  if (area > 0) {
    const ImageResult decoded = DecodeVisiblePart(cursor, frame);
    if (decoded != ImageResult::kOk) return decoded;
  } else {
    cursor->Skip(1);
  }
  return cursor->SkipSubBlocks() ? ImageResult::kOk : ImageResult::kTruncated;
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
    if (result == ImageResult::kTooWide) {
      *error = "frame " + std::to_string(gif->frames.size() - 1) + " of " + std::to_string(frame->width) + " x " +
               std::to_string(frame->height) + " is too large to decode (at most " +
               std::to_string(kMaxDecodedFramePixels) + " pixels down to the screen's bottom edge)";
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
