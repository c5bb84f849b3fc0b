// The peek cycle driven by direct calls on a real PeekWindow. Nothing here pumps
// messages, so the timers the cycle arms never fire on their own: each test
// decides which tick comes next.
#include "peek_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "peek_moment.h"
#include "peeker_globals.h"
#include "random.h"
#include "resource.h"
#include "screen_rect.h"
#include "shell_calls.h"
#include "sound_player_spy.h"
#include "support/dib_info.h"
#include "support/import_patch.h"

namespace {

// The generator's first value after `seed`, computed independently.
int ModelDraw(uint32_t seed) {
  return static_cast<int>((((seed * 214013ull + 2531011ull) % 4294967296ull) >> 16) % 32768);
}

// The pause drawn first after `seed`: two draws make one value of [180000, 240000].
int ModelPause(uint32_t seed) {
  const uint32_t afterFirst = static_cast<uint32_t>(seed * 214013ull + 2531011ull);
  const uint32_t first = static_cast<uint32_t>(ModelDraw(seed)), second = static_cast<uint32_t>(ModelDraw(afterFirst));
  return 180000 + static_cast<int>((first << 15 | second) % 60001u);
}

// Records the timers the code under test arms, as (id, elapse), and arms them.
class TimerSpy {
 public:
  using Armed = std::vector<std::pair<UINT_PTR, UINT>>;
  TimerSpy() : patch_("USER32.dll", "SetTimer", reinterpret_cast<void*>(&Record)) {
    calls.clear();
    real = reinterpret_cast<decltype(&SetTimer)>(patch_.original());
  }
  bool Installed() const { return patch_.Installed(); }
  // What was armed since the last look; every timer must be `window`'s.
  Armed Take(HWND window) {
    Armed armed;
    for (const Call& c : calls) {
      EXPECT_EQ(c.window, window) << "timer " << c.id;
      armed.emplace_back(c.id, c.elapse);
    }
    calls.clear();
    return armed;
  }

 private:
  struct Call {
    HWND window;
    UINT_PTR id;
    UINT elapse;
  };
  static UINT_PTR WINAPI Record(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    calls.push_back(Call{window, id, elapse});
    return real(window, id, elapse, proc);
  }
  static inline std::vector<Call> calls;
  static inline decltype(&SetTimer) real;
  ImportPatch patch_;
};

// Counts the screen reads of the code under test: transfers from a device's DC,
// the screen's, rather than from a memory DC.
class ScreenReadSpy {
 public:
  ScreenReadSpy() : patch_("GDI32.dll", "BitBlt", reinterpret_cast<void*>(&Record)) {
    reads = 0;
    real = reinterpret_cast<decltype(&BitBlt)>(patch_.original());
  }
  bool Installed() const { return patch_.Installed(); }
  // Reads since the last look.
  int Take() {
    const int n = reads;
    reads = 0;
    return n;
  }

 private:
  static BOOL WINAPI Record(HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop) {
    if (GetObjectType(source) == OBJ_DC) reads++;
    return real(dc, x, y, w, h, source, sx, sy, rop);
  }
  static inline int reads;
  static inline decltype(&BitBlt) real;
  ImportPatch patch_;
};

// What the cycle asks of the shell's notification area, answered as `answer`
// says: the icon is watched without one.
struct NotifyCall {
  DWORD message;
  NOTIFYICONDATAW data;
};
std::vector<NotifyCall> notifyCalls;
BOOL notifyAnswer = TRUE;
BOOL RecordNotify(DWORD message, NOTIFYICONDATAW* data) {
  notifyCalls.push_back(NotifyCall{message, *data});
  return notifyAnswer;
}

RECT Rect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

class PeekCycleTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(timers.Installed());
    g_instance = GetModuleHandleA(nullptr);
    deskWidth = GetSystemMetrics(SM_CXSCREEN);
    deskHeight = GetSystemMetrics(SM_CYSCREEN);
    notifyCalls.clear();
    notifyAnswer = TRUE;
    g_notifyIcon = RecordNotify;
    // The pointer where no spot of these tests has the character stand.
    SetCursorPos(deskWidth - 1, 0);
    // Created in this order, the z-order is: foreground, peeker, below.
    below = MakeWindow(0, 0, 50, 50, 0);
    ShowWindow(below, SW_SHOWNOACTIVATE);
    peek.emplace();
    ASSERT_NE(peek->hwnd, nullptr);
    foreground = MakeWindow(300, 300, 400, 300, WS_VISIBLE);
    SetForegroundWindow(foreground);
    ASSERT_EQ(GetForegroundWindow(), foreground);
    ASSERT_EQ(Next(foreground), peek->hwnd);
    ASSERT_EQ(Next(peek->hwnd), below);
  }

  void TearDown() override {
    // While the object is whole: its window procedure sees WM_DESTROY.
    if (peek && peek->hwnd) DestroyWindow(peek->hwnd);
    if (peek) peek->hwnd = nullptr;
    UnregisterClassA("Glimmer", g_instance);
    MSG msg;
    for (UINT m : {UINT{WM_QUIT}, WM_PEEK_START, UINT{WM_TIMER}})
      while (PeekMessageA(&msg, nullptr, m, m, PM_REMOVE)) {
      }
    for (HWND w : windows) DestroyWindow(w);
    peek.reset();
    g_notifyIcon = ShellNotifyIcon;
  }

  // The next of the test's windows, or the peeker's, below `window`: Wine keeps
  // hidden windows of its own (the input method's) anywhere in the order.
  HWND Next(HWND window) const {
    do {
      window = GetWindow(window, GW_HWNDNEXT);
    } while (window != nullptr && window != peek->hwnd && !IsWindowVisible(window) &&
             std::find(windows.begin(), windows.end(), window) == windows.end());
    return window;
  }

  HWND MakeWindow(int x, int y, int w, int h, DWORD visible) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | visible, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    windows.push_back(window);
    return window;
  }

  void MoveForeground(int x, int y, int w, int h) {
    SetWindowPos(foreground, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT r = Rect(foreground);
    ASSERT_EQ(r.left, x);
    ASSERT_EQ(r.top, y);
    ASSERT_EQ(r.right - r.left, w);
    ASSERT_EQ(r.bottom - r.top, h);
    ASSERT_EQ(GetForegroundWindow(), foreground);
  }

  // Chooses spots from several seeds: x must be left + the draw mod span each
  // time, which also pins the span against a draw that happens to be small.
  void ExpectDrawsX(int left, int span) {
    const HWND fg = GetForegroundWindow();
    for (uint32_t k = 1; k <= 16; k++) {
      const uint32_t seed = k * 0x9E3779B9u;
      SeedRandom(seed);
      peek->ChooseSpot();
      ASSERT_EQ(GetForegroundWindow(), fg) << "another program took the foreground";
      EXPECT_EQ(peek->x, left + ModelDraw(seed) % span) << "seed " << seed;
    }
  }

  // Motion ticks until the peek is over; the number taken.
  int FinishPeek() {
    int n = 0;
    while (peek->active && n < 1000) {
      peek->OnTimer(TIMER_MOTION);
      n++;
    }
    return n;
  }

  void ExpectWindowAt(int left, int top, const char* what, int scale = 1) {
    const RECT r = Rect(peek->hwnd);
    EXPECT_EQ(r.left, left) << what;
    EXPECT_EQ(r.top, top) << what;
    EXPECT_EQ(r.right - r.left, 204 * scale) << what;
    EXPECT_EQ(r.bottom - r.top, 122 * scale) << what;
  }

  // Messages the cycle sent the notification area since the last clear.
  std::vector<DWORD> NotifyMessages() const {
    std::vector<DWORD> messages;
    for (const NotifyCall& c : notifyCalls) messages.push_back(c.message);
    return messages;
  }

  TimerSpy timers;  // first: it outlives the window
  std::optional<PeekWindow> peek;
  HWND foreground = nullptr;
  HWND below = nullptr;
  std::vector<HWND> windows;
  int deskWidth = 0, deskHeight = 0;
};

TEST_F(PeekCycleTest, ChooseSpotGoesBehindTheTopEdgeOfTheForegroundWindow) {
  peek->ticks = 9;
  peek->rising = 0;
  ExpectDrawsX(300, 400 - 204 + 1);
  EXPECT_EQ(peek->y, 300);
  EXPECT_EQ(peek->travel, 61);
  EXPECT_EQ(peek->ticks, 0);
  EXPECT_EQ(peek->rising, 1);
  EXPECT_EQ(peek->insertAfter, below) << "the peeker's own window, directly below, is skipped";

  HWND middle = MakeWindow(0, 0, 50, 50, 0);
  SetWindowPos(middle, foreground, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ASSERT_EQ(Next(foreground), middle);
  peek->ChooseSpot();
  EXPECT_EQ(peek->insertAfter, middle);
  // A hidden window between them, as an input method's may be, is passed over.
  HWND hidden = MakeWindow(0, 0, 1, 1, 0);
  SetWindowPos(hidden, foreground, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_EQ(Next(foreground), hidden);
  peek->ChooseSpot();
  EXPECT_EQ(peek->insertAfter, middle);

  // Nothing below: null, which puts the peeker on top of the z-order.
  SetWindowPos(foreground, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_EQ(Next(foreground), nullptr);
  ASSERT_EQ(GetForegroundWindow(), foreground);
  peek->ChooseSpot();
  EXPECT_EQ(peek->insertAfter, nullptr);
  EXPECT_EQ(peek->y, 300);
}

TEST_F(PeekCycleTest, ChooseSpotRisesFromBelowTheScreenWithoutRoomOrForegroundWindow) {
  struct Case {
    const char* what;
    int left, top, width, height;
    bool fits;
  };
  const Case cases[] = {
      {"whole screen", 0, 0, deskWidth, deskHeight, false},
      {"204 wide", 300, 300, 204, 300, false},
      {"205 wide", 300, 300, 205, 300, true},
      {"122 high", 300, 300, 400, 122, false},
      {"123 high", 300, 300, 400, 123, true},
      {"top at 121", 300, 121, 205, 123, false},
      {"top at 122", 300, 122, 205, 123, true},
      {"left of the screen", -150, 200, 400, 300, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MoveForeground(c.left, c.top, c.width, c.height);
    if (c.fits) {
      ExpectDrawsX(c.left, c.width - 204 + 1);
      EXPECT_EQ(peek->insertAfter, below);
      EXPECT_EQ(peek->y, c.top);
    } else {
      ExpectDrawsX(0, deskWidth - 204 + 1);
      EXPECT_EQ(peek->insertAfter, HWND_TOPMOST);
      EXPECT_EQ(peek->y, deskHeight);
    }
    EXPECT_EQ(peek->travel, 61);
  }

  // Hiding the foreground window (and the one that would take its place) leaves none at all.
  ShowWindow(below, SW_HIDE);
  ShowWindow(foreground, SW_HIDE);
  ASSERT_EQ(GetForegroundWindow(), nullptr);
  ExpectDrawsX(0, deskWidth - 204 + 1);
  EXPECT_EQ(peek->insertAfter, HWND_TOPMOST);
  EXPECT_EQ(peek->y, deskHeight);
  EXPECT_EQ(peek->travel, 61);
}

// Monitors laid out left of and above a 1024 x 768 primary: the monitor is
// the one the window's centre is on, else the primary.
ScreenRect FakeMonitorOf(HWND window) {
  const ScreenRect monitors[] = {{-800, 0, 800, 600}, {0, -600, 800, 600}, {0, 0, 1024, 768}};
  RECT r = {0, 0, 0, 0};
  if (window) GetWindowRect(window, &r);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  for (const ScreenRect& m : monitors)
    if (x >= m.left && x < m.left + m.width && y >= m.top && y < m.top + m.height) return m;
  return monitors[2];
}

TEST_F(PeekCycleTest, ChooseSpotKeepsToTheForegroundWindowsMonitor) {
  const auto saved = g_monitorOf;
  g_monitorOf = FakeMonitorOf;
  const struct Case {
    const char* what;
    int left, top;
    bool fits;
    int spanLeft, spanRight, fromBelow;  // the monitor's, when it does not fit
  } cases[] = {
      {"at the top of the left monitor", -700, 0, false, -800, 0, 600},
      {"room above it on the left monitor", -700, 200, true, 0, 0, 0},
      {"room above it on the upper monitor", 100, -400, true, 0, 0, 0},
      {"at the top of the upper monitor", 100, -600, false, 0, 800, 0},
      {"at the top of the primary", 300, 0, false, 0, 1024, 768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MoveForeground(c.left, c.top, 400, 300);
    if (c.fits) {
      ExpectDrawsX(c.left, 400 - 204 + 1);
      EXPECT_EQ(peek->y, c.top);
    } else {
      ExpectDrawsX(c.spanLeft, c.spanRight - c.spanLeft - 204 + 1);
      EXPECT_EQ(peek->y, c.fromBelow);
      EXPECT_EQ(peek->insertAfter, HWND_TOPMOST);
    }
  }
  g_monitorOf = saved;
}

// A bitmap's pixels, top row first.
std::vector<DWORD> PixelsOf(HBITMAP bitmap, int width, int height) {
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO info = TopDownInfo32(width, height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

int TwiceTheDesignDpi(HWND, int, int) { return 2; }

// On a monitor of 200%, the character is twice its size, each of its pixels a
// square of four, the window shaped alike; it climbs for as many ticks, twice as far.
TEST_F(PeekCycleTest, OnAMonitorOfTwiceTheDesignDpiTheCharacterIsTwiceAsLarge) {
  const auto saved = g_scaleOf;
  g_scaleOf = TwiceTheDesignDpi;
  MoveForeground(100, 300, 500, 300);
  peek->OnStart();
  EXPECT_GE(peek->x, 100);
  EXPECT_LE(peek->x, 100 + 500 - 408);
  ExpectWindowAt(peek->x, 300, "start", 2);
  for (int i = 1; i <= 61; i++) {
    peek->OnTimer(TIMER_MOTION);
    ASSERT_EQ(Rect(peek->hwnd).top, 300 - 4 * i) << "tick " << i;
  }
  EXPECT_EQ(Rect(peek->hwnd).bottom, 300) << "the whole character above the edge";

  const std::vector<DWORD> small = PixelsOf(*peek->frames.At(3), 204, 122);
  const std::vector<DWORD> large = PixelsOf(*peek->ShownFrame(peek->steps.At(0)), 408, 244);
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(peek->hwnd, shape), ERROR);
  int opaque = 0;
  for (int y = 0; y < 244; y++)
    for (int x = 0; x < 408; x++) {
      const DWORD pixel = small[(y / 2) * 204 + x / 2] & 0xFFFFFF;
      ASSERT_EQ(large[y * 408 + x] & 0xFFFFFF, pixel) << x << "," << y;
      ASSERT_EQ(PtInRegion(shape, x, y) != FALSE, pixel != 0x00FF00) << x << "," << y;
      opaque += pixel != 0x00FF00;
    }
  DeleteObject(shape);
  EXPECT_GT(opaque, 4 * 1000) << "the character has pixels of its own";
  EXPECT_EQ(FinishPeek(), 62);

  // Back on a monitor of 96 DPI, the next peek is of the frames' own size.
  g_scaleOf = saved;
  peek->OnTimer(TIMER_MOTION);
  ExpectWindowAt(peek->x, 300, "the next peek");
}

TEST_F(PeekCycleTest, PeekRisesHoldsSinksAndHides) {
  const HWND focused = GetFocus();
  ASSERT_NE(focused, nullptr);
  peek->currentStep = 4;
  peek->OnStart();
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_STEP, 4000}, {TIMER_MOTION, 20}}));
  EXPECT_EQ(peek->active, 1);
  EXPECT_EQ(peek->currentStep, 0);
  const int x = peek->x;
  ASSERT_GE(x, 300);
  ASSERT_LE(x, 300 + 400 - 204);
  ExpectWindowAt(x, 300, "start");
  EXPECT_TRUE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(Next(below), peek->hwnd) << "placed after the window below the foreground one";
  EXPECT_EQ(GetForegroundWindow(), foreground) << "the peek never takes the foreground";

  // A start message during the peek is one more motion tick, not a new spot.
  ScreenReadSpy screen;
  ASSERT_TRUE(screen.Installed());
  peek->OnStart();
  EXPECT_EQ(peek->ticks, 1);
  EXPECT_EQ(screen.Take(), 1);
  EXPECT_EQ(peek->x, x);
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, 20}}));
  for (int i = 2; i <= 61; i++) {
    peek->OnTimer(TIMER_MOTION);
    ASSERT_EQ(peek->ticks, i);
    ASSERT_EQ(peek->rising, i < 61 ? 1 : 0) << "tick " << i;
    ASSERT_EQ(Rect(peek->hwnd).top, 300 - 2 * i) << "tick " << i;
    // The screen is read once per move, as the window is placed; its paint only
    // composes.
    UpdateWindow(peek->hwnd);
    ASSERT_EQ(screen.Take(), 1) << "tick " << i;
    // Two pixels every 20 ms, then a hold of a second at the top.
    ASSERT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, i < 61 ? 20u : 1000u}})) << "tick " << i;
  }
  // The whole frame now stands above the edge.
  EXPECT_EQ(Rect(peek->hwnd).bottom, 300);

  for (int i = 1; i <= 61; i++) {
    peek->OnTimer(TIMER_MOTION);
    ASSERT_EQ(peek->ticks, 61 - i);
    ASSERT_EQ(peek->rising, 0);
    ASSERT_EQ(Rect(peek->hwnd).top, 178 + 2 * i) << "tick " << i;
    ASSERT_TRUE(IsWindowVisible(peek->hwnd)) << "tick " << i;
    ASSERT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, 20}})) << "tick " << i;
  }
  ExpectWindowAt(x, 300, "back at the start");
  EXPECT_EQ(peek->active, 1);
  EXPECT_EQ(GetForegroundWindow(), foreground);
  EXPECT_EQ(GetFocus(), focused) << "nor the keyboard focus";

  // The pause before the next peek is the generator's next draw of [180000, 240000].
  for (uint32_t seed : {1u, 0xC0FFEEu}) {
    SeedRandom(seed);
    peek->OnTimer(TIMER_MOTION);
    EXPECT_FALSE(IsWindowVisible(peek->hwnd));
    EXPECT_EQ(peek->active, 0);
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, static_cast<UINT>(ModelPause(seed))}}))
        << "seed " << seed;
    EXPECT_NE(KillTimer(peek->hwnd, TIMER_MOTION), FALSE) << "the pause is armed";
    // Back to the last tick of a peek, for the next seed.
    peek->active = 1;
    peek->rising = 0;
    peek->ticks = 0;
  }
}

TEST_F(PeekCycleTest, PeekFromBelowTheScreenEndsWithTheWholeFrameOnScreen) {
  // Maximised above a taskbar: no room above, but not fullscreen either.
  MoveForeground(0, 0, deskWidth, deskHeight - 40);
  peek->OnStart();
  ExpectWindowAt(peek->x, deskHeight, "start");
  EXPECT_NE(GetWindowLongA(peek->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "in front of every window";
  for (int i = 0; i < 61; i++) peek->OnTimer(TIMER_MOTION);
  ExpectWindowAt(peek->x, deskHeight - 122, "top of the rise");
  EXPECT_EQ(FinishPeek(), 62);
}

TEST_F(PeekCycleTest, AnimationStepsAdvanceOnlyDuringAPeek) {
  peek->OnStart();
  timers.Take(peek->hwnd);
  const int x = peek->x;
  const UINT durations[] = {4000, 100, 100, 2000, 100, 100};
  ScreenReadSpy screen;
  ASSERT_TRUE(screen.Installed());
  for (int expected : {1, 2, 3, 4, 5, 0, 1}) {
    peek->OnTimer(TIMER_STEP);
    EXPECT_EQ(peek->currentStep, expected);
    ExpectWindowAt(x, 300, "same place, next frame");
    // The saved backdrop is still what lies behind: the new frame goes over it
    // without a look at the screen.
    UpdateWindow(peek->hwnd);
    EXPECT_EQ(screen.Take(), 0) << "step " << expected;
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_STEP, durations[expected]}})) << "step " << expected;
  }
  ASSERT_EQ(FinishPeek(), 123);
  timers.Take(peek->hwnd);

  peek->OnTimer(TIMER_STEP);
  EXPECT_EQ(peek->currentStep, 1) << "no peek: the step stays";
  EXPECT_FALSE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(KillTimer(peek->hwnd, TIMER_STEP), FALSE) << "the step timer stays stopped";
  EXPECT_TRUE(timers.Take(peek->hwnd).empty());

  // The next peek (the pause timer firing) starts the animation over.
  peek->OnTimer(TIMER_MOTION);
  EXPECT_EQ(peek->active, 1);
  EXPECT_EQ(peek->currentStep, 0);
  EXPECT_TRUE(IsWindowVisible(peek->hwnd));
  EXPECT_NE(KillTimer(peek->hwnd, TIMER_STEP), FALSE) << "the step timer runs again";
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_STEP, 4000}, {TIMER_MOTION, 20}}));
}

TEST_F(PeekCycleTest, UnknownTimerChangesNothing) {
  peek->OnStart();
  for (int i = 0; i < 5; i++) peek->OnTimer(TIMER_MOTION);
  peek->OnTimer(TIMER_STEP);
  const PeekWindow& p = *peek;
  const int before[] = {p.x, p.y, p.active, p.travel, p.ticks, p.rising, p.currentStep};
  const HWND insertAfter = p.insertAfter;
  const RECT r = Rect(p.hwnd);

  peek->OnTimer(7);
  const int after[] = {p.x, p.y, p.active, p.travel, p.ticks, p.rising, p.currentStep};
  for (int i = 0; i < 7; i++) EXPECT_EQ(after[i], before[i]) << "field " << i;
  EXPECT_EQ(p.insertAfter, insertAfter);
  const RECT now = Rect(p.hwnd);
  EXPECT_TRUE(EqualRect(&r, &now));
  EXPECT_NE(KillTimer(p.hwnd, TIMER_MOTION), FALSE) << "motion timer untouched";
  EXPECT_NE(KillTimer(p.hwnd, TIMER_STEP), FALSE) << "step timer untouched";
  EXPECT_EQ(KillTimer(p.hwnd, 7), FALSE) << "the unknown timer is not armed";
}

TEST_F(PeekCycleTest, FrameTooLowToClimbEndsThePeekAtTheFirstTick) {
  GdiBitmap* frame0 = peek->frames.At(0);
  frame0->Reset(CreateBitmap(204, 1, 1, 32, nullptr));

  peek->OnStart();
  EXPECT_EQ(peek->travel, 0);
  EXPECT_EQ(peek->rising, 0);
  EXPECT_EQ(peek->active, 1);
  EXPECT_TRUE(IsWindowVisible(peek->hwnd));

  peek->OnTimer(TIMER_MOTION);
  EXPECT_EQ(peek->active, 0);
  EXPECT_FALSE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(peek->y, 300) << "never moved";
  EXPECT_EQ(peek->ticks, 0);
}

// The window procedure hands the start message and the timers to the cycle.
TEST_F(PeekCycleTest, WindowMessagesDriveTheCycle) {
  SendMessageA(peek->hwnd, WM_PEEK_START, 0, 0);
  EXPECT_EQ(peek->active, 1);
  EXPECT_TRUE(IsWindowVisible(peek->hwnd));
  SendMessageA(peek->hwnd, WM_TIMER, TIMER_STEP, 0);
  EXPECT_EQ(peek->currentStep, 1);
  SendMessageA(peek->hwnd, WM_TIMER, TIMER_MOTION, 0);
  EXPECT_EQ(peek->ticks, 1);
  EXPECT_EQ(Rect(peek->hwnd).top, 298);
}

// The shell's and the session's answers as a test sets them.
QUERY_USER_NOTIFICATION_STATE shellSays;
bool shellAnswers, screenAway;

// Puts those answers in place of the system's for the life of the object.
class MomentFake {
 public:
  MomentFake() {
    shellSays = QUNS_ACCEPTS_NOTIFICATIONS;
    shellAnswers = true;
    screenAway = false;
    g_momentSources = {[](QUERY_USER_NOTIFICATION_STATE* s) {
                         *s = shellSays;
                         return shellAnswers;
                       },
                       [] { return screenAway; }};
  }
  ~MomentFake() { g_momentSources = saved_; }

 private:
  MomentSources saved_ = g_momentSources;
};

// The motion timer that ends a pause, with the fakes' answers; the peek is
// heard (the clip is given a sound) and, if it begins, run to its end.
class MomentTest : public PeekCycleTest {
 protected:
  void SetUp() override {
    PeekCycleTest::SetUp();
    peek->sounds.Append(IDW_GOODBYE);
  }
  void ExpectPostponed(const char* what) {
    peek->OnTimer(TIMER_MOTION);
    EXPECT_EQ(peek->active, 0) << what;
    EXPECT_FALSE(IsWindowVisible(peek->hwnd)) << what;
    EXPECT_TRUE(SoundPlayerSpy::calls.empty()) << what;
    // A short retry, not a pause drawn from the generator.
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, 10000}})) << what;
  }
  void ExpectPeek(const char* what) {
    peek->OnTimer(TIMER_MOTION);
    EXPECT_EQ(peek->active, 1) << what;
    EXPECT_TRUE(IsWindowVisible(peek->hwnd)) << what;
    EXPECT_EQ(SoundPlayerSpy::calls.size(), 1u) << what;
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_STEP, 4000}, {TIMER_MOTION, 20}})) << what;
    FinishPeek();
    timers.Take(peek->hwnd);
    SoundPlayerSpy::calls.clear();
  }
  MomentFake moment;
  SoundPlayerSpy sounds;
};

TEST_F(MomentTest, APeekWaitsWhileTheShellSaysTheUserIsBusyOrAway) {
  ASSERT_TRUE(sounds.Installed());
  for (auto busy : {QUNS_NOT_PRESENT, QUNS_BUSY, QUNS_RUNNING_D3D_FULL_SCREEN, QUNS_PRESENTATION_MODE,
                    QUNS_QUIET_TIME}) {
    shellSays = busy;
    ExpectPostponed(("shell state " + std::to_string(busy)).c_str());
  }
  shellSays = QUNS_ACCEPTS_NOTIFICATIONS;
  screenAway = true;
  ExpectPostponed("screen saver or locked");
  // The start message asks too.
  peek->OnStart();
  EXPECT_FALSE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, 10000}}));

  screenAway = false;
  ExpectPeek("accepts notifications");
  shellSays = QUNS_APP;
  ExpectPeek("an app in front");
  shellAnswers = false;
  ExpectPeek("a shell that cannot say");
}

TEST_F(MomentTest, APeekWaitsOutAFullscreenWindowButNotAMaximisedOne) {
  ASSERT_TRUE(sounds.Installed());
  MoveForeground(0, 0, deskWidth, deskHeight);
  ExpectPostponed("fullscreen");
  MoveForeground(-10, -10, deskWidth + 20, deskHeight + 20);
  ExpectPostponed("beyond every edge");
  EXPECT_FALSE(IsFullscreenProgram(GetDesktopWindow()));
  EXPECT_FALSE(IsFullscreenProgram(nullptr));

  MoveForeground(0, 0, deskWidth, deskHeight - 1);
  ExpectPeek("the taskbar's row left");
  EXPECT_EQ(peek->y, deskHeight) << "from below the screen";

  // Maximised with a caption, its frame overhangs the monitor as with a taskbar
  // that hides itself.
  HWND document = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
  windows.push_back(document);
  ShowWindow(document, SW_MAXIMIZE);
  SetForegroundWindow(document);
  ASSERT_EQ(GetForegroundWindow(), document);
  const RECT r = Rect(document);
  ASSERT_TRUE(r.left <= 0 && r.top <= 0 && r.right >= deskWidth && r.bottom >= deskHeight);
  ExpectPeek("maximised");

  // The shell's windows (its desktop, its wallpaper layer) cover the screen too.
  SetForegroundWindow(foreground);
  MoveForeground(0, 0, deskWidth, deskHeight);
  if (HWND shell = GetShellWindow()) {
    // A session with a shell, as every Windows desktop has (and Wine 10): its
    // own window, which covers the screen, is no program's. A window of the
    // shell's thread cannot be planted beside it.
    const RECT r = Rect(shell);
    EXPECT_TRUE(r.left <= 0 && r.top <= 0 && r.right >= deskWidth && r.bottom >= deskHeight);
    EXPECT_FALSE(IsFullscreenProgram(shell));
    return;
  }
  auto setShellWindow = reinterpret_cast<BOOL(WINAPI*)(HWND)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetShellWindow")));
  ASSERT_NE(setShellWindow, nullptr);
  ASSERT_TRUE(setShellWindow(MakeWindow(0, 0, 10, 10, 0)));
  ExpectPeek("a window of the shell's thread");
  DestroyWindow(GetShellWindow());
  EXPECT_EQ(GetShellWindow(), nullptr);
}

// Under Wine 8 the shell's state is known, and neither a screen saver nor a lock is seen.
TEST(PeekMoment, WhatTheSystemAnswers) {
  QUERY_USER_NOTIFICATION_STATE state = QUERY_USER_NOTIFICATION_STATE();
  ASSERT_TRUE(g_momentSources.userState(&state));
  EXPECT_EQ(state, QUNS_ACCEPTS_NOTIFICATIONS);
  EXPECT_FALSE(g_momentSources.screenAway());
}

PeekWindow* clicked;

// Run by the About box's own loop: unticks Audio, then presses Continue.
void CALLBACK UntickAudioAndContinue(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SendDlgItemMessageA(clicked->about.hwnd, IDC_AUDIO, BM_CLICK, 0, 0);
  EXPECT_EQ(clicked->soundOn, 1) << "the choice reaches the clip only once the box is closed";
  SendDlgItemMessageA(clicked->about.hwnd, IDCANCEL, BM_CLICK, 0, 0);
}

// A click runs the About box to its end; Audio unticked there silences its
// goodbye and, from then on, the clip's own sounds.
TEST_F(PeekCycleTest, AClickHandsTheAudioChoiceToTheClip) {
  SoundPlayerSpy sounds;
  ASSERT_TRUE(sounds.Installed());
  clicked = &*peek;
  SetTimer(nullptr, 0, 10, UntickAudioAndContinue);
  SendMessageA(peek->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(peek->about.hwnd, nullptr);
  EXPECT_EQ(aboutBusy, 0);
  EXPECT_TRUE(IsWindow(peek->hwnd));
  EXPECT_TRUE(SoundPlayerSpy::calls.empty()) << "no goodbye";
  EXPECT_EQ(peek->soundOn, 0);
  peek->sounds.Append(IDW_GOODBYE);
  peek->PlayClipSound(0);
  EXPECT_TRUE(SoundPlayerSpy::calls.empty()) << "the clip is silent too";
}

// The icon comes with the window (small-icon face, tooltip, message form), again
// with a new taskbar or five seconds on while the shell refuses it, and goes with it.
TEST_F(PeekCycleTest, TheIconComesWithTheWindowAndANewTaskbarAndGoesWithTheWindow) {
  ASSERT_EQ(NotifyMessages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
  const NOTIFYICONDATAW& added = notifyCalls[0].data;
  EXPECT_EQ(added.hWnd, peek->hwnd);
  EXPECT_EQ(added.uFlags, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP});
  EXPECT_EQ(added.uCallbackMessage, WM_TRAY_NOTIFY);
  EXPECT_EQ(std::wstring(added.szTip), L"Glimmer");
  ICONINFO icon;
  ASSERT_TRUE(GetIconInfo(added.hIcon, &icon));
  BITMAP face;
  GetObjectA(icon.hbmColor, sizeof face, &face);
  EXPECT_EQ(face.bmWidth, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
  EXPECT_EQ(notifyCalls[1].data.uVersion, UINT{NOTIFYICON_VERSION_4});

  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  const struct {
    BOOL answer;
    bool byRetry;
  } times[] = {{TRUE, false}, {FALSE, false}, {TRUE, true}};
  for (const auto& t : times) {
    notifyAnswer = t.answer;
    notifyCalls.clear();
    if (t.byRetry) peek->OnTimer(TIMER_TRAY);
    if (!t.byRetry) SendMessageW(peek->hwnd, taskbarCreated, 0, 0);
    EXPECT_EQ(NotifyMessages(), (std::vector<DWORD>{NIM_ADD, t.answer ? DWORD{NIM_SETVERSION} : DWORD{NIM_MODIFY}}))
        << "added; set to its form, or else brought up to date";
    EXPECT_EQ(timers.Take(peek->hwnd), (t.answer ? TimerSpy::Armed{} : TimerSpy::Armed{{TIMER_TRAY, 5000}}));
  }
  notifyCalls.clear();
  DestroyWindow(peek->hwnd);
  ASSERT_EQ(NotifyMessages(), (std::vector<DWORD>{NIM_DELETE}));
  EXPECT_EQ(notifyCalls[0].data.uID, kTrayIconId);
}

// Pause hides a peek at once for an hour; a peek asked for meanwhile is the
// only one; Resume, or the hour's end, waits a pause as after a peek.
TEST_F(PeekCycleTest, PauseHidesAtOnceAndHoldsUntilResumeOrTheHoursEnd) {
  peek->OnTrayNotify(0, MAKELPARAM(NIN_SELECT, kTrayIconId));
  ASSERT_EQ(peek->active, 1) << "a click on the icon peeks";
  for (int i = 0; i < 10; i++) peek->OnTimer(TIMER_MOTION);
  timers.Take(peek->hwnd);
  peek->OnCommand(IDM_PAUSE);
  EXPECT_EQ(peek->active, 0);
  EXPECT_FALSE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_PAUSE, 3600000}}));
  EXPECT_EQ(KillTimer(peek->hwnd, TIMER_MOTION), FALSE) << "no peek to come";

  peek->OnCommand(IDM_PEEK_NOW);
  EXPECT_EQ(peek->active, 1);
  EXPECT_EQ(FinishPeek(), 123);
  EXPECT_EQ(KillTimer(peek->hwnd, TIMER_MOTION), FALSE) << "one peek, and still paused";
  for (bool fromMenu : {true, false}) {
    SeedRandom(7);
    timers.Take(peek->hwnd);
    if (fromMenu) peek->OnCommand(IDM_PAUSE);  // which reads Resume now
    if (!fromMenu) peek->OnTimer(TIMER_PAUSE);
    EXPECT_FALSE(peek->paused);
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, static_cast<UINT>(ModelPause(7))}}));
    peek->OnCommand(IDM_PAUSE);
  }
}

bool monitorThere;
bool FakeMonitorThere(ScreenRect) { return monitorThere; }

// A peek whose monitor has gone leaves at once, whichever tick or message
// finds it so, and the next one waits a pause as after any peek.
TEST_F(PeekCycleTest, APeekLeavesAtOnceWhenItsMonitorGoesOrTheDisplayChanges) {
  const auto saved = g_monitorThere;
  g_monitorThere = FakeMonitorThere;
  for (UINT_PTR timer : {UINT_PTR{TIMER_MOTION}, UINT_PTR{TIMER_STEP}, UINT_PTR{0}}) {
    SCOPED_TRACE(timer != 0 ? "timer " + std::to_string(timer) : "WM_DISPLAYCHANGE");
    monitorThere = true;
    peek->OnTimer(TIMER_MOTION);
    ASSERT_EQ(peek->active, 1);
    for (int i = 0; i < 5; i++) peek->OnTimer(TIMER_MOTION);
    timers.Take(peek->hwnd);
    SeedRandom(3);
    monitorThere = timer == 0;  // the message leaves whatever the monitor
    if (timer != 0) peek->OnTimer(timer);
    if (timer == 0) SendMessageA(peek->hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_EQ(peek->active, 0);
    EXPECT_FALSE(IsWindowVisible(peek->hwnd));
    EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, static_cast<UINT>(ModelPause(3))}}));
    EXPECT_EQ(KillTimer(peek->hwnd, TIMER_STEP), FALSE) << "the animation stops too";
  }
  g_monitorThere = saved;
}

ScreenRect NarrowMonitor(HWND) { return ScreenRect{0, 0, 300, 768}; }

// The character never stands over the pointer at the top of its rise: the one
// draw maps onto the places clear of it, above the window, else from below,
// else a retry in ten seconds.
TEST_F(PeekCycleTest, ChooseSpotKeepsClearOfThePointer) {
  const struct Case {
    const char* what;
    int width;
    POINT pointer;
    bool above;
  } cases[] = {
      {"over the top edge", 400, {488, 260}, true},
      {"over the top edge of a narrow window", 220, {400, 250}, false},
      {"on the window, below the rise", 400, {488, 400}, true},
      {"at the bottom, where the peek comes from below", 204, {500, deskHeight - 50}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MoveForeground(300, 300, c.width, 300);
    SetCursorPos(c.pointer.x, c.pointer.y);
    const int left = c.above ? 300 : 0, right = c.above ? 300 + c.width - 204 : deskWidth - 204;
    const int top = c.above ? 300 - 122 : deskHeight - 122;
    std::vector<int> clear;
    for (int x = left; x <= right; x++)
      if (c.pointer.x < x || c.pointer.x >= x + 204 || c.pointer.y < top || c.pointer.y >= top + 122) clear.push_back(x);
    for (uint32_t seed : {1u, 0x9E3779B9u, 0xC0FFEEu, 12345u}) {
      SeedRandom(seed);
      ASSERT_TRUE(peek->ChooseSpot());
      EXPECT_EQ(peek->x, clear[static_cast<size_t>(ModelDraw(seed)) % clear.size()]) << "seed " << seed;
      EXPECT_EQ(peek->y, c.above ? 300 : deskHeight);
    }
  }
  const auto saved = g_monitorOf;
  g_monitorOf = NarrowMonitor;
  MoveForeground(0, 0, 300, 700);
  SetCursorPos(150, 700);
  peek->OnTimer(TIMER_MOTION);
  EXPECT_EQ(peek->active, 0);
  EXPECT_FALSE(IsWindowVisible(peek->hwnd));
  EXPECT_EQ(timers.Take(peek->hwnd), (TimerSpy::Armed{{TIMER_MOTION, 10000}}));
  g_monitorOf = saved;
}

// Peeks go by the person's last window: not the peeker's own (its menu and About
// box take the foreground), nor the taskbar.
TEST_F(PeekCycleTest, PeeksGoByThePersonsLastWindowNotThePeekersOrTheTaskbars) {
  ASSERT_TRUE(peek->ChooseSpot());
  ASSERT_EQ(peek->y, 300);
  const WNDCLASSA trayClass = {0, DefWindowProcA, 0, 0, g_instance, nullptr, nullptr, nullptr, nullptr, "Shell_TrayWnd"};
  RegisterClassA(&trayClass);
  const HWND taskbar = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, deskHeight - 40, deskWidth,
                                       40, nullptr, nullptr, g_instance, nullptr);
  windows.push_back(taskbar);
  windows.push_back(CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, peek->hwnd, nullptr,
                                    nullptr, nullptr));
  for (HWND now : {taskbar, windows.back()}) {
    SetForegroundWindow(now);
    ASSERT_EQ(GetForegroundWindow(), now);
    ASSERT_TRUE(peek->ChooseSpot());
    EXPECT_EQ(peek->y, 300) << "over the person's window";
  }
  ShowWindow(foreground, SW_HIDE);
  ASSERT_TRUE(peek->ChooseSpot());
  EXPECT_EQ(peek->y, deskHeight) << "that window gone: up from below";
}

}  // namespace
