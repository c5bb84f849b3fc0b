// The character over a copy of the screen behind its window.
//
// The copy is taken just before the window covers an area: once it is there, the
// screen shows the window's own pixels (under Wine, and on systems that compose
// windows), never what lies behind it.
#include "blit.h"
#include "gdi_dc.h"
#include "sprite_clip.h"

void SpriteClip::SaveBackdrop(ScreenRect r) {
  const int w = r.width, h = r.height;
  DisplayDc screen;
  GdiBitmap capture;
  capture.CreateScreenCompatible(w, h);
  MemoryDc work(capture.handle);
  // Where the window still stands, the screen shows our own drawing...
  BlitCopy(work.dc, 0, 0, w, h, screen.dc, r.left, r.top, w, h);
  // ...so that part comes from the backdrop saved for that position.
  ScreenRect overlap;
  if (backdrop.handle && OverlapRect(r, backdropRect, &overlap)) {
    MemoryDc old(backdrop.handle);
    BlitCopy(work.dc, overlap.left - r.left, overlap.top - r.top, overlap.width, overlap.height, old.dc,
             overlap.left - backdropRect.left, overlap.top - backdropRect.top, overlap.width, overlap.height);
  }
  backdropRect = r;
  backdrop.Reset();
  backdrop.CreateScreenCompatible(w, h);
  MemoryDc saved(backdrop.handle);
  BlitCopy(saved.dc, 0, 0, w, h, work.dc, 0, 0, w, h);
}

void SpriteClip::Paint(HWND hwnd) {
  if (steps.Count() == 0) return;
  ClipStep* step = steps.At(currentStep);
  const ScreenRect r = WindowScreenRect(hwnd);
  const int w = r.width, h = r.height;
  // A window that was not placed through PlaceWindow has no backdrop of its own yet.
  if (!backdrop.handle || r.left != backdropRect.left || r.top != backdropRect.top || w != backdropRect.width ||
      h != backdropRect.height) {
    SaveBackdrop(r);
  }

  GdiBitmap composed;
  composed.CreateScreenCompatible(w, h);
  MemoryDc work(composed.handle);
  {
    MemoryDc saved(backdrop.handle);
    BlitCopy(work.dc, 0, 0, w, h, saved.dc, 0, 0, w, h);
  }
  MemoryDc frame(step->frame->handle);
  BlitKeyed(work.dc, 0, 0, w, h, frame.dc, 0, 0, w, h, step->keyColour);

  // One transfer to the window: the keyed blit's steps are never on screen.
  HDC windowDc = GetDC(hwnd);
  BlitCopy(windowDc, 0, 0, w, h, work.dc, 0, 0, w, h);
  ReleaseDC(hwnd, windowDc);
}
