#include "support/gif_decoders.h"

#include <gif_lib.h>

#include <cstring>

#include "byte_reader.h"
#include "gif_parser.h"
#include "indexed_bitmap.h"

namespace {

struct MemorySource {
  const std::vector<uint8_t>* bytes;
  size_t pos;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int length) {
  MemorySource* source = static_cast<MemorySource*>(gif->UserData);
  size_t left = source->bytes->size() - source->pos;
  size_t n = static_cast<size_t>(length) < left ? static_cast<size_t>(length) : left;
  if (n > 0) std::memcpy(buffer, source->bytes->data() + source->pos, n);
  source->pos += n;
  return static_cast<int>(n);
}

uint32_t PackColour(const GifColorType& c) { return c.Red | c.Green << 8 | static_cast<uint32_t>(c.Blue) << 16; }

// The loop count from a looping application extension among `blocks`.
int FindLoopCount(const ExtensionBlock* blocks, int count) {
  for (int i = 0; i + 1 < count; i++) {
    if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount == 11 &&
        std::memcmp(blocks[i].Bytes, "NETSCAPE2.0", 11) == 0 && blocks[i + 1].Function == CONTINUE_EXT_FUNC_CODE &&
        blocks[i + 1].ByteCount == 3 && blocks[i + 1].Bytes[0] == 1) {
      return blocks[i + 1].Bytes[1] | blocks[i + 1].Bytes[2] << 8;
    }
  }
  return -1;
}

}  // namespace

DecodedGif DecodeWithGiflib(const std::vector<uint8_t>& bytes) {
  DecodedGif result;
  MemorySource source{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, ReadMemory, &error);
  if (gif == nullptr) {
    result.error = GifErrorString(error);
    return result;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    result.error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return result;
  }
  result.width = gif->SWidth;
  result.height = gif->SHeight;
  if (gif->SColorMap != nullptr) {
    for (int i = 0; i < gif->SColorMap->ColorCount; i++) {
      result.colours.push_back(PackColour(gif->SColorMap->Colors[i]));
    }
  }
  for (int i = 0; i < gif->ImageCount; i++) {
    const SavedImage& image = gif->SavedImages[i];
    DecodedFrame frame;
    frame.left = image.ImageDesc.Left;
    frame.top = image.ImageDesc.Top;
    frame.width = image.ImageDesc.Width;
    frame.height = image.ImageDesc.Height;
    frame.localTable = image.ImageDesc.ColorMap != nullptr;
    if (frame.localTable) {
      for (int c = 0; c < image.ImageDesc.ColorMap->ColorCount; c++) {
        frame.localColours.push_back(PackColour(image.ImageDesc.ColorMap->Colors[c]));
      }
    }
    frame.interlaced = image.ImageDesc.Interlace;
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
      frame.delay = control.DelayTime;
      frame.disposal = control.DisposalMode;
      frame.transparent = control.TransparentColor;
    }
    // DGifSlurp has already put interlaced rows back in display order.
    frame.pixels.assign(image.RasterBits, image.RasterBits + static_cast<size_t>(frame.width) * frame.height);
    if (i == 0) result.loopCount = FindLoopCount(image.ExtensionBlocks, image.ExtensionBlockCount);
    result.frames.push_back(std::move(frame));
  }
  DGifCloseFile(gif, &error);
  result.ok = true;
  return result;
}

DecodedGif DecodeWithPlayer(const std::vector<uint8_t>& bytes) {
  DecodedGif result;
  GifAnimation animation;
  std::memset(&animation, 0, sizeof animation);
  ByteReader reader{bytes.data(), static_cast<int32_t>(bytes.size()), 0};
  ParseGif(&animation, &reader);
  result.width = animation.width;
  result.height = animation.height;
  result.colours.assign(animation.colours, animation.colours + animation.colourCount);
  for (int32_t i = 0; i < animation.frameCount; i++) {
    GifFrame* source = animation.frames[i];
    DecodedFrame frame;
    frame.left = source->left;
    frame.top = source->top;
    frame.width = source->width;
    frame.height = source->height;
    frame.delay = source->delay;
    frame.interlaced = source->interlaced != 0;
    if (source->bitmap.pixels != nullptr) {
      frame.pixels.resize(static_cast<size_t>(frame.width) * frame.height);
      for (int y = 0; y < frame.height; y++) {
        const uint8_t* row = BitmapRowAddress(&source->bitmap, 0, frame.height - 1 - y);
        std::memcpy(frame.pixels.data() + static_cast<size_t>(y) * frame.width, row, frame.width);
      }
    }
    result.frames.push_back(std::move(frame));
  }
  FreeGifAnimation(&animation);
  result.ok = true;
  return result;
}
