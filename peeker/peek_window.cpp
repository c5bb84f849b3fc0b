#include "peek_window.h"

#include "peek_moment.h"
#include "random.h"

namespace {

const int kMoveStep = 2;
const UINT kMotionTickMs = 20;
const UINT kHoldMs = 1000;
const int kPauseMinMs = 180000;
const int kPauseMaxMs = 240000;
const UINT kRetryMs = 10000;

}  // namespace

PeekWindow::PeekWindow() {
  // A tool window: no taskbar button and no Alt+Tab entry comes and goes with
  // every peek.
  Create("Glimmer", nullptr, WS_POPUP, WS_EX_TOOLWINDOW);
  PostMessageA(hwnd, WM_PEEK_START, 0, 0);
}

LRESULT PeekWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      // Only to validate: the clip draws through a DC of its own.
      PaintDc validate(hwnd);
      Paint(hwnd);
      return 0;
    }
    case WM_TIMER:
      OnTimer(static_cast<UINT>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnClick();
      return 0;
    case WM_PEEK_START:
      OnStart();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void PeekWindow::OnStart() {
  if (active) {
    StepMotion();
    return;
  }
  // Over a fullscreen program, a presentation or a locked screen the peek only
  // waits: the pause proper follows a peek that happened.
  if (!IsPeekMoment()) {
    SetTimer(hwnd, TIMER_MOTION, kRetryMs, nullptr);
    return;
  }
  active = true;
  ChooseSpot();
  currentStep = 0;
  PlaceWindow(hwnd, x, y, insertAfter);
  SetTimer(hwnd, TIMER_STEP, CurrentDuration(), nullptr);
  SetTimer(hwnd, TIMER_MOTION, kMotionTickMs, nullptr);
  PlayClipSound(0);
}

void PeekWindow::OnTimer(UINT id) {
  // Every timer is one-shot: killed as it fires, armed again explicitly.
  KillTimer(hwnd, id);
  if (id == TIMER_MOTION) {
    OnStart();
  } else if (id == TIMER_STEP && active) {
    currentStep = steps.Count() - currentStep == 1 ? 0 : currentStep + 1;
    PlaceWindow(hwnd, x, y, insertAfter);
    SetTimer(hwnd, TIMER_STEP, CurrentDuration(), nullptr);
  }
}

void PeekWindow::ChooseSpot() {
  ticks = 0;
  rising = true;
  HWND fg = GetForegroundWindow();
  // The monitor the person works on: the room above counts from its top, and
  // up from below means from its bottom. The character takes its scale; it
  // climbs for as many ticks at any scale, each one that much longer.
  const ScreenRect monitor = g_monitorOf(fg);
  const int baseWidth = frames.At(0) ? frames.At(0)->Width() : 0;
  const int baseHeight = frames.At(0) ? frames.At(0)->Height() : 0;
  SetScale(g_scaleOf(fg, baseWidth, baseHeight));
  const int fw = baseWidth * scale, fh = baseHeight * scale;

  RECT r;
  bool known = fg != nullptr && GetWindowRect(fg, &r);
  const int width = known ? r.right - r.left : 0;
  const int height = known ? r.bottom - r.top : 0;
  if (known && fw < width && fh < height && fh <= r.top - monitor.top) {
    // Behind the foreground window: after whatever lies directly below it on
    // the screen. Hidden windows (the input method's, for one) are passed over:
    // they may stand anywhere in the order without being seen.
    insertAfter = GetWindow(fg, GW_HWNDNEXT);
    while (insertAfter != nullptr && (insertAfter == hwnd || !IsWindowVisible(insertAfter)))
      insertAfter = GetWindow(insertAfter, GW_HWNDNEXT);
    x = RandomInRange(r.left, r.left + width - fw);
    y = r.top;
  } else {
    // No room above it (or no foreground window at all): up from below the
    // bottom of its monitor.
    insertAfter = HWND_TOPMOST;
    x = RandomInRange(monitor.left, monitor.left + monitor.width - fw);
    y = monitor.top + monitor.height;
  }
  travel = baseHeight / 2;
  // A frame too low to climb: the peek ends at its first tick.
  if (travel == 0) rising = false;
}

void PeekWindow::StepMotion() {
  if (!rising && ticks == 0) {
    active = false;
    // Hidden, the window needs no shape; the next peek's first placement gives
    // it one again. Wine 10 loses a region with a shaped window's surface each
    // time the window is hidden.
    SetWindowRgn(hwnd, nullptr, FALSE);
    shapedFrame = nullptr;
    ShowWindow(hwnd, SW_HIDE);
    SetTimer(hwnd, TIMER_MOTION, RandomInRange(kPauseMinMs, kPauseMaxMs), nullptr);
    return;
  }
  if (rising) {
    ticks++;
    y -= kMoveStep * scale;
  } else {
    ticks--;
    y += kMoveStep * scale;
  }
  PlaceWindow(hwnd, x, y, insertAfter);
  if (ticks == travel) {
    rising = false;
    SetTimer(hwnd, TIMER_MOTION, kHoldMs, nullptr);
  } else {
    SetTimer(hwnd, TIMER_MOTION, kMotionTickMs, nullptr);
  }
}

void PeekWindow::OnClick() {
  // The dialog's loop dispatches our clicks too: one dialog at a time.
  if (aboutBusy) return;
  aboutBusy = true;
  about.Open(hwnd);
  ShowWindow(about.hwnd, SW_SHOW);
  about.Run();
  if (about.killRequested) DestroyWindow(hwnd);
  soundOn = about.audioOn;
  aboutBusy = false;
}
