// The character's animation: frames, the steps that show them, the sounds it can
// play and the copy of the screen behind its window.
#pragma once

#include <windows.h>

#include "clip_list.h"
#include "gdi_owners.h"
#include "screen_rect.h"

// One step of the animation: which frame, which colour of it is transparent, and
// for how many milliseconds.
struct ClipStep {
  GdiBitmap* frame;
  COLORREF keyColour;
  int duration;
};

class SpriteClip {
 public:
  SpriteClip() = default;
  ~SpriteClip();
  SpriteClip(const SpriteClip&) = delete;
  SpriteClip& operator=(const SpriteClip&) = delete;

  // Appends `count` frames and loads them from bitmaps firstId, firstId + 1, ...
  void LoadFrames(UINT firstId, int count);
  void AddStep(GdiBitmap* frame, COLORREF keyColour, int duration);
  // Shows the window at (x, y), sized to the current step's frame, after
  // `insertAfter` in the z-order, and has it repainted whole.
  void PlaceWindow(HWND hwnd, int x, int y, HWND insertAfter);
  int CurrentDuration() const;
  void PlayClipSound(int index);
  // Draws the current frame, its key colour transparent, over the screen behind
  // the window.
  void Paint(HWND hwnd);
  // Saves the screen at `r` as the backdrop, before the window moves there; keeps
  // the backdrop it has when that is of `r` already.
  void SaveBackdrop(ScreenRect r);
  // From now on shows every frame `scale` times its size, each of its pixels an
  // exact square, and shapes the window to match.
  void SetScale(int scale);
  // What `step` shows: its frame at the clip's scale.
  const GdiBitmap* ShownFrame(const ClipStep* step) const;

  ClipList<GdiBitmap> frames;
  // Above scale 1, each frame enlarged, at its frame's index.
  ClipList<GdiBitmap> scaledFrames;
  int scale = 1;
  ClipList<WORD> sounds;
  ClipList<ClipStep> steps;
  // Each step's frame without its key colour, the window's shape while it shows.
  ClipList<GdiRegion> shapes;
  // The frame whose shape the window has, so the shape is set only on a change.
  const GdiBitmap* shapedFrame = nullptr;
  GdiBitmap backdrop;
  ScreenRect backdropRect = {0, 0, 0, 0};
  int currentStep = 0;
  bool soundOn = true;
};

// The character's clip: four frames and six steps.
class CharacterClip : public SpriteClip {
 public:
  CharacterClip();
};

// The multimedia library's sound player, imported by ordinal.
extern "C" BOOL WINAPI PlaySoundByOrdinal(LPCSTR sound, HMODULE module, DWORD flags);
