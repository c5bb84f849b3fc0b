// The character's popup window: the window is its own clip, and peeks over the
// foreground window's top edge (or up from below the screen) now and then. Its
// icon in the notification area brings a peek now, a pause, the sound, start
// with Windows, the About box and Quit.
#pragma once

#include <windows.h>

#include "about_dialog.h"
#include "frame_window.h"
#include "screen_rect.h"
#include "sprite_clip.h"
#include "tray_icon.h"

const UINT WM_PEEK_START = WM_USER + 10;
const UINT TIMER_MOTION = 1;
const UINT TIMER_STEP = 2;
// The end of an hour's pause, and another try at showing the icon.
const UINT TIMER_PAUSE = 3;
const UINT TIMER_TRAY = 4;

class PeekWindow : public CharacterClip, public FrameWindow {
 public:
  PeekWindow();
  ~PeekWindow();
  // The message loop; its result, unless Quit or Kill chose the exit code.
  int Run() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // A peek begins, or (during one) the window moves one tick.
  void OnStart();
  void OnTimer(UINT id);
  // Picks where the next peek happens and how far it climbs; false when every
  // place would have the character stand over the mouse pointer.
  bool ChooseSpot();
  void StepMotion();
  // Opens the About dialog and applies its choices.
  void OnClick();

  // What the icon and its menu do.
  void OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void ShowTrayMenu(POINT at);
  void OnCommand(UINT id);
  void PeekNow();
  void Pause();
  void Resume();
  // The one sound switch, as the menu and the About box's Audio show it.
  bool SoundChoice() const;
  void SetSound(bool on);
  void Quit();

  AboutDialog about;
  int x = 0;
  int y = 0;
  bool active = false;
  HWND insertAfter = nullptr;
  int travel = 0;
  int ticks = 0;
  bool rising = true;
  // The monitor the peek under way stands on.
  ScreenRect peekMonitor = {0, 0, 0, 0};
  bool paused = false;
  TrayIcon tray;
  // Sent to every top-level window when the taskbar is made anew.
  const UINT taskbarCreated;
  // Set by Quit (0) and Kill (1); otherwise the loop's own result is the exit code.
  bool exitChosen = false;
  int exitCode = 0;

 private:
  void RunAbout(bool centred);
  void EndPeek();
  void LeaveAtOnce();
  void ShowTrayIcon();
  void ReturnForeground();
  void Exit(int code);
  bool quitAfterAbout = false;
  HWND menuHost = nullptr;
};
