// GIFs for end-to-end tests: whole frames of known indices, written by the
// encoder, so the file is valid for any decoder.
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
// table when `colours` is empty, when every frame brings a local one. Sides and
// indices must be ones the encoder takes: a test that needs a malformed file
// writes it with the tests' GIF writer.
std::string PlainGif(int width, int height, const std::vector<uint32_t>& colours,
                     const std::vector<PlainFrame>& frames);

// A frame of one index.
PlainFrame SolidFrame(int left, int top, int width, int height, uint8_t index, int delay);
// A frame of diagonal stripes of the seven indices from `seed` up, 4 x 3 pixels a
// step, so that a frame shown shifted or cut is told from the right one.
PlainFrame PatternFrame(int left, int top, int width, int height, int seed, int delay);
