// The plain GIF LZW decoder, kept as the reference the player's decoder is held
// to: each code's string is walked back through its prefix chain onto a stack and
// popped into a row, one pixel at a time, and each finished row goes to its
// display row. Same results as DecodeLzwImage on any input, by construction
// rather than for speed.
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "indexed_bitmap.h"

// Decodes one image from `reader` (at its minimum code size byte) into `target`;
// returns what DecodeLzwImage returns and leaves the reader where it does.
int16_t ReferenceDecodeLzwImage(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength);
