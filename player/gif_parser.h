// The GIF89a stream parser: logical screen, global colour table, graphic control
// delays and image descriptors. Every frame is decoded into its own bitmap.
// Transparency, disposal and looping are ignored; frames with a local colour table
// are kept and shown through the global palette.
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "gif_blocks.h"
#include "indexed_bitmap.h"

// One fixed global block per frame.
struct GifFrame {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  int32_t interlaced;  // 0x40 for an interlaced image, else 0
  IndexedBitmap bitmap;
  int32_t delay;  // hundredths of a second
};

struct GifAnimation {
  int32_t width;
  int32_t height;
  int32_t colourCount;  // 0 when the stream has no global colour table
  uint32_t colours[kGifMaxColours];  // red | green << 8 | blue << 16
  GifFrame** frames;
  int32_t frameCount;
  int32_t capacity;
};

// Fills the animation from the GIF in `reader` (pos 0). Malformed or truncated
// input ends the parse; the frames read so far stay.
void ParseGif(GifAnimation* animation, ByteReader* reader);

// Reads 2^(n+1) colour entries. False when the data ends inside the table; the
// colour count is then left as it was.
bool ReadColourTable(int32_t* colourCount, uint32_t* colours, int n, ByteReader* reader);

// The frame's bitmap, with the frame's rectangle on the logical screen in `rect`;
// null when the bitmap has no pixels.
IndexedBitmap* GetFrameRect(GifFrame* frame, RECT* rect);

// Returns every frame and the frame array; a second call does nothing.
void FreeGifAnimation(GifAnimation* animation);
