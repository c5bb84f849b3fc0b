// The palette as Windows bitmaps store it, in .bmp and .ico files alike: blue,
// green, red and a zero byte an entry.
#pragma once

#include <string>
#include <vector>

#include "byte_writer.h"
#include "rgb.h"

inline void PutBitmapPalette(std::string* out, const std::vector<Rgb>& palette) {
  for (const Rgb& c : palette) {
    PutU8(out, c.blue);
    PutU8(out, c.green);
    PutU8(out, c.red);
    PutU8(out, 0);
  }
}
