// A palette picture held top-down, one byte a pixel, as every generated bitmap
// and icon is before it is written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rgb.h"

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;
  std::vector<uint8_t> pixels;

  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Turns a true-colour picture into a palette picture without losing a colour: the
// palette starts with `leading` and gains every other colour in order of first use.
// Aborts past 256 colours, since a silent merge would change the art.
IndexedImage IndexExactColours(int width, int height, const std::vector<Rgb>& pixels, std::vector<Rgb> leading);
