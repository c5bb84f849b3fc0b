// A colour of eight bits a channel, as palettes and colour tables store it.
#pragma once

#include <cstdint>

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  bool operator==(const Rgb& other) const { return red == other.red && green == other.green && blue == other.blue; }
  bool operator!=(const Rgb& other) const { return !(*this == other); }
};
