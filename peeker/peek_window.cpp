#include "peek_window.h"

#include <climits>

#include "peek_moment.h"
#include "peeker_globals.h"
#include "random.h"
#include "resource.h"
#include "startup_shortcut.h"
#include "user_window.h"

namespace {

const int kMoveStep = 2;
const UINT kMotionTickMs = 20;
const UINT kHoldMs = 1000;
const int kPauseMinMs = 180000;
const int kPauseMaxMs = 240000;
const UINT kRetryMs = 10000;
const UINT kPausedForMs = 60 * 60 * 1000;
// The shell may not be up yet (started with Windows) or too busy to answer.
const UINT kTrayRetryMs = 5000;

// One draw of the left edge, from `left` to `right`, of a frame `width` wide
// whose top of the rise spans the rows `top` to `top` + `height` - 1, mapped
// onto the places where that rectangle keeps clear of `pointer`; false when
// there are none.
bool DrawClearOf(int left, int right, int width, int top, int height, POINT pointer, int* x) {
  if (right < left) right = left;
  int coverFrom = 0, coverTo = -1;
  if (pointer.y >= top && pointer.y < top + height) {
    coverFrom = pointer.x - width + 1 > left ? pointer.x - width + 1 : left;
    coverTo = pointer.x < right ? pointer.x : right;
  }
  const int covered = coverTo >= coverFrom ? coverTo - coverFrom + 1 : 0;
  const int places = right - left + 1 - covered;
  if (places <= 0) return false;
  const int draw = left + RandomInRange(0, places - 1);
  *x = covered > 0 && draw >= coverFrom ? draw + covered : draw;
  return true;
}

bool Overlaps(const RECT& r, ScreenRect m) {
  return r.left < m.left + m.width && r.right > m.left && r.top < m.top + m.height && r.bottom > m.top;
}

}  // namespace

PeekWindow::PeekWindow() : taskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {
  // A tool window: no taskbar button and no Alt+Tab entry comes and goes with
  // every peek.
  Create("Glimmer", nullptr, WS_POPUP, WS_EX_TOOLWINDOW);
  WatchUserWindow(hwnd);
  ShowTrayIcon();
  PostMessageA(hwnd, WM_PEEK_START, 0, 0);
}

PeekWindow::~PeekWindow() { StopWatchingUserWindow(); }

int PeekWindow::Run() {
  const int loop = FrameWindow::Run();
  return exitChosen ? exitCode : loop;
}

LRESULT PeekWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY:
      tray.Remove();
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
    case WM_TRAY_NOTIFY:
      OnTrayNotify(wParam, lParam);
      return 0;
    case WM_DISPLAYCHANGE:
      // Monitors come, go or change size: a peek under way may stand where
      // there is none now. The next one plans on those there are.
      if (active) LeaveAtOnce();
      return 0;
  }
  if (msg == taskbarCreated && taskbarCreated != 0) {
    ShowTrayIcon();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void PeekWindow::ShowTrayIcon() {
  if (!tray.Add(hwnd)) SetTimer(hwnd, TIMER_TRAY, kTrayRetryMs, nullptr);
}

void PeekWindow::OnStart() {
  if (active) {
    StepMotion();
    return;
  }
  // Over a fullscreen program, a presentation or a locked screen the peek only
  // waits: the pause proper follows a peek that happened. So it does when
  // every place it could rise at is under the mouse pointer.
  if (!IsPeekMoment() || !ChooseSpot()) {
    SetTimer(hwnd, TIMER_MOTION, kRetryMs, nullptr);
    return;
  }
  active = true;
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
    if (!g_monitorThere(peekMonitor)) {
      LeaveAtOnce();
      return;
    }
    currentStep = steps.Count() - currentStep == 1 ? 0 : currentStep + 1;
    PlaceWindow(hwnd, x, y, insertAfter);
    SetTimer(hwnd, TIMER_STEP, CurrentDuration(), nullptr);
  } else if (id == TIMER_PAUSE) {
    Resume();
  } else if (id == TIMER_TRAY) {
    ShowTrayIcon();
  }
}

bool PeekWindow::ChooseSpot() {
  ticks = 0;
  rising = true;
  // The window the person works in, even while the icon's menu has the foreground.
  HWND fg = UserWindow();
  // The monitor the person works on: the room above counts from its top, and
  // up from below means from its bottom. The character takes its scale; it
  // climbs for as many ticks at any scale, each one that much longer.
  const ScreenRect monitor = g_monitorOf(fg);
  const int baseWidth = frames.At(0) ? frames.At(0)->Width() : 0;
  const int baseHeight = frames.At(0) ? frames.At(0)->Height() : 0;
  SetScale(g_scaleOf(fg, baseWidth, baseHeight));
  const int fw = baseWidth * scale, fh = baseHeight * scale;
  travel = baseHeight / 2;
  const int rise = kMoveStep * scale * travel;
  // Where the pointer is, the character never stands at the top of its rise.
  POINT pointer;
  if (!GetCursorPos(&pointer)) pointer = POINT{0, INT_MIN};

  RECT r;
  bool known = fg != nullptr && GetWindowRect(fg, &r);
  const int width = known ? r.right - r.left : 0;
  const int height = known ? r.bottom - r.top : 0;
  int spot;
  if (known && fw < width && fh < height && fh <= r.top - monitor.top && Overlaps(r, monitor) &&
      DrawClearOf(r.left, r.left + width - fw, fw, r.top - rise, fh, pointer, &spot)) {
    // Behind the foreground window: after whatever lies directly below it on
    // the screen. Hidden windows (the input method's, for one) are passed over:
    // they may stand anywhere in the order without being seen.
    insertAfter = GetWindow(fg, GW_HWNDNEXT);
    while (insertAfter != nullptr && (insertAfter == hwnd || !IsWindowVisible(insertAfter)))
      insertAfter = GetWindow(insertAfter, GW_HWNDNEXT);
    x = spot;
    y = r.top;
  } else if (DrawClearOf(monitor.left, monitor.left + monitor.width - fw, fw, monitor.top + monitor.height - rise,
                         fh, pointer, &spot)) {
    // No room above it (or no foreground window at all): up from below the
    // bottom of its monitor.
    insertAfter = HWND_TOPMOST;
    x = spot;
    y = monitor.top + monitor.height;
  } else {
    return false;
  }
  peekMonitor = monitor;
  // A frame too low to climb: the peek ends at its first tick.
  if (travel == 0) rising = false;
  return true;
}

void PeekWindow::StepMotion() {
  // Under Wine a monitor turned off says nothing: each tick looks.
  if (!g_monitorThere(peekMonitor)) {
    LeaveAtOnce();
    return;
  }
  if (!rising && ticks == 0) {
    EndPeek();
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

void PeekWindow::EndPeek() {
  active = false;
  // Hidden, the window needs no shape; the next peek's first placement gives
  // it one again. Wine 10 loses a region with a shaped window's surface each
  // time the window is hidden.
  SetWindowRgn(hwnd, nullptr, FALSE);
  shapedFrame = nullptr;
  ShowWindow(hwnd, SW_HIDE);
  // Paused, a peek asked for is the only one: the hour's end brings the next.
  if (!paused) SetTimer(hwnd, TIMER_MOTION, RandomInRange(kPauseMinMs, kPauseMaxMs), nullptr);
}

void PeekWindow::LeaveAtOnce() {
  KillTimer(hwnd, TIMER_MOTION);
  KillTimer(hwnd, TIMER_STEP);
  EndPeek();
}

void PeekWindow::OnClick() { RunAbout(false); }

void PeekWindow::RunAbout(bool centred) {
  // The dialog's loop dispatches our clicks too: one dialog at a time.
  if (aboutBusy) {
    if (about.hwnd != nullptr) SetForegroundWindow(about.hwnd);
    return;
  }
  aboutBusy = true;
  about.Open(hwnd);
  if (centred && about.hwnd != nullptr) {
    // Asked for from the icon: in the middle of the monitor the pointer is on,
    // not beside a character that is not there.
    POINT pointer = {0, 0};
    GetCursorPos(&pointer);
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    RECT box;
    if (GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor) &&
        GetWindowRect(about.hwnd, &box)) {
      const RECT& work = monitor.rcWork;
      SetWindowPos(about.hwnd, nullptr, (work.left + work.right - (box.right - box.left)) / 2,
                   (work.top + work.bottom - (box.bottom - box.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  ShowWindow(about.hwnd, SW_SHOW);
  about.Run();
  if (about.killRequested) Exit(1);
  soundOn = about.audioOn;
  aboutBusy = false;
  if (quitAfterAbout) Exit(0);
}

void PeekWindow::Exit(int code) {
  exitChosen = true;
  exitCode = code;
  DestroyWindow(hwnd);
}

void PeekWindow::Quit() {
  // An open About box closes first: its loop, further up this thread's
  // stack, then ends, and the window goes after it.
  if (about.hwnd != nullptr) {
    quitAfterAbout = true;
    DestroyWindow(about.hwnd);
    return;
  }
  Exit(0);
}

void PeekWindow::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case NIN_SELECT:
    case NIN_KEYSELECT:
      ReturnForeground();
      PeekNow();
      break;
    case WM_CONTEXTMENU:
      ShowTrayMenu(POINT{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))});
      break;
  }
}

void PeekWindow::ShowTrayMenu(POINT at) {
  // What was the person's before the menu takes the foreground.
  NoteForeground(GetForegroundWindow());
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, IDM_PEEK_NOW, L"&Peek now");
  AppendMenuW(menu, MF_STRING, IDM_PAUSE, paused ? L"&Resume" : L"Pa&use for an hour");
  AppendMenuW(menu, MF_STRING | (SoundChoice() ? MF_CHECKED : MF_UNCHECKED), IDM_SOUND, L"&Sound");
  AppendMenuW(menu, MF_STRING | (StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED), IDM_START_WITH_WINDOWS,
              L"Start with &Windows");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"&About Glimmer...");
  AppendMenuW(menu, MF_STRING, IDM_QUIT, L"&Quit");
  // What a left click does.
  SetMenuDefaultItem(menu, IDM_PEEK_NOW, FALSE);
  // The menu belongs to a hidden window of its own, owned by the character's:
  // a window moved every tick of a peek would lose the foreground, and with it
  // the menu. A menu opened without the foreground would not close when the
  // person clicks elsewhere.
  if (menuHost == nullptr)
    menuHost = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", nullptr, WS_POPUP, 0, 0, 0, 0, hwnd, nullptr, g_instance,
                               nullptr);
  SetForegroundWindow(menuHost);
  const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  const UINT command = static_cast<UINT>(
      TrackPopupMenuEx(menu, align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                       menuHost, nullptr));
  // So that the menu's closing is seen through before anything else happens.
  PostMessageW(menuHost, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (command != IDM_ABOUT) ReturnForeground();
  if (command != 0) OnCommand(command);
}

void PeekWindow::ReturnForeground() {
  // Only from the peeker's own window or the taskbar: a person who has clicked
  // elsewhere meanwhile keeps what they chose.
  const HWND now = GetForegroundWindow();
  if (now != nullptr && GetAncestor(now, GA_ROOTOWNER) != hwnd && !IsTaskbarWindow(now)) return;
  if (HWND user = UserWindow()) SetForegroundWindow(user);
}

void PeekWindow::OnCommand(UINT id) {
  switch (id) {
    case IDM_PEEK_NOW:
      PeekNow();
      break;
    case IDM_PAUSE:
      if (paused) {
        Resume();
      } else {
        Pause();
      }
      break;
    case IDM_SOUND:
      SetSound(!SoundChoice());
      break;
    case IDM_START_WITH_WINDOWS:
      // Unchecked where the shortcut is missing or starts another copy: then
      // it is written anew, to this one.
      SetStartWithWindows(!StartsWithWindows());
      break;
    case IDM_ABOUT:
      RunAbout(true);
      break;
    case IDM_QUIT:
      Quit();
      break;
  }
}

void PeekWindow::PeekNow() {
  if (active) return;
  KillTimer(hwnd, TIMER_MOTION);
  OnStart();
}

void PeekWindow::Pause() {
  paused = true;
  KillTimer(hwnd, TIMER_MOTION);
  if (active) LeaveAtOnce();
  SetTimer(hwnd, TIMER_PAUSE, kPausedForMs, nullptr);
}

void PeekWindow::Resume() {
  paused = false;
  KillTimer(hwnd, TIMER_PAUSE);
  // A normal pause first; a peek under way arms it as it ends.
  if (!active) {
    KillTimer(hwnd, TIMER_MOTION);
    SetTimer(hwnd, TIMER_MOTION, RandomInRange(kPauseMinMs, kPauseMaxMs), nullptr);
  }
}

bool PeekWindow::SoundChoice() const { return about.hwnd != nullptr ? about.audioOn : soundOn; }

void PeekWindow::SetSound(bool on) {
  soundOn = on;
  about.audioOn = on;
  if (about.hwnd != nullptr) about.SetCheck(IDC_AUDIO, on);
}
