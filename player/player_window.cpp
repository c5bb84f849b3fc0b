#include "player_window.h"

#include <mmsystem.h>

#include "display_scale.h"
#include "frame_step.h"
#include "gdi_owners.h"
#include "indexed_bitmap_draw.h"
#include "payload_locator.h"
#include "player_globals.h"
#include "resource.h"
#include "sequencer.h"

int32_t frameIndex = -1;
UINT frameTimerId;
MCIDEVICEID musicDeviceId;
int32_t shownScale = 1;

namespace {

const char kClassName[] = "LoopvueMainWin";
const char kTitle[] = "Animation Player";

LRESULT RealizeAppPalette(HWND window, bool restoreInBackground) {
  WindowDc dc(window);
  SelectedPalette selected(dc, appPalette, restoreInBackground);
  return RealizePalette(dc);
}

void OnCommand(HWND window, WORD command) {
  if (command == IDM_EXIT) {
    PostQuitMessage(0);
  } else if (command == IDM_ABOUT) {
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDlgProc, 0);
  }
}

}  // namespace

ATOM RegisterPlayerClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = PlayerWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(appInstance, IDI_APP);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  windowClass.lpszClassName = kClassName;
  return RegisterClassA(&windowClass);
}

namespace {

// The window's size for a client area of the canvas at `scale`, on a display
// of `dpi`: the frame and menu sizes come from the system rather than from the
// metrics of a classic frame, which differ from the real ones on newer systems.
SIZE WindowSizeFor(int scale, UINT dpi) {
  RECT bounds = {0, 0, animation.width * scale, animation.height * scale};
  AdjustWindowRectForDpi(&bounds, WS_OVERLAPPEDWINDOW, TRUE, 0, dpi);
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// The scale the canvas is shown at on a display of `dpi` whose work area is
// `room`: the window, frame and all, must fit it.
int ScaleFor(UINT dpi, const RECT& room) {
  const SIZE frame = WindowSizeFor(0, dpi);
  return FittingScale(PixelScale(dpi), animation.width, animation.height, frame.cx, frame.cy, room);
}

// Sizes the window to hold the canvas at shownScale, at `at` when given.
void FitWindow(HWND window, UINT dpi, const POINT* at) {
  const SIZE size = WindowSizeFor(shownScale, dpi);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(window, nullptr, at ? at->x : 0, at ? at->y : 0, size.cx, size.cy, at ? flags : flags | SWP_NOMOVE);
  // A narrow window wraps its menu bar onto more lines: grow by what is missing.
  RECT client;
  GetClientRect(window, &client);
  const int width = animation.width * shownScale, height = animation.height * shownScale;
  if (client.right != width || client.bottom != height) {
    SetWindowPos(window, nullptr, 0, 0, size.cx + width - client.right, size.cy + height - client.bottom,
                 flags | SWP_NOMOVE);
  }
}

}  // namespace

bool CreatePlayerWindow(HINSTANCE instance, int showCommand) {
  const SIZE size = WindowSizeFor(1, SystemDpi());
  HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                                size.cy, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  // At the scale of the monitor it opened on.
  const UINT dpi = DpiOfWindow(window);
  shownScale = ScaleFor(dpi, WorkAreaOf(window));
  FitWindow(window, dpi, nullptr);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

void OnDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
  // The room where the system is moving the window: the monitor it suggests.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), &monitor);
  shownScale = ScaleFor(dpi, monitor.rcWork);
  const POINT at = {suggested.left, suggested.top};
  FitWindow(window, dpi, &at);
  InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK PlayerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      AdvanceFrame(window);
      StartMusic(window);
      return 0;
    case WM_DESTROY:
      StopMusic();
      KillFrameTimer();
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      PaintCanvas(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_EXIT || LOWORD(wParam) == IDM_ABOUT) {
        OnCommand(window, LOWORD(wParam));
        return 0;
      }
      break;
    case WM_TIMER:
      AdvanceFrame(window);
      return 0;
    case WM_QUERYNEWPALETTE:
      return RealizeAppPalette(window, true);
    case WM_PALETTECHANGED:
      RealizeAppPalette(window, false);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PaintCanvas(HWND window) {
  PaintDc dc(window);
  SelectedPalette selected(dc, appPalette);
  DrawIndexedBitmap(&canvas, dc, 0, 0, shownScale);
}

void AdvanceFrame(HWND window) {
  KillFrameTimer();
  const FrameStep step = StepFrame(animation, &canvas, &frameIndex);
  if (step.frame == nullptr) return;
  const RECT shown = {step.changed.left * shownScale, step.changed.top * shownScale, step.changed.right * shownScale,
                      step.changed.bottom * shownScale};
  InvalidateRect(window, &shown, FALSE);
  if (animation.frameCount >= 2) ArmFrameTimer(step.stayMs, window);
}

UINT ArmFrameTimer(UINT delayMs, HWND window) {
  KillFrameTimer();
  frameTimerId = timeSetEvent(delayMs, kTimerResolutionMs, FrameTimerProc, reinterpret_cast<DWORD_PTR>(window),
                              TIME_ONESHOT);
  return frameTimerId;
}

void KillFrameTimer() {
  if (frameTimerId != 0) timeKillEvent(frameTimerId);
  frameTimerId = 0;
}

// Runs on the timer service's thread: it only hands the tick to the window.
void CALLBACK FrameTimerProc(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  PostMessageA(reinterpret_cast<HWND>(user), WM_TIMER, timerId, 0);
}

void StartMusic(HWND window) {
  if (musicPath[0] == 0 || musicDeviceId != 0) return;
  MCIDEVICEID device = 0;
  if (OpenSequencer(musicPath, &device) != 0) {
    musicDeviceId = 0;
    return;
  }
  musicDeviceId = device;
  MCI_PLAY_PARMS play = {};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
  if (mciSendCommandA(musicDeviceId, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
    mciSendCommandA(musicDeviceId, MCI_CLOSE, 0, 0);
    musicDeviceId = 0;
  }
}

void StopMusic() {
  if (musicDeviceId == 0) return;
  mciSendCommandA(musicDeviceId, MCI_STOP, 0, 0);
  mciSendCommandA(musicDeviceId, MCI_CLOSE, 0, 0);
  musicDeviceId = 0;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}
