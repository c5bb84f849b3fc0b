// A small proportional bitmap font of our own: eight-pixel capitals, six-pixel
// lower case and two-pixel descenders, one-pixel strokes.
#pragma once

#include <string>
#include <vector>

const int kFontRows = 10;     // cap height 8 plus the descender
const int kFontBaseline = 8;  // first row below the letters' feet

struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<bool> ink;  // top-down, width x height

  bool At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && ink[static_cast<size_t>(y) * width + x];
  }
};

// `text` set in the font with `tracking` blank columns between letters. A
// character the font lacks stops the program: art must not lose letters quietly.
TextMask SetText(const std::string& text, int tracking = 1);

// Every ink pixel thickened one column to the right: the heavy cut for headings.
TextMask Embolden(const TextMask& mask);

// Doubles the mask with the Scale2x rule, which rounds stair-steps into
// diagonals instead of blowing them up into blocks.
TextMask Scale2x(const TextMask& mask);
