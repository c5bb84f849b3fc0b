#include "sprite_clip.h"

#include <gtest/gtest.h>

#include <vector>

#include "peeker_globals.h"
#include "sound_player_spy.h"
#include "support/dib_info.h"

namespace {

// A bitmap's pixels as 32-bit values, top row first.
std::vector<DWORD> Pixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = TopDownInfo32(width, height);
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  return pixels;
}

class SpriteClipTest : public testing::Test {
 protected:
  void SetUp() override {
    g_instance = GetModuleHandleA(nullptr);
    window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  RECT WindowRect() const {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
  }

  HWND window = nullptr;
};

TEST_F(SpriteClipTest, CharacterClipHoldsFourFramesAndSixSteps) {
  CharacterClip clip;
  ASSERT_EQ(clip.frames.Count(), 4);
  for (int i = 0; i < 4; i++) {
    SCOPED_TRACE(testing::Message() << "frame " << i);
    const GdiBitmap* frame = clip.frames.At(i);
    ASSERT_NE(HBITMAP(*frame), nullptr);
    EXPECT_EQ(frame->Width(), 204);
    EXPECT_EQ(frame->Height(), 122);
    // Frame i is bitmap 101 + i, and no other.
    for (int id = 101; id <= 104; id++) {
      HBITMAP reference = LoadBitmapA(g_instance, MAKEINTRESOURCEA(id));
      ASSERT_NE(reference, nullptr);
      EXPECT_EQ(Pixels(*frame, 204, 122) == Pixels(reference, 204, 122), id == 101 + i) << "bitmap " << id;
      DeleteObject(reference);
    }
  }

  const int frameIndexes[] = {3, 2, 1, 0, 1, 2};
  const int durations[] = {4000, 100, 100, 2000, 100, 100};
  ASSERT_EQ(clip.steps.Count(), 6);
  for (int i = 0; i < 6; i++) {
    const ClipStep* step = clip.steps.At(i);
    EXPECT_EQ(step->frame, clip.frames.At(frameIndexes[i])) << "step " << i;
    EXPECT_EQ(step->keyColour, 0x00FF00u) << "step " << i;
    EXPECT_EQ(step->duration, durations[i]) << "step " << i;
  }

  EXPECT_EQ(clip.sounds.Count(), 0);
  EXPECT_EQ(clip.currentStep, 0);
  EXPECT_EQ(clip.soundOn, 1);
  EXPECT_EQ(HBITMAP(clip.backdrop), nullptr);
  EXPECT_EQ(clip.backdropRect.left, 0);
  EXPECT_EQ(clip.backdropRect.top, 0);
  EXPECT_EQ(clip.backdropRect.width, 0);
  EXPECT_EQ(clip.backdropRect.height, 0);
  EXPECT_EQ(clip.CurrentDuration(), 4000);
  clip.currentStep = 3;
  EXPECT_EQ(clip.CurrentDuration(), 2000);
}

TEST_F(SpriteClipTest, PlayClipSoundCallsThePlayerOnlyForAListedSoundWithTheSwitchOn) {
  SoundPlayerSpy spy;
  ASSERT_TRUE(spy.Installed()) << "no import of WINMM ordinal 2";
  CharacterClip clip;

  clip.PlayClipSound(0);
  EXPECT_TRUE(SoundPlayerSpy::calls.empty()) << "the character has no sounds";

  clip.sounds.Append(165);
  clip.PlayClipSound(0);
  ASSERT_EQ(SoundPlayerSpy::calls.size(), 1u);
  EXPECT_EQ(SoundPlayerSpy::calls[0].sound, MAKEINTRESOURCEA(165));
  EXPECT_EQ(SoundPlayerSpy::calls[0].module, GetModuleHandleA(nullptr));
  EXPECT_EQ(SoundPlayerSpy::calls[0].flags, 0x40015u);

  clip.PlayClipSound(1);
  clip.PlayClipSound(-1);
  EXPECT_EQ(SoundPlayerSpy::calls.size(), 1u) << "index outside the list";
  clip.soundOn = 0;
  clip.PlayClipSound(0);
  EXPECT_EQ(SoundPlayerSpy::calls.size(), 1u) << "switch off";
}

TEST_F(SpriteClipTest, PlaceWindowShowsTheWindowSizedToTheCurrentFrame) {
  CharacterClip clip;
  clip.PlaceWindow(window, 40, 50, HWND_TOP);
  const RECT r = WindowRect();
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 204);
  EXPECT_EQ(r.bottom - r.top, 122);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_NE(GetActiveWindow(), window) << "placing never activates";

  // In place again: nothing moves, yet the whole window is to be repainted.
  ValidateRect(window, nullptr);
  clip.PlaceWindow(window, 40, 50, HWND_TOPMOST);
  RECT update = {};
  EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
  EXPECT_EQ(update.left, 0);
  EXPECT_EQ(update.top, 0);
  EXPECT_EQ(update.right, 204);
  EXPECT_EQ(update.bottom, 122);
  EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << "insertAfter is applied";
}

TEST_F(SpriteClipTest, PlaceWindowTakesTheSizeOfTheStepsOwnFrame) {
  SpriteClip clip;
  clip.PlaceWindow(window, 40, 50, HWND_TOP);
  RECT r = WindowRect();
  EXPECT_FALSE(IsWindowVisible(window)) << "no steps: nothing happens";
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 10);
  EXPECT_EQ(clip.CurrentDuration(), 0);

  clip.frames.AppendEmpty();
  clip.frames.AppendEmpty();
  clip.frames.At(0)->Reset(CreateBitmap(30, 20, 1, 32, nullptr));
  clip.frames.At(1)->Reset(CreateBitmap(50, 60, 1, 32, nullptr));
  clip.AddStep(clip.frames.At(0), RGB(0, 255, 0), 10);
  clip.AddStep(clip.frames.At(1), RGB(0, 255, 0), 10);
  clip.currentStep = 1;
  clip.PlaceWindow(window, 70, 80, HWND_TOP);
  r = WindowRect();
  EXPECT_EQ(r.left, 70);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right - r.left, 50);
  EXPECT_EQ(r.bottom - r.top, 60);
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(SpriteClipTest, PaintKeepsTheBackdropOfTheLastPaint) {
  SpriteClip empty;
  HBITMAP saved = CreateBitmap(8, 8, 1, 32, nullptr);
  empty.backdrop.Reset(saved);
  empty.backdropRect = {1, 2, 8, 8};
  ShowWindow(window, SW_SHOWNOACTIVATE);
  empty.Paint(window);
  EXPECT_EQ(HBITMAP(empty.backdrop), saved) << "no steps: nothing painted";
  EXPECT_EQ(empty.backdropRect.left, 1);
  EXPECT_EQ(empty.backdropRect.top, 2);
  EXPECT_EQ(empty.backdropRect.width, 8);
  EXPECT_EQ(empty.backdropRect.height, 8);
  BITMAP bm = {};
  EXPECT_NE(GetObjectA(saved, sizeof bm, &bm), 0) << "the saved bitmap still exists";

  // With steps, the backdrop becomes a copy of the window's rectangle.
  CharacterClip clip;
  clip.PlaceWindow(window, 120, 130, HWND_TOP);
  clip.Paint(window);
  EXPECT_EQ(clip.backdropRect.left, 120);
  EXPECT_EQ(clip.backdropRect.top, 130);
  EXPECT_EQ(clip.backdropRect.width, 204);
  EXPECT_EQ(clip.backdropRect.height, 122);
  ASSERT_NE(HBITMAP(clip.backdrop), nullptr);
  EXPECT_EQ(clip.backdrop.Width(), 204);
  EXPECT_EQ(clip.backdrop.Height(), 122);
}

// A frame change in place: the new frame goes over the saved backdrop, never
// over the frame before it.
TEST_F(SpriteClipTest, ANewFrameInPlaceShowsOverTheSavedBackdrop) {
  const int w = 204, h = 122;
  const DWORD behind = 0x00345678;
  CharacterClip clip;
  std::vector<DWORD> pattern(static_cast<size_t>(w) * h, behind);
  const BITMAPINFO info = TopDownInfo32(w, h);
  HDC screen = GetDC(nullptr);
  clip.backdrop.Reset(CreateCompatibleBitmap(screen, w, h));
  SetDIBits(screen, clip.backdrop, 0, h, pattern.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  clip.backdropRect = {120, 130, w, h};

  for (int step : {0, 3}) {
    clip.currentStep = step;
    clip.PlaceWindow(window, 120, 130, HWND_TOP);
    // The window is shaped to the frame's own pixels: clicks beside them pass.
    GdiRegion shape;
    shape.Reset(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window, shape), ERROR) << "step " << step;
    // Shown whole here, so that the whole composite can be read back.
    SetWindowRgn(window, nullptr, FALSE);
    clip.Paint(window);
    GdiBitmap shown;
    ASSERT_TRUE(shown.CreateScreenCompatible(w, h));
    {
      MemoryDc copy(shown);
      WindowDc windowDc(window);
      BitBlt(copy, 0, 0, w, h, windowDc, 0, 0, SRCCOPY);
    }
    const std::vector<DWORD> frame = Pixels(*clip.steps.At(step)->frame, w, h);
    const std::vector<DWORD> pixels = Pixels(shown, w, h);
    int wrong = 0, misshaped = 0;
    for (size_t i = 0; i < pixels.size(); i++) {
      const DWORD own = frame[i] & 0xFFFFFF;
      wrong += (pixels[i] & 0xFFFFFF) != (own == 0x00FF00 ? behind : own);
      misshaped += PtInRegion(shape, static_cast<int>(i % w), static_cast<int>(i / w)) != (own != 0x00FF00);
    }
    EXPECT_EQ(wrong, 0) << "step " << step;
    EXPECT_EQ(misshaped, 0) << "step " << step;
  }
}

}  // namespace
