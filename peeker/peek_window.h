// The character's popup window: the window is its own clip, and peeks over the
// foreground window's top edge (or up from below the screen) now and then.
#pragma once

#include <windows.h>

#include "about_dialog.h"
#include "frame_window.h"
#include "sprite_clip.h"

const UINT WM_PEEK_START = WM_USER + 10;
const UINT TIMER_MOTION = 1;
const UINT TIMER_STEP = 2;

class PeekWindow : public CharacterClip, public FrameWindow {
 public:
  PeekWindow();
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // A peek begins, or (during one) the window moves one tick.
  void OnStart();
  void OnTimer(UINT id);
  // Picks where the next peek happens and how far it climbs.
  void ChooseSpot();
  void StepMotion();
  // Opens the About dialog and applies its choices.
  void OnClick();

  AboutDialog about;
  int x = 0;
  int y = 0;
  bool active = false;
  HWND insertAfter = nullptr;
  int travel = 0;
  int ticks = 0;
  bool rising = true;
};
