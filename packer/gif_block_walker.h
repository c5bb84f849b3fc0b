// Walks the blocks of a GIF stream for the packer and the tools that take
// streams apart: the logical screen, then each graphic control, other extension
// and image descriptor with its fields and where its data lies. It never reads
// past the end of the data; what each reader makes of a damaged block is its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gif_cursor.h"

struct GifScreen {
  bool knownSignature = false;  // "GIF87a" or "GIF89a"
  int32_t width = 0;
  int32_t height = 0;
  int32_t backgroundIndex = 0;
  bool globalTable = false;
  size_t globalTableEntries = 0;
  const uint8_t* globalColours = nullptr;  // red, green, blue per entry; null when the table is cut short
};

struct GifGraphicControl {
  int blockSize = 0;  // the first sub-block's length; the fields below need 4
  int packed = 0;
  int32_t delay = 0;  // hundredths of a second
  int32_t transparentIndex = 0;
  bool alone = false;  // the first sub-block is the only one

  int disposal() const;
  bool transparent() const;
};

struct GifImageDescriptor {
  bool whole = false;  // the descriptor is there to its last byte; the fields below need it
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool interlaced = false;
  bool localTable = false;
  size_t localTableEntries = 0;
  const uint8_t* localColours = nullptr;  // red, green, blue per entry; null when the table is cut short
};

enum class GifBlockKind {
  kGraphicControl,
  kExtension,  // any other extension, its sub-blocks passed
  kImage,      // the cursor stands at the image data
  kTrailer,
  // The data ended, a block was cut short, or something else stands where a
  // block should begin. Every later call gives kEnd too.
  kEnd,
};

struct GifBlock {
  size_t offset = 0;  // of its introducer
  int label = -1;     // an extension's
  GifGraphicControl control;
  GifImageDescriptor image;
};

class GifBlockWalker {
 public:
  GifBlockWalker(const uint8_t* data, size_t size) : cursor_(data, size) {}

  // Reads the header and the logical screen descriptor and passes the global
  // colour table. False, with nothing read, when the data is shorter than them.
  bool ReadScreen(GifScreen* screen);

  // Reads the next block. After kImage the caller reads or passes the image
  // data (the minimum code size byte, then sub-blocks) through cursor() before
  // asking for the next block.
  GifBlockKind Next(GifBlock* block);

  GifCursor* cursor() { return &cursor_; }
  size_t offset() const { return cursor_.Offset(); }

 private:
  GifBlockKind End();
  bool ReadGraphicControl(GifGraphicControl* control);
  void ReadImageDescriptor(GifImageDescriptor* image);

  GifCursor cursor_;
  bool ended_ = false;
};
