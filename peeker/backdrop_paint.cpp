// The character over a copy of the screen behind its window.
//
// The copy is taken just before the window covers an area: once it is there, the
// screen shows the window's own pixels (under Wine, and on systems that compose
// windows), never what lies behind it.
#include "blit.h"
#include "gdi_owners.h"
#include "sprite_clip.h"

void SpriteClip::SaveBackdrop(ScreenRect r) {
  // Still in place (a new frame, no move): what lies behind is what was saved, and
  // the screen there shows nothing but our own drawing.
  if (backdrop && SameRect(r, backdropRect)) return;
  const int w = r.width, h = r.height;
  GdiBitmap capture;
  capture.CreateScreenCompatible(w, h);
  {
    MemoryDc work(capture);
    DisplayDc screen;
    // Where the window still stands, the screen shows our own drawing...
    BlitCopy(work, 0, 0, w, h, screen, r.left, r.top, w, h);
    // ...so that part comes from the backdrop saved for that position.
    ScreenRect overlap;
    if (backdrop && OverlapRect(r, backdropRect, &overlap)) {
      MemoryDc old(backdrop);
      BlitCopy(work, overlap.left - r.left, overlap.top - r.top, overlap.width, overlap.height, old,
               overlap.left - backdropRect.left, overlap.top - backdropRect.top, overlap.width, overlap.height);
    }
  }
  // The corrected capture is the new backdrop; the old one goes with `capture`.
  backdropRect = r;
  backdrop.Swap(capture);
}

void SpriteClip::Paint(HWND hwnd) {
  if (steps.Count() == 0) return;
  ClipStep* step = steps.At(currentStep);
  const ScreenRect r = WindowScreenRect(hwnd);
  const int w = r.width, h = r.height;
  // Placed through PlaceWindow, the window has its backdrop already; moved by
  // anything else, it gets one now.
  SaveBackdrop(r);

  GdiBitmap composed;
  composed.CreateScreenCompatible(w, h);
  MemoryDc work(composed);
  {
    MemoryDc saved(backdrop);
    BlitCopy(work, 0, 0, w, h, saved, 0, 0, w, h);
  }
  MemoryDc frame(*ShownFrame(step));
  BlitKeyed(work, 0, 0, w, h, frame, 0, 0, w, h, step->keyColour);

  // One transfer to the window: the keyed blit's steps are never on screen.
  WindowDc window(hwnd);
  BlitCopy(window, 0, 0, w, h, work, 0, 0, w, h);
}
