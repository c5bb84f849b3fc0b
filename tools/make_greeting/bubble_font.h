// The greeting's lettering: a 5x7 bitmap font whose dots are drawn as round
// strokes, so the letters come out as chunky, friendly bubble shapes.
#pragma once

const int kGlyphColumns = 5;
const int kGlyphRows = 7;

// Seven rows of five characters, 'X' for a dot; null for a character the font
// lacks, which is drawn as a space.
const char* const* GlyphRows(char c);

// Whether dot (column, row) of the glyph is set; false outside the grid.
bool GlyphDot(const char* const* rows, int column, int row);
