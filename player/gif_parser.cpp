#include "gif_parser.h"

#include <cstring>

#include "gif_blocks.h"
#include "global_block.h"
#include "lzw_decoder.h"

namespace {

// The frame array grows by this many pointers at a time.
const int32_t kFrameArrayStep = 100;

bool ReadU16(ByteReader* reader, int32_t* value) {
  if (reader->size - reader->pos < 2) {
    reader->pos = reader->size;
    return false;
  }
  *value = reader->data[reader->pos] | reader->data[reader->pos + 1] << 8;
  reader->pos += 2;
  return true;
}

// Moves pos on by `count`; false (pos at the end) when that reaches the end.
bool Skip(ByteReader* reader, int32_t count) {
  if (count >= reader->size - reader->pos) {
    reader->pos = reader->size;
    return false;
  }
  reader->pos += count;
  return true;
}

bool AtEnd(const ByteReader* reader) { return reader->pos >= reader->size; }

// Skips data sub-blocks up to and including the zero length byte.
void SkipSubBlocks(ByteReader* reader) {
  for (;;) {
    int length = ReadByte(reader);
    if (length <= 0) return;
    if (!Skip(reader, length)) return;
  }
}

// The graphic control extension after its label: block size 4, packed, delay,
// transparent index, terminator 0. False ends the parse.
bool ReadGraphicControl(ByteReader* reader, int32_t* delay) {
  int blockSize = ReadByte(reader);
  if (blockSize != kGifGraphicControlSize) return false;
  if (ReadByte(reader) < 0) return false;
  if (!ReadU16(reader, delay)) return false;
  if (ReadByte(reader) < 0) return false;
  return ReadByte(reader) == 0;
}

// Appends a frame, growing the array by kFrameArrayStep when it is full.
bool AppendFrame(GifAnimation* animation, GifFrame* frame) {
  if (animation->frameCount == animation->capacity) {
    int64_t capacity = static_cast<int64_t>(animation->capacity) + kFrameArrayStep;
    GifFrame** grown = static_cast<GifFrame**>(AllocFixedBlock(capacity * static_cast<int64_t>(sizeof(GifFrame*))));
    if (grown == nullptr) return false;
    CopyBytes(grown, animation->frames, animation->capacity * static_cast<int32_t>(sizeof(GifFrame*)));
    FreeFixedBlock(animation->frames);
    animation->frames = grown;
    animation->capacity = static_cast<int32_t>(capacity);
  }
  animation->frames[animation->frameCount++] = frame;
  return true;
}

void FreeFrame(GifFrame* frame) {
  ReleaseIndexedBitmap(&frame->bitmap);
  FreeFixedBlock(frame);
}

}  // namespace

bool ReadColourTable(int32_t* colourCount, uint32_t* colours, int n, ByteReader* reader) {
  const int32_t count = 1 << (n + 1);
  if (reader->size - reader->pos < 3 * count) {
    reader->pos = reader->size;
    return false;
  }
  const uint8_t* entry = reader->data + reader->pos;
  for (int32_t i = 0; i < count; i++, entry += 3) {
    colours[i] = entry[0] | entry[1] << 8 | static_cast<uint32_t>(entry[2]) << 16;
  }
  reader->pos += 3 * count;
  *colourCount = count;
  return true;
}

// Reads the descriptor after the image introducer, creates the frame's bitmap and
// decodes its image data. False when the descriptor itself is cut short.
static bool ReadImageDescriptor(GifFrame* frame, ByteReader* reader) {
  frame->delay = 0;
  if (!ReadU16(reader, &frame->left) || !ReadU16(reader, &frame->top) || !ReadU16(reader, &frame->width) ||
      !ReadU16(reader, &frame->height)) {
    return false;
  }
  int packed = ReadByte(reader);
  if (packed < 0) return false;
  frame->interlaced = packed & kGifInterlaceFlag;
  // A local colour table is skipped: the frame shows through the global palette.
  if ((packed & kGifColourTableFlag) && !Skip(reader, 3 * (1 << ((packed & kGifTableSizeMask) + 1)))) return true;
  if (AtEnd(reader)) return true;

  CreateIndexedBitmap(&frame->bitmap, frame->width, frame->height);
  DecodeLzwImage(reader, &frame->bitmap, frame->interlaced, frame->width);
  SkipSubBlocks(reader);
  return true;
}

void ParseGif(GifAnimation* animation, ByteReader* reader) {
  animation->frameCount = 0;
  animation->capacity = kFrameArrayStep;
  animation->frames = static_cast<GifFrame**>(AllocFixedBlock(kFrameArrayStep * sizeof(GifFrame*)));
  if (animation->frames == nullptr) {
    animation->capacity = 0;
    return;
  }

  // The signature: both versions are read alike.
  if (!Skip(reader, kGifSignatureSize)) return;
  if (!ReadU16(reader, &animation->width) || !ReadU16(reader, &animation->height)) return;
  int packed = ReadByte(reader);
  if (packed < 0 || ReadByte(reader) < 0 || ReadByte(reader) < 0) return;
  if (AtEnd(reader)) return;
  if (packed & kGifColourTableFlag) {
    if (!ReadColourTable(&animation->colourCount, animation->colours, packed & kGifTableSizeMask, reader)) return;
    if (AtEnd(reader)) return;
  }

  bool delayPending = false;
  int32_t pendingDelay = 0;
  for (;;) {
    int introducer = ReadByte(reader);
    if (introducer == kGifExtensionIntroducer) {
      int label = ReadByte(reader);
      if (label < 0) return;
      if (label == kGifGraphicControlLabel) {
        if (!ReadGraphicControl(reader, &pendingDelay)) return;
        delayPending = true;
        continue;
      }
      if (AtEnd(reader)) return;
      for (;;) {
        int length = ReadByte(reader);
        if (length < 0) return;
        if (length == 0) break;
        if (!Skip(reader, length)) return;
      }
    } else if (introducer == kGifImageIntroducer) {
      GifFrame* frame = static_cast<GifFrame*>(AllocFixedBlock(sizeof(GifFrame)));
      if (frame == nullptr) return;
      std::memset(frame, 0, sizeof *frame);  // no pixels, delay 0
      if (!ReadImageDescriptor(frame, reader) || !AppendFrame(animation, frame)) {
        FreeFrame(frame);
        return;
      }
      if (delayPending) {
        frame->delay = pendingDelay;
        delayPending = false;
      }
    } else {
      return;  // the trailer, or anything else
    }
  }
}

IndexedBitmap* GetFrameRect(GifFrame* frame, RECT* rect) {
  if (frame->bitmap.pixels == nullptr) return nullptr;
  rect->left = frame->left;
  rect->top = frame->top;
  rect->right = frame->left + frame->width;
  rect->bottom = frame->top + frame->height;
  return &frame->bitmap;
}

void FreeGifAnimation(GifAnimation* animation) {
  if (animation->frames == nullptr) return;
  for (int32_t i = 0; i < animation->frameCount; i++) FreeFrame(animation->frames[i]);
  FreeFixedBlock(animation->frames);
  animation->frames = nullptr;
  animation->frameCount = 0;
}
