#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <shlobj.h>

#include "native_path.h"
#include "support/scratch_dir.h"
#include "support/win_driver.h"
#include "support/dib_info.h"

namespace {

const int kFrameWidth = 204, kFrameHeight = 122;
const DWORD kKeyOnScreen = 0x00FF00;

// The colour a pattern window shows at a screen position (0x00RRGGBB), never the key.
DWORD PatternAt(int x, int y) {
  return static_cast<DWORD>(((x * 7) & 0xFF) << 16 | ((y * 5) & 0x7F) << 8 | (((x + y) * 3) & 0xFF));
}

// The driver's window that was clicked last.
HWND g_clicked;

LRESULT CALLBACK DriverWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) g_clicked = window;
  // Activated again, it gives the focus back to its field, as programs do.
  if (msg == WM_SETFOCUS && GetWindow(window, GW_CHILD) != nullptr) {
    SetFocus(GetWindow(window, GW_CHILD));
    return 0;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    DWORD solid = static_cast<DWORD>(GetWindowLongPtrA(window, GWLP_USERDATA));
    std::vector<DWORD> pixels(static_cast<size_t>(client.right) * client.bottom);
    for (int y = 0; y < client.bottom; y++)
      for (int x = 0; x < client.right; x++)
        pixels[static_cast<size_t>(y) * client.right + x] = solid ? solid : PatternAt(origin.x + x, origin.y + y);
    BITMAPINFO info = TopDownInfo32(client.right, client.bottom);
    SetDIBitsToDevice(dc, 0, 0, client.right, client.bottom, 0, 0, 0, client.bottom, pixels.data(), &info,
                      DIB_RGB_COLORS);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}

// A window of the driver's: solid colour, or the pattern when `solid` is 0; the
// foreground unless not `activate` (then topmost), of `shape` (taken over) from the start.
HWND MakeWindow(int left, int top, int width, int height, DWORD solid, bool activate = true, HRGN shape = nullptr) {
  static ATOM registered = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DriverWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PeekerTestWindow";
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
  HWND window = CreateWindowExA(0, "PeekerTestWindow", "test", WS_POPUP, left, top, width, height, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(solid));
  if (shape) SetWindowRgn(window, shape, FALSE);
  if (!activate) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  return window;
}

// The next visible window below `window` in the z-order. Wine makes hidden
// top-level windows of its own (input method windows, for one) at any time, and
// they may come between two windows without changing what is seen.
HWND NextVisible(HWND window) {
  do {
    window = GetWindow(window, GW_HWNDNEXT);
  } while (window != nullptr && !IsWindowVisible(window));
  return window;
}

void ClickAt(int x, int y) {
  INPUT input[3] = {};
  for (INPUT& i : input) i.type = INPUT_MOUSE;
  input[0].mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  input[0].mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, input, sizeof(INPUT));
}

void MakeForeground(HWND window) {
  SetForegroundWindow(window);
  PumpUntil([&] { return GetForegroundWindow() == window; }, 5000);
}

// A picture of the program's as the screen shows it, from the file it was built from.
Capture LoadArt(const char* name) {
  std::string path = WindowsPath(std::string(PEEKER_RES) + "/" + name);
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  BITMAP bm;
  GetObjectA(bitmap, sizeof bm, &bm);
  Capture art;
  art.width = bm.bmWidth;
  art.height = bm.bmHeight;
  art.pixels.resize(static_cast<size_t>(art.width) * art.height);
  BITMAPINFO info = TopDownInfo32(art.width, art.height);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, art.height, art.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  for (DWORD& p : art.pixels) p &= 0xFFFFFF;
  return art;
}

// The character's frames as the screen shows them.
struct Frame {
  std::vector<DWORD> pixels;  // 0x00RRGGBB, top row first
  DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * kFrameWidth + x]; }
};

std::vector<Frame> LoadFrames() {
  std::vector<Frame> frames;
  for (int id = 101; id <= 104; id++) {
    frames.push_back(Frame{LoadArt(("peek_" + std::to_string(id) + ".bmp").c_str()).pixels});
  }
  return frames;
}

// One run of the peeker. Windows of the driver must exist before it starts: its
// first peek begins at once.
class Peeker {
 public:
  explicit Peeker(const std::string& program = WindowsPath(GLIMMER_EXE)) : program_("\"" + program + "\"", "") {}
  Program& program() { return program_; }
  // The peek window, once it has been shown.
  HWND Window() {
    PumpUntil([&] {
      window_ = program_.WaitForWindow("Glimmer", nullptr, 0);
      return window_ != nullptr;
    });
    return window_;
  }
  // Positions of the window from now until it is hidden, as often as they can be
  // read, with the tick count at which each was first seen in `times`; `each`
  // runs at every look.
  std::vector<RECT> TrackUntilHidden(std::vector<DWORD>* times = nullptr, const std::function<void()>& each = {}) {
    std::vector<RECT> seen;
    PumpUntil([&] {
      if (!IsWindowVisible(window_)) return true;
      if (each) each();
      RECT r;
      GetWindowRect(window_, &r);
      if (seen.empty() || std::memcmp(&seen.back(), &r, sizeof r) != 0) {
        seen.push_back(r);
        if (times) times->push_back(GetTickCount());
      }
      return false;
    }, 60000);
    return seen;
  }
  DWORD Close() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    return program_.WaitForExit();
  }
  // The notification area's message about the icon (NIN_SELECT, WM_CONTEXTMENU),
  // as the shell sends it, letting the program take the foreground.
  void Icon(UINT event, POINT at = {600, 700}) {
    AllowSetForegroundWindow(program_.id());
    PostMessageA(window_, kIconMessage, MAKEWPARAM(at.x, at.y), MAKELPARAM(event, 1));
  }
  // Types `key` into the icon's menu (opened unless open); true if an item took it.
  bool Choose(char key) {
    HWND menu = program_.WaitForWindow("#32768", nullptr, 0);
    if (menu == nullptr) Icon(WM_CONTEXTMENU);
    if (menu == nullptr) menu = program_.WaitForWindow("#32768", nullptr, 10000);
    if (menu == nullptr) return false;
    PostMessageA(menu, WM_CHAR, key, 0);
    return PumpUntil([&] { return !IsWindowVisible(menu); }, 2000);
  }
  static const UINT kIconMessage = WM_USER + 11;

 private:
  Program program_;
  HWND window_ = nullptr;
};

// Checks one peek's track: constant x, 2-pixel steps from `start` up to start - 122
// and back, always 204 x 122; returns the x.
int CheckTrack(const std::vector<RECT>& track, HWND window, int start) {
  EXPECT_FALSE(track.empty());
  if (track.empty()) return 0;
  int highest = start;
  bool sawClimb = false, sawReturn = false;
  for (size_t i = 0; i < track.size(); i++) {
    const RECT& r = track[i];
    EXPECT_EQ(r.right - r.left, kFrameWidth);
    EXPECT_EQ(r.bottom - r.top, kFrameHeight);
    EXPECT_EQ(r.left, track[0].left);
    EXPECT_EQ((start - r.top) % 2, 0) << "y " << r.top;
    EXPECT_GE(r.top, start - kFrameHeight);
    EXPECT_LE(r.top, start);
    if (i > 0 && r.top < track[i - 1].top) sawClimb = true;
    if (i > 0 && r.top > track[i - 1].top) sawReturn = sawReturn || r.top > highest;
    highest = std::min<int>(highest, r.top);
  }
  EXPECT_TRUE(sawClimb);
  EXPECT_TRUE(sawReturn);
  EXPECT_EQ(highest, start - kFrameHeight);
  // Hidden where it started.
  RECT last;
  GetWindowRect(window, &last);
  EXPECT_EQ(last.top, start);
  EXPECT_FALSE(IsWindowVisible(window));
  return track[0].left;
}

// How the screen shows a window of `shape`, shaped before it is first painted as
// the peeker's is: a white one of the test's over the pattern at `at`. Each pixel
// comes back white (the window's), the pattern (behind) or anything else shown
// there: Wine 10 drops runs within one byte of its 1-bit shape mask.
Capture ShownOfShape(HRGN shape, int width, int height, POINT at) {
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, shape, nullptr, RGN_COPY);
  HWND probe = MakeWindow(at.x, at.y, width, height, 0xFFFFFF, false, copy);
  Capture last;
  PumpUntil([&] {
    Capture now = CaptureScreen(at.x, at.y, width, height);
    const auto white = std::count(now.pixels.begin(), now.pixels.end(), DWORD{0xFFFFFF});
    const bool settled = now.pixels == last.pixels && white > 0 && white < static_cast<long>(now.pixels.size());
    last = now;
    return settled;
  }, 5000);
  DestroyWindow(probe);
  return last;
}

// The index in `frames` of the frame shown at the top of the rise, at `top` and
// `scale`, the pattern behind its key colour, the window shaped to its own pixels;
// else -1, with what differed in `mismatch`. `probeAt` is a place on the pattern
// clear of the character, for ShownOfShape.
int FrameAtTopOfRise(HWND window, const std::vector<Frame>& frames, int top, int scale, POINT probeAt,
                     std::string* mismatch) {
  const int width = kFrameWidth * scale, height = kFrameHeight * scale;
  int matched = -1;
  HRGN shape = CreateRectRgn(0, 0, 0, 0), after = CreateRectRgn(0, 0, 0, 0), probed = CreateRectRgn(0, 0, 0, 0);
  Capture drawn;
  // At the top of the rise the window holds still for a second: read it whole.
  PumpUntil([&] {
    RECT r1, r2;
    GetWindowRect(window, &r1);
    if (r1.top != top || r1.right - r1.left != width || GetWindowRgn(window, shape) == ERROR) return false;
    Capture shown = CaptureScreen(r1.left, r1.top, width, height);
    GetWindowRect(window, &r2);
    if (std::memcmp(&r1, &r2, sizeof r1) != 0 || GetWindowRgn(window, after) == ERROR || !EqualRgn(shape, after))
      return false;
    mismatch->clear();
    for (size_t f = 0; f < frames.size() && matched < 0; f++) {
      int wrong = 0, misshapen = 0;
      char first[128] = "";
      for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
          misshapen += (PtInRegion(shape, x, y) != FALSE) != (frames[f].At(x / scale, y / scale) != kKeyOnScreen);
      if (misshapen == 0 && !EqualRgn(shape, probed)) {
        drawn = ShownOfShape(shape, width, height, probeAt);
        CombineRgn(probed, shape, nullptr, RGN_COPY);
      }
      for (int y = 0; y < height && misshapen == 0; y++)
        for (int x = 0; x < width; x++) {
          DWORD own = frames[f].At(x / scale, y / scale);
          const DWORD probed = drawn.At(x, y);
          DWORD expected = probed == PatternAt(probeAt.x + x, probeAt.y + y) ? PatternAt(r1.left + x, r1.top + y)
                           : probed != 0xFFFFFF      ? probed
                           : own != kKeyOnScreen     ? own
                                                     : PatternAt(r1.left + x, r1.top + y);
          if (shown.At(x, y) != expected && wrong++ == 0) {
            std::snprintf(first, sizeof first, " (first at %d,%d: %06lx, expected %06lx)", x, y, shown.At(x, y),
                          expected);
          }
        }
      if (misshapen == 0 && wrong == 0) matched = static_cast<int>(f);
      *mismatch += "frame " + std::to_string(101 + f) + ": " + std::to_string(misshapen) + " pixels of the shape and " +
                   std::to_string(wrong) + " on the screen differ" + first + "; ";
    }
    return matched >= 0;
  });
  DeleteObject(shape);
  DeleteObject(after);
  DeleteObject(probed);
  return matched;
}

class PeekerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HWND w : windows_) DestroyWindow(w);
    Pump();
  }
  HWND Make(int left, int top, int width, int height, DWORD solid) {
    windows_.push_back(MakeWindow(left, top, width, height, solid));
    return windows_.back();
  }
  std::vector<HWND> windows_;
};

TEST_F(PeekerTest, RisesBehindAFittingForegroundWindow) {
  HWND below = Make(900, 600, 60, 60, 0x3040A0);
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  MakeForeground(front);
  ASSERT_EQ(NextVisible(front), below);

  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  // Behind the foreground window, right after the window that was below it. Wine
  // may stack a window it has just shown on top for a moment; every motion tick
  // places it again.
  EXPECT_TRUE(PumpUntil([&] { return NextVisible(below) == window; }, 5000));
  EXPECT_EQ(NextVisible(front), below);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetForegroundWindow(), front);

  const time_t shown = std::time(nullptr);
  std::vector<DWORD> times;
  const std::vector<RECT> track = peeker.TrackUntilHidden(&times);
  int x = CheckTrack(track, window, 300);
  EXPECT_GE(x, 300);
  EXPECT_LE(x, 300 + 400 - kFrameWidth);

  // On the program's own timers: 61 moves of 20 ms up, then a hold of 1000 ms.
  // Timers never fire early; the upper bounds leave room for a slow, shared
  // machine and catch only a wrong order of magnitude.
  size_t top = 0;
  while (top < track.size() && track[top].top != 300 - kFrameHeight) top++;
  ASSERT_LT(top + 1, track.size());
  const DWORD rise = times[top] - times[0], hold = times[top + 1] - times[top];
  EXPECT_GE(rise, 1000u);
  EXPECT_LE(rise, 10000u);
  EXPECT_GE(hold, 800u);
  EXPECT_LE(hold, 5000u);
  EXPECT_EQ(peeker.Close(), 0u);

  // The generator is seeded with the time in seconds: a run started a few seconds
  // later draws a first value about 3 higher per second, so it peeks elsewhere.
  while (std::time(nullptr) <= shown) Sleep(50);
  Peeker later;
  HWND again = later.Window();
  ASSERT_NE(again, nullptr);
  RECT r;
  GetWindowRect(again, &r);
  EXPECT_NE(r.left, x);
  std::printf("rise %lu ms, hold %lu ms; x %d, then %ld a run later\n", rise, hold, x, r.left);
  EXPECT_EQ(later.Close(), 0u);
}

TEST_F(PeekerTest, RisesFromBelowTheScreenWithoutRoomAbove) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  // Maximised beside a taskbar 30 rows high, so it covers the work area but not
  // the monitor. Xvfb without a window manager has no taskbar: the work area is the
  // whole screen and Wine maximises to it (SPI_SETWORKAREA changes only the calling
  // process's idea of it), so the window is made the size it would be maximised.
  HWND maximised = Make(0, 0, screenWidth, screenHeight - 30, 0x20A020);
  MakeForeground(maximised);

  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // No taskbar button, no Alt+Tab entry.
  EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  int x = CheckTrack(peeker.TrackUntilHidden(), window, screenHeight);
  EXPECT_GE(x, 0);
  EXPECT_LE(x, screenWidth - kFrameWidth);

  // Too narrow (204 wide), then too low (top edge at row 121): from below too.
  // Timer 1 sent to the hidden peeker starts the next peek without the pause.
  DestroyWindow(maximised);
  windows_.clear();
  HWND narrow = Make(300, 300, kFrameWidth, 300, 0x20A0A0);
  MakeForeground(narrow);
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  EXPECT_TRUE(IsWindowVisible(window));
  CheckTrack(peeker.TrackUntilHidden(), window, screenHeight);

  HWND low = Make(300, kFrameHeight - 1, 400, 300, 0xA0A020);
  MakeForeground(low);
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  CheckTrack(peeker.TrackUntilHidden(), window, screenHeight);

  // The smallest window that fits: top edge at row 122, 205 x 123.
  HWND fits = Make(300, kFrameHeight, kFrameWidth + 1, kFrameHeight + 1, 0x2020A0);
  MakeForeground(fits);
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  x = CheckTrack(peeker.TrackUntilHidden(), window, kFrameHeight);
  EXPECT_GE(x, 300);
  EXPECT_LE(x, 301);

  // Up from below over a window of the driver's: a click on its top-left
  // corner, key green in every frame, reaches that window and opens nothing.
  HWND below = Make(0, screenHeight - 200, screenWidth, 200, 0x603060);
  MakeForeground(narrow);
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  RECT top;
  ASSERT_TRUE(PumpUntil([&] { return GetWindowRect(window, &top) && top.top == screenHeight - kFrameHeight; }));
  g_clicked = nullptr;
  ClickAt(top.left + 1, top.top + 1);
  EXPECT_TRUE(PumpUntil([&] { return g_clicked == below; }, 5000));
  EXPECT_TRUE(peeker.program().Dialogs().empty());
  EXPECT_EQ(peeker.Close(), 0u);
}

// A window over the whole screen, as a fullscreen video's, a slide show's or a
// game's is: the character does not come until it has gone.
TEST_F(PeekerTest, WaitsOutAFullscreenWindow) {
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  HWND fullscreen = Make(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0x202020);
  MakeForeground(fullscreen);
  Peeker peeker;
  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (window = FindWindowA("Glimmer", nullptr)) != nullptr; }));
  // Timer 1 asks for a peek now; answered by a retry armed no earlier than this.
  const DWORD asked = GetTickCount();
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  EXPECT_FALSE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 4000)) << "shown over the fullscreen window";

  DestroyWindow(fullscreen);
  MakeForeground(front);
  const DWORD closed = GetTickCount();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 30000)) << "no retry came";
  const DWORD shown = GetTickCount();
  // The retry's 10 s, less a little for clocks read in two processes; the upper
  // bound only catches a pause of minutes.
  EXPECT_GE(shown - asked, 9900u);
  EXPECT_LE(shown - closed, 20000u);
  std::printf("peeked %lu ms after the last ask, %lu ms after the fullscreen window closed\n", shown - asked,
              shown - closed);
  ASSERT_EQ(peeker.Window(), window);
  CheckTrack(peeker.TrackUntilHidden(), window, 300);
  EXPECT_EQ(peeker.Close(), 0u);
}

TEST_F(PeekerTest, TimersAndClosing) {
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  MakeForeground(front);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  peeker.TrackUntilHidden();
  RECT before;
  GetWindowRect(window, &before);

  // An unknown timer changes nothing; timer 1 starts the next peek at once.
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 7, 0, SMTO_BLOCK, 5000, &result);
  RECT after;
  GetWindowRect(window, &after);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  EXPECT_TRUE(IsWindowVisible(window));

  // A second copy exits at once, with no window of its own.
  Program second(WindowsPath(GLIMMER_EXE), "");
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_EQ(second.AnyWindow(), nullptr);

  EXPECT_EQ(peeker.Close(), 0u);
}

TEST_F(PeekerTest, OnlyTheCharactersOwnPixelsCoverWhatIsBehind) {
  const std::vector<Frame> frames = LoadFrames();
  Make(0, 0, 1024, 300, 0);  // the pattern, behind everything
  HWND below = Make(900, 600, 60, 60, 0x3040A0);
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  MakeForeground(front);
  ASSERT_EQ(NextVisible(front), below);

  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  const int top = 300 - kFrameHeight;
  std::string mismatch;
  // Clear of the character, of the notification area's window at (0, 0) and of the window below.
  EXPECT_GE(FrameAtTopOfRise(window, frames, top, 1, POINT{0, 170}, &mismatch), 0) << mismatch;

  // Once the peek is over the pattern is intact: no trail, no stale copy.
  peeker.TrackUntilHidden();
  RECT last;
  GetWindowRect(window, &last);
  PumpUntil([] { return false; }, 300);
  Capture after = CaptureScreen(last.left, top, kFrameWidth, kFrameHeight);
  int damaged = 0;
  for (int y = 0; y < kFrameHeight; y++)
    for (int x = 0; x < kFrameWidth; x++) damaged += after.At(x, y) != PatternAt(last.left + x, top + y);
  EXPECT_EQ(damaged, 0);
  EXPECT_EQ(peeker.Close(), 0u);
}

}  // namespace

namespace {

// A left click at a screen position, through the system's input queue.

// Clicks the character during a peek and returns its About box. `fresh` starts a
// new peek for it once the current one is over.
HWND OpenAbout(Peeker& peeker, HWND window, bool fresh = true) {
  if (fresh) {
    PumpUntil([&] { return !IsWindowVisible(window); });
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  }
  // Wait until the character stands well clear of the window it peeks over.
  RECT start, r;
  GetWindowRect(window, &start);
  const int scale = (start.right - start.left) / kFrameWidth;
  PumpUntil([&] {
    GetWindowRect(window, &r);
    return r.top <= start.top - 60 * scale || !IsWindowVisible(window);
  });
  // On the character's own pixels: beside them a click passes to what lies below.
  ClickAt(r.left + (r.right - r.left) / 2, r.top + 30 * scale);
  return peeker.program().WaitForDialog();
}

void WaitGone(HWND about) { PumpUntil([&] { return !IsWindow(about); }, 20000); }

// The About box's art, each pixel a square of `scale`: the title opaque, the two
// lines with their white showing the dialog's background.
void ExpectAboutArt(HWND about, int scale = 1) {
  PumpUntil([] { return false; }, 300);
  const Capture client = CaptureClient(about);
  const DWORD background = client.At(2, client.height - 2);
  const struct {
    const char* name;
    int x, y;
    bool keyWhite;
  } arts[] = {{"about_161.bmp", 25, 12, false}, {"about_163.bmp", 10, 40, true}, {"about_162.bmp", 10, 63, true}};
  for (const auto& a : arts) {
    const Capture art = LoadArt(a.name);
    int wrong = 0;
    for (int v = 0; v < art.height * scale; v++)
      for (int u = 0; u < art.width * scale; u++) {
        const DWORD own = art.At(u / scale, v / scale);
        wrong += client.At(a.x * scale + u, a.y * scale + v) != (a.keyWhite && own == 0xFFFFFF ? background : own);
      }
    EXPECT_EQ(wrong, 0) << a.name;
  }
}

}  // namespace

TEST_F(PeekerTest, AboutBoxOnAClick) {
  HWND front = Make(300, 400, 400, 300, 0xA04030);
  MakeForeground(front);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);

  HWND about = OpenAbout(peeker, window, false);
  ASSERT_NE(about, nullptr);
  char caption[128];
  GetWindowTextA(about, caption, sizeof caption);
  bool known = false;
  for (const char* c : {"Zorblatt,Mastor Of All Cheese", "It's Zorblatt Time Baby", "Zorblatt Is Your Best Friend",
                        "Zorblatt Is Now In Control", "Zorblatt Is Going To Get You",
                        "Zorblatt,Ruler Of All Squishy Things", "Zorblatt,Half Man,Half Man"})
    known = known || std::strcmp(caption, c) == 0;
  EXPECT_TRUE(known) << caption;
  EXPECT_EQ(SendDlgItemMessageA(about, 1001, BM_GETCHECK, 0, 0), BST_CHECKED);

  // The character goes on moving while the dialog is open.
  RECT first, later;
  GetWindowRect(window, &first);
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(window, &later);
    return later.top != first.top;
  }));

  ExpectAboutArt(about);

  // A second click while it is open opens nothing.
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PumpUntil([] { return false; }, 1000);
  EXPECT_EQ(peeker.program().Dialogs().size(), 1u);

  // Audio unchecked, then Continue: remembered at the next opening.
  PostMessageA(GetDlgItem(about, 1001), BM_CLICK, 0, 0);
  PumpUntil([&] { return SendDlgItemMessageA(about, 1001, BM_GETCHECK, 0, 0) == BST_UNCHECKED; });
  PostMessageA(GetDlgItem(about, IDCANCEL), BM_CLICK, 0, 0);
  WaitGone(about);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(window));

  about = OpenAbout(peeker, window);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(about, 1001, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  GetWindowTextA(about, caption, sizeof caption);
  EXPECT_STRNE(caption, "About Zorblatt");

  // Escape acts as Continue...
  PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
  WaitGone(about);
  EXPECT_TRUE(IsWindow(window));

  // ...and Enter as Kill, which ends the program with exit code 1.
  about = OpenAbout(peeker, window);
  ASSERT_NE(about, nullptr);
  PostMessageA(about, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(peeker.program().WaitForExit(), 1u);
}

// At 150% or 200% (the dpi.* tests) the character and its About box's art are
// twice their size, each pixel a square of four; it climbs twice as far.
TEST_F(PeekerTest, AtHighDpiTheCharacterAndItsArtAreTwiceTheirSize) {
  const int k = HighDpiScale();
  ASSERT_GT(k, 1) << "a display of 96 DPI: run it through scripts/own-display.sh --dpi";
  const std::vector<Frame> frames = LoadFrames();
  Make(0, 0, 2048, 700, 0);  // the pattern, behind everything
  HWND below = Make(1800, 1400, 60, 60, 0x3040A0);
  HWND front = Make(300, 700, 1000, 600, 0xA04030);
  MakeForeground(front);
  ASSERT_EQ(NextVisible(front), below);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  std::string mismatch;
  EXPECT_GE(FrameAtTopOfRise(window, frames, 700 - kFrameHeight * k, k, POINT{0, 200}, &mismatch), 0) << mismatch;

  // A posted click, as in the long run: through the input queue one on the scaled
  // character now and then reaches no window under either Wine.
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  HWND about = peeker.program().WaitForDialog();
  ASSERT_NE(about, nullptr);
  ExpectAboutArt(about, k);
  PostMessageA(GetDlgItem(about, IDCANCEL), BM_CLICK, 0, 0);
  WaitGone(about);
  EXPECT_EQ(peeker.Close(), 0u);
}

// Run from a Downloads folder with a winmm.dll planted in it: the goodbye sound
// comes from the system's WINMM, and the planted one is never loaded.
TEST_F(PeekerTest, KillEndsTheProgram) {
  HWND front = Make(300, 400, 400, 300, 0xA04030);
  MakeForeground(front);
  ScratchDir downloads;
  PlantedWinmm planted(downloads.path());
  Peeker peeker(planted.CopyIn(GLIMMER_EXE));
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  HWND about = OpenAbout(peeker, window, false);
  ASSERT_NE(about, nullptr);
  PostMessageA(GetDlgItem(about, IDCANCEL), BM_CLICK, 0, 0);  // Continue, with Audio ticked
  WaitGone(about);
  EXPECT_EQ(peeker.program().ModuleFile("winmm.dll"), "C:\\windows\\system32\\winmm.dll");
  EXPECT_FALSE(planted.Loaded());
  about = OpenAbout(peeker, window);
  ASSERT_NE(about, nullptr);
  PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(peeker.program().WaitForExit(), 1u);
}

namespace {

// What the peeker holds while hidden between peeks with its About box closed.
struct Holdings {
  int gdiObjects;
  size_t committed;
};

Holdings HoldingsBetweenPeeks(Peeker& peeker, HWND window) {
  PumpUntil([&] { return !IsWindowVisible(window) && peeker.program().Dialogs().empty(); });
  return {peeker.program().GdiObjects(), peeker.program().CommittedBytes()};
}

}  // namespace

// Paints run through the motion ticks the driver sends: every tick that shows the
// window invalidates it, and the driver has that paint done before the next tick.
// The About box opens on a posted click and closes with Continue. Objects and
// memory are counted between peeks, so the same things are alive each time.
// 10,000 paints and 100 About boxes in a soak run; 600 and 6 otherwise.
TEST_F(PeekerTest, LongRunPaintsAndAboutBoxesLeaveNothingBehind) {
  const int total = LongRunLength(10000, 600);
  HWND front = Make(300, 400, 400, 300, 0xA04030);
  MakeForeground(front);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);

  int paints = 0, openings = 0;
  auto Tick = [&] {
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
    if (IsWindowVisible(window)) {
      RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
      paints++;
    }
  };
  auto OpenAndContinue = [&] {
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    HWND about = peeker.program().WaitForDialog();
    if (!about) return;
    PostMessageA(GetDlgItem(about, IDCANCEL), BM_CLICK, 0, 0);
    WaitGone(about);
    openings++;
  };
  // Runs ticks until `target` paints, opening the About box every 100 of them.
  auto RunTo = [&](int target) {
    while (paints < target && IsWindow(window)) {
      Tick();
      if (paints % 100 == 0 && openings < paints / 100) OpenAndContinue();
    }
  };

  // Warm up, so that what Wine and the program make lazily exists: the first
  // hundreds of paints and About boxes.
  RunTo(200);
  Holdings early = HoldingsBetweenPeeks(peeker, window);
  ASSERT_GT(early.gdiObjects, 0) << "the GDI handle table could not be read";
  const int startAt = std::max(300, total / 10), middleAt = (startAt + total) / 2;
  RunTo(startAt);
  Holdings start = HoldingsBetweenPeeks(peeker, window);
  RunTo(middleAt);
  Holdings middle = HoldingsBetweenPeeks(peeker, window);
  RunTo(total);
  Holdings end = HoldingsBetweenPeeks(peeker, window);

  EXPECT_GE(paints, total);
  EXPECT_GE(openings, total / 100);
  std::printf("GDI objects %d / %d / %d / %d, committed KiB %zu / %zu / %zu / %zu at 200, %d, %d and %d paints"
              " (%d About boxes)\n", early.gdiObjects, start.gdiObjects, middle.gdiObjects, end.gdiObjects,
              early.committed / 1024, start.committed / 1024, middle.committed / 1024, end.committed / 1024, startAt,
              middleAt, paints, openings);
  // Wine's own caches move the count by a few; a leak of one object per paint
  // would add hundreds, and in a soak run one per peek (about 75 after the
  // warm-up) or per About box (90) would add far more.
  EXPECT_LE(end.gdiObjects, start.gdiObjects + 20);
  EXPECT_LE(middle.gdiObjects, start.gdiObjects + 20);
  // Memory: Wine's heap takes and gives back a 4 MiB segment now and then (the
  // samples go between two values 4 MiB apart), so the bound is 8 MiB: a leaked
  // frame-sized bitmap per paint would be a gigabyte, a kilobyte per paint 9 MiB.
  EXPECT_LE(end.committed, start.committed + 8 * 1024 * 1024);
  EXPECT_EQ(peeker.Close(), 0u);
}

// On a display of two monitors (run through scripts/two-monitors.sh, the
// second left of or above the primary): a foreground window at the top of the
// second monitor gets the character from that monitor's bottom edge, one with
// room above it on that monitor gets it above its top edge.
TEST_F(PeekerTest, OnMonitorsTheCharacterKeepsToTheForegroundWindowsMonitor) {
  RECT second;
  ASSERT_TRUE(SecondMonitor(&second)) << "not a display of two monitors: run it through scripts/two-monitors.sh";
  HWND top = Make(second.left + 100, second.top, 400, 300, 0xA04030);
  MakeForeground(top);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  int x = CheckTrack(peeker.TrackUntilHidden(), window, second.bottom);
  EXPECT_GE(x, second.left);
  EXPECT_LE(x, second.right - kFrameWidth);

  HWND roomy = Make(second.left + 100, second.top + 200, 400, 300, 0x2020A0);
  MakeForeground(roomy);
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  x = CheckTrack(peeker.TrackUntilHidden(), window, second.top + 200);
  EXPECT_GE(x, second.left + 100);
  EXPECT_LE(x, second.left + 100 + 400 - kFrameWidth);
  EXPECT_EQ(peeker.Close(), 0u);
}

namespace {

// Whether the window of the notification area's icons shows (Wine 8's own, or the shell's).
bool NotificationAreaShown() {
  for (const char* name : {"__winex11_standalone_tray", "Shell_TrayWnd"}) {
    HWND area = FindWindowA(name, nullptr);
    if (area != nullptr && IsWindowVisible(area)) return true;
  }
  return false;
}

// The file names in the user's Startup folder, sorted; the folder in `folder`.
std::vector<std::wstring> StartupFiles(std::wstring* folder = nullptr) {
  std::vector<std::wstring> names;
  wchar_t* path = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &path))) return names;
  if (folder) *folder = path;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(path) + L"\\*").c_str(), &found);
  CoTaskMemFree(path);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The program a shortcut file starts, as the system's reader of shortcuts finds it.
std::string ShortcutTarget(const std::wstring& link) {
  wchar_t target[MAX_PATH] = L"";
  IShellLinkW* shortcut = nullptr;
  IPersistFile* file = nullptr;
  CoInitialize(nullptr);
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&shortcut)))) {
    if (SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(link.c_str(), STGM_READ)))
      shortcut->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    if (file) file->Release();
    shortcut->Release();
  }
  return Utf8(target);
}

}  // namespace

// Each item of the icon's menu and a click on the icon, as the notification area
// sends them; Quit ends with 0 (an open About box closing first), Kill with 1.
TEST_F(PeekerTest, TheIconAndItsMenuDoEachOfTheirThings) {
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  MakeForeground(front);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(NotificationAreaShown());
  peeker.TrackUntilHidden();

  // Peek now: over the person's window, though the menu had the foreground.
  ASSERT_TRUE(peeker.Choose('p'));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front; }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  CheckTrack(peeker.TrackUntilHidden(), window, 300);
  peeker.Icon(NIN_SELECT);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000)) << "a click peeks too";

  // Pause hides the character at once; paused, Resume takes Pause's place, and back.
  ASSERT_TRUE(peeker.Choose('u'));
  const DWORD asked = GetTickCount();
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }, 1000));
  std::printf("hidden %lu ms after Pause\n", GetTickCount() - asked);
  EXPECT_FALSE(peeker.Choose('u'));
  for (char key : {'r', 'u', 'r'}) EXPECT_TRUE(peeker.Choose(key)) << key;

  // Sound and the About box's Audio are one switch, either way round.
  ASSERT_TRUE(peeker.Choose('s'));
  ASSERT_TRUE(peeker.Choose('a'));
  HWND about = peeker.program().WaitForDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(about, 1001, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ASSERT_TRUE(peeker.Choose('s'));
  EXPECT_TRUE(PumpUntil([&] { return SendDlgItemMessageA(about, 1001, BM_GETCHECK, 0, 0) == BST_CHECKED; }));

  ASSERT_TRUE(peeker.Choose('q'));
  EXPECT_EQ(peeker.program().WaitForExit(), 0u);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(PumpUntil([] { return !NotificationAreaShown(); }, 5000)) << "the icon is gone";

  // Kill in an About box opened from the menu.
  Peeker again;
  ASSERT_NE(again.Window(), nullptr);
  ASSERT_TRUE(again.Choose('a'));
  about = again.program().WaitForDialog();
  ASSERT_NE(about, nullptr);
  PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(again.program().WaitForExit(), 1u);
}

// Start with Windows writes one Startup shortcut to the program where it is, and
// removes it; a copy elsewhere writes it anew. Started from the shortcut in
// another folder, the program shows its art all the same.
TEST_F(PeekerTest, StartWithWindowsWritesAndRemovesExactlyItsShortcut) {
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  MakeForeground(front);
  std::wstring folder;
  const std::vector<std::wstring> before = StartupFiles(&folder);
  ASSERT_FALSE(folder.empty());
  ASSERT_EQ(std::count(before.begin(), before.end(), L"Glimmer.lnk"), 0);
  const std::wstring link = folder + L"\\Glimmer.lnk";
  // Left behind, the shortcut would start a peeker as the prefix boots.
  struct Removed {
    std::wstring link;
    ~Removed() { DeleteFileW(link.c_str()); }
  } removed{link};
  std::vector<std::wstring> with = before;
  with.push_back(L"Glimmer.lnk");
  std::sort(with.begin(), with.end());
  ScratchDir moved;
  const std::string original = WindowsPath(GLIMMER_EXE), copy = moved.File("glimmer.exe");
  ASSERT_TRUE(CopyFileW(Utf16(original).c_str(), Utf16(copy).c_str(), FALSE));

  {
    Peeker peeker(original);
    ASSERT_NE(peeker.Window(), nullptr);
    ASSERT_TRUE(peeker.Choose('w'));
    EXPECT_TRUE(PumpUntil([&] { return StartupFiles() == with; }, 5000));
    EXPECT_EQ(ShortcutTarget(link), original);
    EXPECT_EQ(peeker.Close(), 0u);
  }
  ASSERT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, L"C:\\", SW_SHOWNORMAL)),
            32);
  HWND started = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (started = FindWindowA("Glimmer", nullptr)) && IsWindowVisible(started); }));
  RECT r = {};
  GetWindowRect(started, &r);
  EXPECT_EQ(r.right - r.left, kFrameWidth);
  EXPECT_EQ(r.bottom - r.top, kFrameHeight);
  DWORD id = 0, code = STILL_ACTIVE;
  GetWindowThreadProcessId(started, &id);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  PostMessageA(started, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process);

  Peeker elsewhere(copy);
  ASSERT_NE(elsewhere.Window(), nullptr);
  ASSERT_TRUE(elsewhere.Choose('w'));
  EXPECT_TRUE(PumpUntil([&] { return ShortcutTarget(link) == copy; }, 5000)) << "written anew, not removed";
  EXPECT_EQ(StartupFiles(), with);
  ASSERT_TRUE(elsewhere.Choose('w'));
  EXPECT_TRUE(PumpUntil([&] { return StartupFiles() == before; }, 5000));
  EXPECT_EQ(elsewhere.Close(), 0u);
}

// The person's window keeps the foreground and the keys typed into it through a
// peek, one from the menu too; the character keeps clear of the pointer.
TEST_F(PeekerTest, ThePersonsWindowKeepsTheForegroundAndTheCharacterKeepsClearOfThePointer) {
  HWND front = Make(300, 300, 400, 300, 0xA04030);
  HWND typing = CreateWindowExA(0, "EDIT", "typed", WS_CHILD | WS_VISIBLE, 10, 10, 200, 24, front, nullptr, nullptr,
                                nullptr);
  MakeForeground(front);
  SetFocus(typing);
  SendMessageA(typing, EM_SETSEL, 0, 0);
  SetCursorPos(488, 260);
  auto focus = [] {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(GetForegroundWindow(), nullptr), &info);
    return info.hwndFocus;
  };
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  for (int peek = 0; peek < 2; peek++) {
    SCOPED_TRACE(peek == 0 ? "a peek of its own" : "Peek now");
    int seen = 0, wrong = 0;
    const int x = CheckTrack(peeker.TrackUntilHidden(nullptr, [&] {
      if (seen++ == 5) {
        INPUT key[2] = {};
        key[0].type = key[1].type = INPUT_KEYBOARD;
        key[0].ki.wVk = key[1].ki.wVk = VK_RIGHT;
        key[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, key, sizeof(INPUT));
      }
      wrong += GetForegroundWindow() != front || focus() != typing;
    }), window, 300);
    EXPECT_EQ(wrong, 0) << "of " << seen;
    EXPECT_GE(x, 489) << "the pointer at (488,260) is under the top of the rise";
    EXPECT_LE(x, 300 + 400 - kFrameWidth);
    EXPECT_TRUE(PumpUntil([&] { return LOWORD(SendMessageA(typing, EM_GETSEL, 0, 0)) == peek + 1; }, 5000))
        << "the key reached the field";
    EXPECT_EQ(GetForegroundWindow(), front);
    EXPECT_EQ(focus(), typing);
    if (peek == 1) break;
    ASSERT_TRUE(peeker.Choose('p'));
    // Back to the person's window as the menu closes, and then the peek.
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front && focus() == typing; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  }
  EXPECT_EQ(peeker.Close(), 0u);
}

namespace {

// Runs a Unix program such as Z:\\usr\\bin\\xrandr to its end (Wine gives no exit code).
bool RunToEnd(const std::string& command) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  WideText line = Utf16(command);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 20000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

// On two monitors: the second turned off under the character takes it away at
// once, and the next peek rises on the primary; then the monitor comes back.
TEST_F(PeekerTest, OnMonitorsTheCharacterLeavesAMonitorTurnedOff) {
  RECT second;
  ASSERT_TRUE(SecondMonitor(&second)) << "not a display of two monitors: run it through scripts/two-monitors.sh";
  const std::string xrandr = "Z:\\usr\\bin\\xrandr";
  const std::string layout = second.right <= 0 ? " --left-of DUMMY0" : " --above DUMMY0";
  struct Restored {
    std::string again;
    ~Restored() {
      RunToEnd(again);
      RunToEnd("Z:\\usr\\bin\\xrandr --query");
      RECT back;
      PumpUntil([&] { return SecondMonitor(&back); }, 10000);
    }
  } restored{xrandr + " --output DUMMY1 --mode 800x600" + layout};
  HWND top = Make(second.left + 100, second.top + 200, 400, 300, 0xA04030);
  MakeForeground(top);
  Peeker peeker;
  HWND window = peeker.Window();
  ASSERT_NE(window, nullptr);
  RECT r;
  ASSERT_TRUE(PumpUntil([&] { return GetWindowRect(window, &r) && r.top < second.top + 200 - 20; }));
  const DWORD asked = GetTickCount();
  ASSERT_TRUE(RunToEnd(xrandr + " --output DUMMY1 --off"));
  ASSERT_TRUE(PumpUntil([&] { return MonitorFromRect(&second, MONITOR_DEFAULTTONULL) == nullptr; }, 10000));
  const DWORD gone = GetTickCount();
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }, 1000)) << "still up where the monitor was";
  std::printf("monitor gone %lu ms after xrandr started, the character %lu ms after that\n", gone - asked,
              GetTickCount() - gone);

  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_BLOCK, 5000, &result);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  const std::vector<RECT> track = peeker.TrackUntilHidden();
  for (const RECT& seen : track)
    EXPECT_TRUE(seen.left >= 0 && seen.right <= 1024 && seen.top >= 0 && seen.bottom <= 768 + kFrameHeight)
        << seen.left << "," << seen.top << ": not within the primary monitor";
  EXPECT_EQ(peeker.Close(), 0u);
}
