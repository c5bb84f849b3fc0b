// A palette picture held top-down, one byte a pixel, as every generated bitmap
// is before it is written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
  uint8_t r;
  uint8_t g;
  uint8_t b;
  bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
  bool operator!=(const Rgb& other) const { return !(*this == other); }
};

// The peeker's window keys this colour out, so it may stand only for "nothing here".
constexpr Rgb kKeyGreen{0, 255, 0};
constexpr Rgb kWhite{255, 255, 255};

// `amount` 0 gives `from`, 1 gives `to`.
Rgb Mix(Rgb from, Rgb to, double amount);

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
