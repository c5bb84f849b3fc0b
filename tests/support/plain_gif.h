// Writes GIFs for end-to-end tests: whole frames of known indices, encoded with
// literal codes only (a clear code before the table would widen the codes), so
// the file is valid for any decoder and trivially checked by eye.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PlainFrame {
  int left = 0, top = 0, width = 0, height = 0;
  int delay = 0;  // hundredths of a second
  std::vector<uint8_t> indices;  // width x height, top row first
  std::vector<uint32_t> localColours;  // a 256-entry local colour table when not empty
};

// A GIF89a with a 256-entry global table (colours as 0x00BBGGRR); without a
// table when `colours` is empty.
std::string PlainGif(int width, int height, const std::vector<uint32_t>& colours,
                     const std::vector<PlainFrame>& frames);

// A frame of one index.
PlainFrame SolidFrame(int left, int top, int width, int height, uint8_t index, int delay);
