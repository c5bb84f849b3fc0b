// The band under the preview: the sender's words laid out and drawn by the
// player's own band, at the display's scale, so that they stand where and as
// the greeting will show them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "gdi_owners.h"
#include "words_band.h"

extern const char kWordsViewClass[];

class WordsView {
 public:
  static ATOM Register(HINSTANCE instance);

  void Attach(HWND control);
  // Lays `words` out in a band `width` wide for a display `scale` times 96
  // DPI, at most `maxHeight` tall; the band's height, 0 without words.
  int Show(const std::wstring& words, int width, int scale, int maxHeight);

  HWND hwnd = nullptr;

 private:
  void Paint();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::wstring words_;
  std::unique_ptr<WordsBand> band_ = std::make_unique<WordsBand>();
  GdiObject<HFONT> font_;
};
