#include <gtest/gtest.h>
#include <windows.h>
#include <usp10.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gdi_owners.h"
#include "support/dib_info.h"
#include "native_path.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "whole_file.h"
#include "support/win_driver.h"
#include "words_band.h"

namespace {

const int kScreenWidth = 160, kScreenHeight = 100;
const int kNever = 65535;  // a frame delay no test waits for: frames advance on our WM_TIMER
const UINT kExit = 1002, kAbout = 1003;

const std::string kSong = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = RGB((i * 37) & 0xFF, (i * 91 + 40) & 0xFF, (i * 53 + 200) & 0xFF);
  return colours;
}

// A palette colour as the screen capture gives it (0x00RRGGBB).
DWORD OnScreen(uint32_t colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | ((colour >> 16) & 0xFF); }

PlainFrame Pattern(int left, int top, int width, int height, int seed) {
  return PatternFrame(left, top, width, height, seed, kNever);
}

std::string Section(const std::string& name, const std::string& data) {
  std::string length(4, '\0');
  for (int i = 0; i < 4; i++) length[i] = static_cast<char>(data.size() >> (8 * i));
  return "*" + name + ":" + length + data;
}

// The sender's words as the packer stores them: each UTF-8 byte flipped.
std::string WordsSection(std::string utf8) {
  for (char& byte : utf8) byte = static_cast<char>(byte ^ 0x80);
  return Section("TEXT_BEGINS_HERE", utf8);
}

std::wstring Wide(const std::string& utf8) { return Utf16(utf8).c_str(); }

std::string Repeat(const std::string& text, int times) { return times > 0 ? text + Repeat(text, times - 1) : ""; }

// The band of `words` at `scale`, `width` wide and at most `maxHeight` tall, as
// the system draws it: each line where the player's layout (left in `band`)
// puts it, shaped and drawn on its own in the words' font and the system's colours.
Capture DrawnBand(const std::wstring& words, int scale, int width, WordsBand* band, int maxHeight = 1 << 20) {
  GdiObject<HFONT> font(CreateWordsFont(scale));
  GdiDc measure(CreateCompatibleDC(nullptr));
  SelectedObject measuring(measure, font);
  const int height = band->Layout(measure, words.c_str(), static_cast<int>(words.size()), width, maxHeight,
                                  kWordsBandMargin * scale);
  BITMAPINFO info = TopDownInfo32(width, height);
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(CreateDIBSection(measure, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc dc(bitmap);
  SelectedObject selected(dc, font);
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < band->lineCount; i++) {
    const std::wstring text = words.substr(band->lines[i].start, band->lines[i].length) +
                              (band->lines[i].ellipsis ? L"…" : L"");
    SCRIPT_STRING_ANALYSIS line = nullptr;
    if (SUCCEEDED(ScriptStringAnalyse(dc, text.c_str(), static_cast<int>(text.size()), 4096, -1,
                                      SSA_GLYPHS | SSA_FALLBACK | SSA_LINK, 0, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, &line)))
      ScriptStringOut(line, (width - ScriptString_pSize(line)->cx) / 2, band->margin + i * band->lineHeight, 0,
                      nullptr, 0, 0, FALSE);
    ScriptStringFree(&line);
  }
  GdiFlush();
  if (bits == nullptr) return Capture{};
  Capture drawn{width, height, std::vector<DWORD>(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height)};
  for (DWORD& pixel : drawn.pixels) pixel &= 0xFFFFFF;  // as a capture of the screen gives them
  return drawn;
}

// The canvas the player should show after the given frames: laid on opaquely, in order.
struct CanvasModel {
  std::vector<int> index = std::vector<int>(kScreenWidth * kScreenHeight, -1);
  void Lay(const PlainFrame& frame) {
    for (int y = 0; y < frame.height; y++)
      for (int x = 0; x < frame.width; x++) {
        int cx = frame.left + x, cy = frame.top + y;
        if (cx < kScreenWidth && cy < kScreenHeight) index[cy * kScreenWidth + cx] = frame.indices[y * frame.width + x];
      }
  }
  // Each canvas pixel a square of `scale` x `scale` on the screen.
  // `left` pixels from the client's left edge.
  bool Matches(const Capture& capture, const std::vector<uint32_t>& colours, int scale = 1, int left = 0) const {
    if (capture.width < left + kScreenWidth * scale || capture.height < kScreenHeight * scale) return false;
    for (int y = 0; y < kScreenHeight * scale; y++)
      for (int x = 0; x < kScreenWidth * scale; x++)
        if (capture.At(left + x, y) != OnScreen(colours[index[y / scale * kScreenWidth + x / scale]])) return false;
    return true;
  }
};

class PlayerTest : public ::testing::Test {
 protected:
  // Writes a greeting: the player followed by `payload`.
  std::string Greeting(const std::string& payload) {
    std::string path = files_.File("greeting.exe");
    EXPECT_TRUE(WriteWholeFile(path, ReadWholeFile<std::string>(LOOPVUE_EXE) + payload)) << path;
    return path;
  }
  std::string AnimationGif(const std::vector<PlainFrame>& frames) {
    return PlainGif(kScreenWidth, kScreenHeight, colours_, frames);
  }
  bool SongWritten() const { return ReadWholeFile<std::string>(temp_.File("loopvue.mid")) == kSong; }

  // Plays a one-frame greeting with `words` and checks its window at `scale`:
  // within the work area, the animation exactly, centred above the band, and
  // the band as the system draws `shown` in the room left (DrawnBand, whose
  // layout is left in `band`); no band when `shown` is empty. The title in `title`.
  void ExpectShownWithWords(const std::string& words, const std::wstring& shown, int scale, WordsBand* band,
                            std::wstring* title) {
    const PlainFrame frame = Pattern(0, 0, kScreenWidth, kScreenHeight, 1);
    Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif({frame})) + WordsSection(words)), temp_.path());
    HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
    ASSERT_NE(window, nullptr);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (title != nullptr) *title = text;
    const int width = (shown.empty() ? kScreenWidth : std::max(kScreenWidth, kWordsBandMinWidth)) * scale;
    const int top = kScreenHeight * scale, left = (width - kScreenWidth * scale) / 2;
    RECT outer, inner;
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_TRUE(outer.top >= work.top && outer.bottom <= work.bottom) << outer.top << "-" << outer.bottom;
    const Capture expected = DrawnBand(shown, scale, width, band,
                                       work.bottom - work.top - (outer.bottom - outer.top - inner.bottom) - top);
    CanvasModel model;
    model.Lay(frame);
    auto BandShown = [&](const Capture& c) {
      return c.width == width && c.height == top + expected.height &&
             std::equal(expected.pixels.begin(), expected.pixels.end(), c.pixels.begin() + top * width);
    };
    const Capture client = WaitForClient(window, [&](const Capture& c) {
      return model.Matches(c, colours_, scale, left) && BandShown(c);
    });
    EXPECT_TRUE(model.Matches(client, colours_, scale, left));
    EXPECT_TRUE(BandShown(client)) << "the band is not the words as the system draws them, or the client area of "
                                   << client.width << "x" << client.height << " not the band's size";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitForExit(), 0u);
  }

  ScratchDir files_;
  ScratchDir temp_;
  std::vector<uint32_t> colours_ = Palette();
};

TEST_F(PlayerTest, TheExecutableNeverHoldsAMarkerOfItsOwn) {
  std::string player = ReadWholeFile<std::string>(LOOPVUE_EXE);
  ASSERT_GT(player.size(), 1000u);
  EXPECT_EQ(player.find("*GIF_BEGINS_HERE:"), std::string::npos);
  EXPECT_EQ(player.find("*MIDI_BEGINS_HERE:"), std::string::npos);
  EXPECT_EQ(player.find("*TEXT_BEGINS_HERE:"), std::string::npos);
}

TEST_F(PlayerTest, ShowsFramesInOrderThroughThePalette) {
  // The last frame shows the palette's last entries, 249 to 255: a palette built
  // with fewer than 256 entries would show them wrong.
  std::vector<PlainFrame> frames = {Pattern(0, 0, kScreenWidth, kScreenHeight, 1),
                                    SolidFrame(10, 5, 30, 20, 9, kNever), Pattern(140, 80, 40, 30, 249)};
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif(frames))), temp_.path());
  ASSERT_TRUE(player.started());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);

  char title[64];
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Animation Player");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, kScreenWidth);
  EXPECT_EQ(client.bottom, kScreenHeight);

  CanvasModel model;
  for (int shown = 0; shown < 5; shown++) {
    model.Lay(frames[shown % 3]);
    Capture capture = WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_); });
    EXPECT_TRUE(model.Matches(capture, colours_)) << "after frame " << shown % 3 << " (step " << shown << ")";
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
}

// The words in a band below the animation, as the system draws them; a longer
// message makes a taller band; the title is the first line, cut with an
// ellipsis between code points when long. A character no font has (U+E000)
// draws otherwise than the CJK and the emoji, so boxes for glyphs that are
// missing cannot pass; an empty or broken section is no words at all.
TEST_F(PlayerTest, WordsShowBelowTheAnimationTitledByTheirFirstLine) {
  const struct {
    std::string words, title;  // no words shown under the player's own title
  } cases[] = {
      {"Привет, Анна! 你好 🎂\nС днём рождения!", "Привет, Анна! 你好 🎂"},
      {"Привет, Анна! 你好 🎂\nС днём рождения!\nОт всех нас, с любовью: будь счастлива, и пусть сбудется всё!",
       "Привет, Анна! 你好 🎂"},
      {Repeat("🎂", 65) + "\n!", Repeat("🎂", 59) + "…"},
      {Repeat("好", 1000), Repeat("好", 59) + "…"},  // the last line that fits ends in an ellipsis
      {"", "Animation Player"},
      {"\xC3(", "Animation Player"},
  };
  auto band = std::make_unique<WordsBand>();
  int shorter = 0;
  for (const auto& c : cases) {
    std::wstring title;
    ExpectShownWithWords(c.words, c.title == "Animation Player" ? L"" : Wide(c.words), 1, band.get(), &title);
    EXPECT_EQ(title, Wide(c.title));
    if (&c == &cases[1]) {
      EXPECT_GT(band->height, shorter) << "the longer message";
    }
    EXPECT_EQ(band->lineCount > 0 && band->lines[band->lineCount - 1].ellipsis, &c == &cases[3]) << c.title;
    shorter = band->height;
  }
  for (const std::string real : {"你好", "🎂"}) {
    const Capture drawn = DrawnBand(Wide(real), 1, kWordsBandMinWidth, band.get());
    EXPECT_NE(std::count(drawn.pixels.begin(), drawn.pixels.end(), OnScreen(GetSysColor(COLOR_WINDOW))),
              static_cast<ptrdiff_t>(drawn.pixels.size())) << real << " not drawn at all";
    const Capture missing = DrawnBand(std::wstring(real == "🎂" ? 1 : 2, 0xE000), 1, kWordsBandMinWidth, band.get());
    EXPECT_TRUE(drawn.pixels != missing.pixels) << real << " drawn as a missing glyph";
  }
}

// A long CJK line breaks between its characters and never inside the emoji
// near the break, wherever it stands there.
TEST_F(PlayerTest, ALongCjkLineWrapsBetweenCharactersNeverInsideAnEmoji) {
  auto band = std::make_unique<WordsBand>();
  for (int at = 16; at <= 21; at++) {
    const std::string words = Repeat("好", at) + "🎂" + Repeat("好", 40 - at);
    ExpectShownWithWords(words, Wide(words), 1, band.get(), nullptr);
    ASSERT_GE(band->lineCount, 2) << "emoji at " << at;
    for (int i = 1; i < band->lineCount; i++) {
      const int start = band->lines[i].start;
      EXPECT_EQ(start, band->lines[i - 1].start + band->lines[i - 1].length) << "line " << i << ", emoji at " << at;
      EXPECT_FALSE(IS_LOW_SURROGATE(Wide(words)[start])) << "line " << i << ", emoji at " << at;
    }
  }
}

// On a display of 150% or 200% (the dpi.* tests, on a display of scripts/own-display.sh)
// the window is twice the animation's size, each of its pixels a square of four.
TEST_F(PlayerTest, AtHighDpiEachPixelIsAWholeSquare) {
  const int k = HighDpiScale();
  ASSERT_GT(k, 1) << "a display of 96 DPI: run it through scripts/own-display.sh --dpi";
  std::vector<PlainFrame> frames = {Pattern(0, 0, kScreenWidth, kScreenHeight, 1), Pattern(30, 20, 50, 40, 90)};
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif(frames))), temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, kScreenWidth * k);
  EXPECT_EQ(client.bottom, kScreenHeight * k);
  CanvasModel model;
  for (const PlainFrame& frame : frames) {
    model.Lay(frame);
    Capture capture = WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_, k); });
    EXPECT_TRUE(model.Matches(capture, colours_, k));
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);

  // The words' band scales with it: its width, margins and font k times those at 96 DPI.
  auto band = std::make_unique<WordsBand>(), atDesign = std::make_unique<WordsBand>();
  ExpectShownWithWords("Привет, Анна! 你好 🎂", Wide("Привет, Анна! 你好 🎂"), k, band.get(), nullptr);
  DrawnBand(Wide("Привет, Анна! 你好 🎂"), 1, kWordsBandMinWidth, atDesign.get());
  EXPECT_NEAR(band->lineHeight, atDesign->lineHeight * k, k);
}

// On the program's own timers, each frame stays for its own delay from the moment
// it is shown. The frames are whole-screen colours, so one pixel tells which is
// on the screen.
TEST_F(PlayerTest, PlaysOnItsOwnTimersEachFrameForItsDelay) {
  const int delays[] = {20, 100, 40};  // hundredths of a second
  std::vector<PlainFrame> frames;
  for (int i = 0; i < 3; i++) frames.push_back(SolidFrame(0, 0, kScreenWidth, kScreenHeight, 250 + i, delays[i]));
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif(frames))), temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);
  POINT probe = {kScreenWidth / 2, kScreenHeight / 2};
  ClientToScreen(window, &probe);

  // Which frame each change showed, and when it was seen.
  std::vector<int> shown;
  std::vector<DWORD> seen;
  HDC screen = GetDC(nullptr);
  const DWORD start = GetTickCount();
  while (shown.size() < 11 && GetTickCount() - start < 30000) {
    const COLORREF pixel = GetPixel(screen, probe.x, probe.y);
    for (int i = 0; i < 3; i++)
      if (pixel == colours_[250 + i] && (shown.empty() || shown.back() != i)) {
        shown.push_back(i);
        seen.push_back(GetTickCount());
      }
    Sleep(1);
  }
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(shown.size(), 11u) << "the animation stopped on frame " << (shown.empty() ? -1 : shown.back());
  for (size_t i = 1; i < shown.size(); i++) EXPECT_EQ(shown[i], (shown[i - 1] + 1) % 3) << "change " << i;

  // Each frame's shortest whole stay: the first one seen had begun before, the
  // last has not ended. A timer never fires early; the upper bound leaves room for
  // a slow, shared machine and still tells one frame's delay from another's.
  DWORD shortest[3] = {MAXDWORD, MAXDWORD, MAXDWORD};
  for (size_t i = 1; i + 1 < shown.size(); i++)
    shortest[shown[i]] = std::min(shortest[shown[i]], seen[i + 1] - seen[i]);
  std::printf("shortest stays %lu, %lu and %lu ms for delays of 200, 1000 and 400\n", shortest[0], shortest[1],
              shortest[2]);
  for (int i = 0; i < 3; i++) {
    EXPECT_GE(shortest[i], static_cast<DWORD>(delays[i] * 10 - 50)) << "frame " << i;
    EXPECT_LE(shortest[i], static_cast<DWORD>(delays[i] * 10 * 2 + 250)) << "frame " << i;
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
}

TEST_F(PlayerTest, AOneFrameAnimationIsDrawnAndStays) {
  PlainFrame only = Pattern(0, 0, kScreenWidth, kScreenHeight, 3);
  only.delay = 1;  // would be 100 ms if a timer were armed
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif({only}))), temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);
  CanvasModel model;
  model.Lay(only);
  EXPECT_TRUE(model.Matches(WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_); }),
                            colours_));
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
  Sleep(300);
  EXPECT_TRUE(model.Matches(CaptureClient(window), colours_));
  EXPECT_TRUE(IsWindow(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
}

TEST_F(PlayerTest, TheSongLivesInTempWhileThePlayerRuns) {
  std::string gif = AnimationGif({Pattern(0, 0, kScreenWidth, kScreenHeight, 1), Pattern(0, 0, 8, 8, 30)});
  // Closing the window, and File > Exit, both leave TEMP as it was.
  for (UINT how : {static_cast<UINT>(WM_CLOSE), kExit}) {
    Program player(Greeting(Section("MIDI_BEGINS_HERE", kSong) + Section("GIF_BEGINS_HERE", gif)), temp_.path());
    HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SongWritten());
    // The sequencer has it open, and lets no one write to it while it plays.
    HANDLE song = CreateFileA(temp_.File("loopvue.mid").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(song, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (song != INVALID_HANDLE_VALUE) CloseHandle(song);
    if (how == WM_CLOSE) {
      PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
      PostMessageA(window, WM_COMMAND, kExit, 0);
    }
    EXPECT_EQ(player.WaitForExit(), 0u) << (how == WM_CLOSE ? "closed" : "File > Exit");
    EXPECT_TRUE(temp_.List().empty()) << (how == WM_CLOSE ? "closed" : "File > Exit");
  }
}

// A greeting as it arrives: in a folder named in Cyrillic and CJK, itself
// named with an emoji, beside a planted winmm.dll; with TEMP in such a folder
// too. It shows its frames with the system's WINMM and writes its song there.
// Two at once each write their own song, and closing either leaves the other's.
TEST_F(PlayerTest, PlaysFromAnyDownloadsFolderEachWithItsOwnSong) {
  const ScratchDir folder(" Дмитрий 用户");
  PlantedWinmm planted(folder.path());
  const ScratchDir temp(" Временная 临时 🎂");
  const std::vector<PlainFrame> frames = {Pattern(0, 0, kScreenWidth, kScreenHeight, 1), Pattern(20, 10, 40, 30, 90)};
  ASSERT_TRUE(WriteWholeFile(files_.File("Happy birthday 🎂.exe"),
                             ReadWholeFile<std::string>(LOOPVUE_EXE) + Section("MIDI_BEGINS_HERE", kSong) +
                                 Section("GIF_BEGINS_HERE", AnimationGif(frames))));
  const std::string path = planted.CopyIn(files_.File("Happy birthday 🎂.exe"));
  for (int closedFirst : {0, 1}) {
    SCOPED_TRACE(closedFirst == 0 ? "the first closed first" : "the second closed first");
    Program first("\"" + path + "\"", temp.path());
    HWND window = first.WaitForWindow("LoopvueMainWin", nullptr);
    ASSERT_NE(window, nullptr) << "exit code " << first.WaitForExit(0);
    CanvasModel model;
    for (const PlainFrame& frame : frames) {
      model.Lay(frame);
      EXPECT_TRUE(model.Matches(WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_); }),
                                colours_));
      DWORD_PTR result;
      SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
    }
    EXPECT_EQ(ReadWholeFile<std::string>(temp.File("loopvue.mid")), kSong);
    EXPECT_EQ(first.ModuleFile("winmm.dll"), "C:\\windows\\system32\\winmm.dll");
    EXPECT_FALSE(planted.Loaded());

    Program second("\"" + path + "\"", temp.path());
    HWND other = second.WaitForWindow("LoopvueMainWin", nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(ReadWholeFile<std::string>(temp.File("loopvue-2.mid")), kSong);
    Program* programs[] = {&first, &second};
    HWND windows[] = {window, other};
    const char* songs[] = {"loopvue.mid", "loopvue-2.mid"};
    PostMessageA(windows[closedFirst], WM_CLOSE, 0, 0);
    EXPECT_EQ(programs[closedFirst]->WaitForExit(), 0u);
    EXPECT_EQ(temp.List(), std::vector<std::string>{songs[1 - closedFirst]});
    PostMessageA(windows[1 - closedFirst], WM_CLOSE, 0, 0);
    EXPECT_EQ(programs[1 - closedFirst]->WaitForExit(), 0u);
    EXPECT_TRUE(temp.List().empty());
  }
}

TEST_F(PlayerTest, OnlyAGifSectionNeverWritesASong) {
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif({Pattern(0, 0, 20, 20, 1)}))), temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(temp_.List().empty());
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
  EXPECT_TRUE(temp_.List().empty());
}

TEST_F(PlayerTest, NoUsableAnimationMeansNoWindow) {
  PlainFrame local = Pattern(0, 0, 10, 10, 1);
  local.localColours = colours_;  // the frame has colours of its own, the screen none
  const std::string noTable = PlainGif(kScreenWidth, kScreenHeight, {}, {local});
  const std::string cases[] = {
      Section("MIDI_BEGINS_HERE", kSong),                                            // no animation at all
      Section("MIDI_BEGINS_HERE", kSong) + Section("GIF_BEGINS_HERE", noTable),      // no global colour table
      Section("GIF_BEGINS_HERE", "") + Section("MIDI_BEGINS_HERE", kSong),           // empty section
  };
  for (const std::string& payload : cases) {
    Program player(Greeting(payload), temp_.path());
    ASSERT_TRUE(player.started());
    EXPECT_EQ(player.WaitForExit(), 0u);
    EXPECT_EQ(player.AnyWindow(), nullptr);
    EXPECT_TRUE(temp_.List().empty());
  }
}

TEST_F(PlayerTest, AboutBoxClosesWithOkEnterAndEscapeWhileFramesGoOn) {
  std::vector<PlainFrame> frames = {Pattern(0, 0, kScreenWidth, kScreenHeight, 1), Pattern(0, 0, 30, 30, 40),
                                    Pattern(40, 20, 30, 30, 80)};
  Program player(Greeting(Section("GIF_BEGINS_HERE", AnimationGif(frames))), temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);
  CanvasModel model;
  model.Lay(frames[0]);

  int shown = 0;
  for (const char* how : {"Ok", "Enter", "Escape"}) {
    PostMessageA(window, WM_COMMAND, kAbout, 0);
    HWND about = player.WaitForWindow("#32770", "About Quillex");
    ASSERT_NE(about, nullptr) << how;

    // The animation keeps going under the About box's own message loop.
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
    model.Lay(frames[++shown % 3]);
    EXPECT_TRUE(model.Matches(WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_); }),
                              colours_))
        << "frame " << shown % 3 << " with the About box open (" << how << ")";

    if (std::string(how) == "Ok") {
      PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    } else {
      PostMessageA(about, WM_KEYDOWN, std::string(how) == "Enter" ? VK_RETURN : VK_ESCAPE, 0);
    }
    DWORD start = GetTickCount();
    while (IsWindow(about) && GetTickCount() - start < 10000) Sleep(50);
    EXPECT_FALSE(IsWindow(about)) << how;
    EXPECT_TRUE(IsWindow(window)) << how;
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
}

// Frames advance on the driver's timer messages, each painted before the next;
// the program's GDI objects and committed memory are read from outside after a
// warm-up and at the end (see Program::GdiObjects for why not GetGuiResources).
// 10,000 frames in a soak run, 2,000 otherwise.
TEST_F(PlayerTest, LongRunFramesKeepObjectsAndMemoryFlat) {
  const int total = LongRunLength(10000, 2000);
  std::vector<PlainFrame> frames = {Pattern(0, 0, kScreenWidth, kScreenHeight, 1), Pattern(0, 0, 30, 30, 40),
                                    Pattern(40, 20, 90, 60, 80), SolidFrame(100, 50, 60, 50, 9, kNever)};
  Program player(Greeting(Section("MIDI_BEGINS_HERE", kSong) + Section("GIF_BEGINS_HERE", AnimationGif(frames))),
                 temp_.path());
  HWND window = player.WaitForWindow("LoopvueMainWin", nullptr);
  ASSERT_NE(window, nullptr);

  int advanced = 0;
  auto RunTo = [&](int target) {
    for (; advanced < target && IsWindow(window); advanced++) {
      DWORD_PTR result;
      SendMessageTimeoutA(window, WM_TIMER, 0, 0, SMTO_BLOCK, 5000, &result);
      RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
    }
  };
  RunTo(500);
  int objectsBefore = player.GdiObjects();
  size_t memoryBefore = player.CommittedBytes();
  ASSERT_GT(objectsBefore, 0) << "the GDI handle table could not be read";
  RunTo(total);
  int objectsAfter = player.GdiObjects();
  size_t memoryAfter = player.CommittedBytes();
  std::printf("GDI objects %d / %d, committed KiB %zu / %zu after 500 and %d frames\n", objectsBefore,
              objectsAfter, memoryBefore / 1024, memoryAfter / 1024, advanced);
  EXPECT_GE(advanced, total);
  // Wine's own caches move the count by a few; a leak per frame would add thousands.
  EXPECT_LE(objectsAfter, objectsBefore + 20);
  EXPECT_LE(memoryAfter, memoryBefore + 512 * 1024);

  // Still in step: a multiple of the four frames' advances past frame 0 ends on
  // frame 0 again, so one more shows frame 1 over it.
  ASSERT_EQ(total % static_cast<int>(frames.size()), 0);
  RunTo(total + 1);
  CanvasModel model;
  model.Lay(frames[0]);
  model.Lay(frames[1]);
  EXPECT_TRUE(model.Matches(WaitForClient(window, [&](const Capture& c) { return model.Matches(c, colours_); }),
                            colours_));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(player.WaitForExit(), 0u);
  EXPECT_TRUE(temp_.List().empty());
}

}  // namespace
