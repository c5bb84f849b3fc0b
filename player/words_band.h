// The sender's words in centred lines under the animation: laid out once for a
// width and a font, then drawn wherever the band is shown. Lines break where
// the script allows (between CJK characters too, never inside a surrogate pair
// or a combined character) and at every line feed; a paragraph whose first
// strong character is right-to-left reads right to left.
#pragma once

#include <windows.h>

// Code units of words a band lays out; any beyond are left off.
const int kMaxWordsUnits = 2048;
// At 96 DPI: the band's least width, its margins and the font's size.
const int kWordsBandMinWidth = 320;
const int kWordsBandMargin = 8;
const int kWordsFontPoints = 12;

struct WordsLine {
  int start;      // first code unit in the words
  int length;     // code units shown, trailing spaces left out
  bool ellipsis;  // more words follow than the band has room for: ends in "…"
  bool rightToLeft;
};

struct WordsBand {
  // Lays out `length` code units of `words`, which the caller keeps while the
  // band is drawn, in the font selected into `dc`, wrapped to `width` less
  // `margin` on each side; the band's height, margins included, stays within
  // `maxHeight` but holds at least one line. Returns the height, 0 for no words.
  int Layout(HDC dc, const wchar_t* words, int length, int width, int maxHeight, int margin);
  // Fills `band` with the window colour and draws the lines, each centred, in
  // the window text colour and the font selected into `dc`.
  void Draw(HDC dc, const RECT& band) const;

  const wchar_t* words;
  int margin, lineHeight, height, lineCount;
  WordsLine lines[kMaxWordsUnits + 1];
};

// The system's message font at kWordsFontPoints for a display `scale` times
// 96 DPI; the caller deletes it.
HFONT CreateWordsFont(int scale);
