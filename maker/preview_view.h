// The preview control: the canvas as the greeting will show it, drawn with the
// player's own bitmap drawing at the display's whole-number scale, or scaled
// down when the animation would not fit the screen; before any animation, what
// to do.
#pragma once

#include <windows.h>

#include "gdi_owners.h"
#include "indexed_bitmap.h"

extern const char kPreviewClass[];

// Registers a class of the maker's own controls, drawn by `procedure`.
ATOM RegisterControlClass(HINSTANCE instance, const char* name, WNDPROC procedure);

class PreviewView {
 public:
  // The control's class, which the main window's template names.
  static ATOM Register(HINSTANCE instance);

  void Attach(HWND control);
  // Shows `canvas` through `palette`, both owned by the caller, in a control of
  // `width` x `height`: the canvas's own size or a whole multiple of it, or
  // smaller to scale it down.
  void Show(const IndexedBitmap* canvas, HPALETTE palette, int width, int height);
  // Back to the control's text, and the caller may free what was shown.
  void ShowNothing();
  // Redraws what changed in `rect`, in canvas coordinates.
  void CanvasChanged(const RECT& rect);
  // The control's palette into its context, for the window that has the focus.
  void RealizePalette();

  HWND hwnd = nullptr;

 private:
  // Shown smaller than its own size.
  bool Shrunk() const;
  void Paint();
  void PaintText(HDC dc, const RECT& client);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const IndexedBitmap* canvas_ = nullptr;
  HPALETTE palette_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  // How many times its size it is shown when not shrunk.
  int scale_ = 1;
  // When shrunk: the canvas at its own size, kept up to date frame by frame.
  GdiBitmap fullSize_;
};
