// The playback window driven in-process. Its frame timers and its sequencer
// belong to this process, so the timer service's calls can be recorded and MCI
// asked what the song is doing.
#include "player_window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "gif_parser.h"
#include "indexed_bitmap_draw.h"
#include "native_path.h"
#include "payload_locator.h"
#include "player_globals.h"
#include "support/import_patch.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "support/win_driver.h"
#include "whole_file.h"

namespace {

const int kSide = 16;

// Records every timer armed through timeSetEvent as (delay, resolution, user,
// flags), and arms it.
class TimerServiceSpy {
 public:
  using Armed = std::vector<std::tuple<UINT, UINT, DWORD_PTR, UINT>>;
  TimerServiceSpy() : patch_("WINMM.dll", "timeSetEvent", reinterpret_cast<void*>(&Record)) {
    armed.clear();
    real = reinterpret_cast<decltype(&timeSetEvent)>(patch_.original());
  }
  bool Installed() const { return patch_.Installed(); }
  // What was armed since the last look.
  static Armed Take() {
    Armed taken;
    taken.swap(armed);
    return taken;
  }

 private:
  static MMRESULT WINAPI Record(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    EXPECT_EQ(callback, &FrameTimerProc);
    armed.emplace_back(delay, resolution, user, flags);
    return real(delay, resolution, callback, user, flags);
  }
  static inline Armed armed;
  static inline decltype(&timeSetEvent) real;
  ImportPatch patch_;
};

// A song of several hours: a lone end of track after a long pause.
const std::string kLongSong =
    std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x07\x81\x80\x80\x00\xFF\x2F\0", 29);

DWORD_PTR MciStatus(MCIDEVICEID device, DWORD item, MCIERROR* error) {
  MCI_STATUS_PARMS status = {};
  status.dwItem = item;
  *error = mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
  return status.dwReturn;
}

BOOL CALLBACK FindPlayerWindow(HWND window, LPARAM found) {
  char name[64];
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "LoopvueMainWin") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

class PlayerWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    appInstance = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterPlayerClass(appInstance), 0);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    KillFrameTimer();
    StopMusic();
    UnregisterClassA("LoopvueMainWin", appInstance);
    FreeGifAnimation(&animation);
    animation = GifAnimation{};
    ReleaseIndexedBitmap(&canvas);
    frameIndex = -1;
    shownScale = 1;
    senderWordsLength = 0;
    DeleteMusicFile();
    musicPath[0] = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Loads the frames as the start-up does and opens the window on them.
  HWND Open(const std::vector<PlainFrame>& frames,
            const std::vector<uint32_t>& colours = std::vector<uint32_t>(256, 0x808080), int side = kSide) {
    const std::string gif = PlainGif(side, side, colours, frames);
    ByteReader reader = {reinterpret_cast<const uint8_t*>(gif.data()), static_cast<int32_t>(gif.size()), 0};
    ParseGif(&animation, &reader);
    CreateIndexedBitmap(&canvas, side, side);
    ClearIndexedBitmap(&canvas);
    EXPECT_EQ(CreatePlayerWindow(appInstance, SW_HIDE), 1);
    EnumThreadWindows(GetCurrentThreadId(), FindPlayerWindow, reinterpret_cast<LPARAM>(&window_));
    return window_;
  }

  HWND window_ = nullptr;
};

TEST_F(PlayerWindowTest, EachFrameArmsAOneShotTimerWithItsOwnDelay) {
  TimerServiceSpy timers;
  ASSERT_TRUE(timers.Installed());
  const HWND window = Open({SolidFrame(0, 0, kSide, kSide, 1, 50), SolidFrame(0, 0, kSide, kSide, 2, 100),
                            SolidFrame(0, 0, kSide, kSide, 3, 0), SolidFrame(0, 0, kSide, kSide, 4, 1),
                            SolidFrame(0, 0, kSide, kSide, 5, 2)});
  ASSERT_NE(window, nullptr);
  const auto user = reinterpret_cast<DWORD_PTR>(window);
  EXPECT_NE(frameTimerId, 0u);
  EXPECT_EQ(timers.Take(), (TimerServiceSpy::Armed{{500, 10, user, TIME_ONESHOT}}));
  // Delays of 0 and 1 stay 100 ms, as browsers show them; 2 and more, their own.
  for (UINT delay : {1000u, 100u, 100u, 20u, 500u}) {
    SendMessageA(window, WM_TIMER, 0, 0);
    EXPECT_EQ(timers.Take(), (TimerServiceSpy::Armed{{delay, 10, user, TIME_ONESHOT}}));
    EXPECT_NE(frameTimerId, 0u);
  }
  EXPECT_EQ(musicDeviceId, 0u) << "no song, no sequencer";
}

// Moved onto a monitor of another DPI, the window takes that monitor's scale:
// each canvas pixel an exact square of screen pixels. The words' band is laid
// out again at that scale, the canvas centred above it.
TEST_F(PlayerWindowTest, TheCanvasFollowsTheWindowToAMonitorOfAnotherDpi) {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = RGB(i, 255 - i, (i * 7) & 0xFF);
  const int side = 150;  // wider than the narrowest window a menu bar allows
  const PlainFrame frame = PatternFrame(0, 0, side, side, 1, 100);
  const HWND window = Open({frame}, colours, side);
  ASSERT_NE(window, nullptr);
  appPalette = CreateAnimationPalette(animation);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  RECT client;
  const wchar_t words[] = L"Привет, Анна! 你好 🎂 С днём рождения, и много-много счастья!";
  int bandHeights[2] = {};
  const UINT dpis[] = {192, 144, 96, 192, 96};
  for (int step = 0; step < 5; step++) {
    const UINT dpi = dpis[step];
    if (step == 3) {  // from here on with words
      lstrcpyW(senderWords, words);
      senderWordsLength = lstrlenW(words);
    }
    RECT suggested = {40, 30, 40 + 200, 30 + 200};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const int k = dpi == 96 ? 1 : 2;
    EXPECT_EQ(shownScale, k) << dpi;
    const int width = senderWordsLength > 0 ? kWordsBandMinWidth * k : side * k, left = (width - side * k) / 2;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, width) << dpi;
    bandHeights[k - 1] = client.bottom - side * k;
    if (senderWordsLength == 0) {
      EXPECT_EQ(bandHeights[k - 1], 0) << dpi;
    }
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, 40) << "where the system suggests";
    UpdateWindow(window);
    // The system may put the painted window on the screen a moment later.
    const uint32_t corner = colours[frame.indices[0]];
    const DWORD shownCorner = (corner & 0xFF) << 16 | (corner & 0xFF00) | (corner >> 16 & 0xFF);
    PumpUntil([&] { const Capture c = CaptureClient(window); return c.width == width && c.At(left, 0) == shownCorner; },
              5000);
    const Capture shown = CaptureClient(window);
    ASSERT_EQ(shown.width, width);
    for (int y = 0; y < side * k; y++)
      for (int x = 0; x < side * k; x++) {
        const uint32_t colour = colours[frame.indices[(y / k) * side + x / k]];
        ASSERT_EQ(shown.At(left + x, y), (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF))
            << x << "," << y << " at " << dpi;
      }
  }
  // Margins, font and width all twice as large.
  EXPECT_GT(bandHeights[0], 2 * kWordsBandMargin);
  EXPECT_NEAR(bandHeights[1], 2 * bandHeights[0], bandHeights[0] / 8) << bandHeights[1] << " at 192 DPI";
  DeleteObject(appPalette);
  appPalette = nullptr;
}

TEST_F(PlayerWindowTest, AOneFrameAnimationArmsNoTimer) {
  TimerServiceSpy timers;
  ASSERT_TRUE(timers.Installed());
  const HWND window = Open({SolidFrame(0, 0, kSide, kSide, 1, 1)});
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_TIMER, 0, 0);
  EXPECT_TRUE(timers.Take().empty());
  EXPECT_EQ(frameTimerId, 0u);
}

TEST_F(PlayerWindowTest, TheSongIsPlayingOnceTheWindowIsOpenAndClosesWithIt) {
  // The song as the start-up writes it, named in another script and held.
  ScratchDir dir(" Дмитрий 用户");
  const std::string greeting = dir.File("greeting.exe");
  std::string length(4, '\0');
  length[0] = static_cast<char>(kLongSong.size());
  ASSERT_TRUE(WriteWholeFile(greeting, "*MIDI_BEGINS_HERE:" + length + kLongSong));
  wchar_t temp[MAX_PATH];
  GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  SetEnv("TEMP", dir.path().c_str());
  ExtractMusic(Utf16(greeting).c_str(), MIDI_SECTION_MARKER);
  SetEnvironmentVariableW(L"TEMP", temp);
  const std::string song = dir.File("loopvue.mid");
  ASSERT_EQ(Utf8(musicPath), song);
  ASSERT_NE(musicGuard, nullptr);
  const HWND window = Open({SolidFrame(0, 0, kSide, kSide, 1, 1000), SolidFrame(0, 0, kSide, kSide, 2, 1000)});
  ASSERT_NE(window, nullptr);

  const MCIDEVICEID device = musicDeviceId;
  ASSERT_NE(device, 0u);
  MCIERROR error;
  EXPECT_EQ(MciStatus(device, MCI_STATUS_MODE, &error), static_cast<DWORD_PTR>(MCI_MODE_PLAY));
  EXPECT_EQ(error, 0u);
  wchar_t file[MAX_PATH] = L"";
  MCI_INFO_PARMSW info = {};
  info.lpstrReturn = file;
  info.dwRetSize = MAX_PATH;
  EXPECT_EQ(mciSendCommandW(device, MCI_INFO, MCI_INFO_FILE, reinterpret_cast<DWORD_PTR>(&info)), 0u);
  // By its short name, where the sequencer cannot spell the long one.
  wchar_t longName[MAX_PATH] = L"";
  GetLongPathNameW(file, longName, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(longName, Utf16(song).c_str()), 0) << Utf8(file);

  DestroyWindow(window);
  EXPECT_EQ(musicDeviceId, 0u);
  MciStatus(device, MCI_STATUS_MODE, &error);
  EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID)) << "the sequencer is still open";
}

}  // namespace
