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

const wchar_t kClassName[] = L"LoopvueMainWin";
const wchar_t kTitle[] = L"Animation Player";
// Code points of the words' first line a title shows, its ellipsis included.
const int kTitleCodePoints = 60;

// A band of one line at 96 DPI, about: its margins, and the font's 16 pixels
// with the line's leading.
const int kOneLineBand = 2 * kWordsBandMargin + 24;

// The words laid out at shownScale, in their font; no lines without words.
WordsBand band;
HFONT wordsFont;

bool HasWords() { return senderWordsLength > 0; }

LRESULT RealizeAppPalette(HWND window, bool restoreInBackground) {
  WindowDc dc(window);
  SelectedPalette selected(dc, appPalette, restoreInBackground);
  return RealizePalette(dc);
}

void OnCommand(HWND window, WORD command) {
  if (command == IDM_EXIT) {
    PostQuitMessage(0);
  } else if (command == IDM_ABOUT) {
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ABOUT), window, AboutDlgProc, 0);
  }
}

}  // namespace

ATOM RegisterPlayerClass(HINSTANCE instance) {
  WNDCLASSW windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = PlayerWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(appInstance, L"" IDI_APP);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
  windowClass.lpszClassName = kClassName;
  return RegisterClassW(&windowClass);
}

namespace {

// The client area at shownScale: the canvas, and with words the band below it,
// at least kWordsBandMinWidth wide, the canvas centred above it.
SIZE ClientSize() {
  int width = animation.width * shownScale;
  if (HasWords() && width < kWordsBandMinWidth * shownScale) width = kWordsBandMinWidth * shownScale;
  return SIZE{width, animation.height * shownScale + (HasWords() ? band.height : 0)};
}

int CanvasLeft() { return (ClientSize().cx - animation.width * shownScale) / 2; }

// The window's size for a client area of `client`, on a display of `dpi`: the
// frame and menu sizes come from the system rather than from the metrics of a
// classic frame, which differ from the real ones on newer systems.
SIZE WindowSizeFor(SIZE client, UINT dpi) {
  RECT bounds = {0, 0, client.cx, client.cy};
  AdjustWindowRectForDpi(&bounds, WS_OVERLAPPEDWINDOW, TRUE, 0, dpi);
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// The scale the canvas is shown at on a display of `dpi` whose work area is
// `room`: the window, frame and all, must fit it, with words the band's least
// width and one line of them too.
int ScaleFor(UINT dpi, const RECT& room) {
  const SIZE frame = WindowSizeFor(SIZE{0, 0}, dpi);
  const int width = HasWords() && animation.width < kWordsBandMinWidth ? kWordsBandMinWidth : animation.width;
  const int height = animation.height + (HasWords() ? kOneLineBand : 0);
  return FittingScale(PixelScale(dpi), width, height, frame.cx, frame.cy, room);
}

// Lays the words out at shownScale for a window of `dpi` within `room`, the
// band taking what the frame and the canvas leave of its height.
void LayOutWords(HWND window, UINT dpi, const RECT& room) {
  if (!HasWords()) return;
  ReleaseWordsFont();
  wordsFont = CreateWordsFont(shownScale);
  const int spare = (room.bottom - room.top) - WindowSizeFor(SIZE{0, 0}, dpi).cy - animation.height * shownScale;
  WindowDc dc(window);
  SelectedObject font(dc, wordsFont);
  band.Layout(dc, senderWords, senderWordsLength, ClientSize().cx, spare, kWordsBandMargin * shownScale);
}

// Sizes the window to hold the client area at shownScale, at `at` when given.
void FitWindow(HWND window, UINT dpi, const POINT* at) {
  const SIZE wanted = ClientSize();
  const SIZE size = WindowSizeFor(wanted, dpi);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(window, nullptr, at ? at->x : 0, at ? at->y : 0, size.cx, size.cy, at ? flags : flags | SWP_NOMOVE);
  // A narrow window wraps its menu bar onto more lines: grow by what is missing.
  RECT client;
  GetClientRect(window, &client);
  const int width = wanted.cx, height = wanted.cy;
  if (client.right != width || client.bottom != height) {
    SetWindowPos(window, nullptr, 0, 0, size.cx + width - client.right, size.cy + height - client.bottom,
                 flags | SWP_NOMOVE);
  }
}

// The first line of the words, cut after kTitleCodePoints - 1 code points and
// an ellipsis added when it is longer; the player's own title without words.
void TitleFromWords(wchar_t* title) {
  int units = 0, points = 0;
  while (units < senderWordsLength && senderWords[units] != L'\n' && points < kTitleCodePoints) {
    const bool pair = senderWords[units] >= 0xD800 && senderWords[units] <= 0xDBFF && units + 1 < senderWordsLength;
    units += pair ? 2 : 1;
    points++;
  }
  if (units == 0) {
    lstrcpyW(title, kTitle);
    return;
  }
  if (units < senderWordsLength && senderWords[units] != L'\n') {
    // Longer than the title's room: the last code point makes way for the ellipsis.
    units -= senderWords[units - 1] >= 0xDC00 && senderWords[units - 1] <= 0xDFFF && units >= 2 ? 2 : 1;
    title[units++] = 0x2026;
    for (int i = 0; i + 1 < units; i++) title[i] = senderWords[i];
  } else {
    for (int i = 0; i < units; i++) title[i] = senderWords[i];
  }
  title[units] = 0;
}

}  // namespace

void ReleaseWordsFont() {
  if (wordsFont != nullptr) DeleteObject(wordsFont);
  wordsFont = nullptr;
}

bool CreatePlayerWindow(HINSTANCE instance, int showCommand) {
  wchar_t title[2 * kTitleCodePoints + 1];
  TitleFromWords(title);
  const SIZE size = WindowSizeFor(ClientSize(), SystemDpi());
  HWND window = CreateWindowExW(0, kClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                                size.cy, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  // At the scale of the monitor it opened on.
  const UINT dpi = DpiOfWindow(window);
  const RECT room = WorkAreaOf(window);
  shownScale = ScaleFor(dpi, room);
  LayOutWords(window, dpi, room);
  FitWindow(window, dpi, nullptr);
  // A band of many lines may reach below the work area from where the window opened.
  RECT placed;
  GetWindowRect(window, &placed);
  if (HasWords() && placed.bottom > room.bottom) {
    const int top = room.bottom - (placed.bottom - placed.top);
    SetWindowPos(window, nullptr, placed.left, top > room.top ? top : room.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
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
  LayOutWords(window, dpi, monitor.rcWork);
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
  return DefWindowProcW(window, message, wParam, lParam);
}

namespace {

// The band, and the window colour beside a canvas narrower than it; only
// where the paint reaches, so that a frame's update draws no words.
void PaintWords(HDC dc) {
  const SIZE client = ClientSize();
  const int left = CanvasLeft(), top = animation.height * shownScale;
  const RECT beside[] = {{0, 0, left, top}, {left + animation.width * shownScale, 0, client.cx, top}};
  for (const RECT& side : beside)
    if (RectVisible(dc, &side)) FillRect(dc, &side, GetSysColorBrush(COLOR_WINDOW));
  const RECT shown = {0, top, client.cx, client.cy};
  if (!RectVisible(dc, &shown)) return;
  SelectedObject font(dc, wordsFont);
  band.Draw(dc, shown);
}

}  // namespace

void PaintCanvas(HWND window) {
  PaintDc dc(window);
  {
    SelectedPalette selected(dc, appPalette);
    DrawIndexedBitmap(&canvas, dc, CanvasLeft(), 0, shownScale);
  }
  if (HasWords()) PaintWords(dc);
}

void AdvanceFrame(HWND window) {
  KillFrameTimer();
  const FrameStep step = StepFrame(animation, &canvas, &frameIndex);
  if (step.frame == nullptr) return;
  const int left = CanvasLeft();
  const RECT shown = {left + step.changed.left * shownScale, step.changed.top * shownScale,
                      left + step.changed.right * shownScale, step.changed.bottom * shownScale};
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
  PostMessageW(reinterpret_cast<HWND>(user), WM_TIMER, timerId, 0);
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
