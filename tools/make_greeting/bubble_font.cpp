#include "bubble_font.h"

namespace {

struct Glyph {
  char character;
  const char* rows[kGlyphRows];
};

// Only what the greetings spell; any other character is left blank.
const Glyph kGlyphs[] = {
    {'A', {".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    {'D', {"XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."}},
    {'E', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"}},
    {'H', {"X...X", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    {'L', {"X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"}},
    {'O', {".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."}},
    {'P', {"XXXX.", "X...X", "X...X", "XXXX.", "X....", "X....", "X...."}},
    {'Y', {"X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."}},
    {'!', {"..X..", "..X..", "..X..", "..X..", "..X..", ".....", "..X.."}},
};

}  // namespace

const char* const* GlyphRows(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == c) return glyph.rows;
  }
  return nullptr;
}

bool GlyphDot(const char* const* rows, int column, int row) {
  if (rows == nullptr || column < 0 || column >= kGlyphColumns || row < 0 || row >= kGlyphRows) return false;
  return rows[row][column] == 'X';
}
