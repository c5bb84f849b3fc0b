#include "about_dialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "peeker_globals.h"
#include "resource.h"
#include "sound_player_spy.h"

namespace {

const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Reads a resource template field by field.
struct TemplateReader {
  const BYTE* at;
  WORD Word() {
    WORD w;
    std::memcpy(&w, at, 2);
    at += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    std::memcpy(&d, at, 4);
    at += 4;
    return d;
  }
  std::string Text() {
    std::string text;
    while (WORD c = Word()) text.push_back(static_cast<char>(c));
    return text;
  }
  void AlignDword(const BYTE* base) { at += (4 - (at - base) % 4) % 4; }
};

TEST(AboutDialogResources, TheDialogTemplate) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_ABOUT), kEnglishUs);
  ASSERT_NE(found, nullptr);
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  TemplateReader t{base};
  EXPECT_EQ(t.Dword(), 0x80C000C0u);  // style: a plain template, not the extended form
  EXPECT_EQ(t.Dword(), 0u);           // extended style
  EXPECT_EQ(t.Word(), 3);             // controls
  EXPECT_EQ(t.Word(), 0);
  EXPECT_EQ(t.Word(), 0);
  EXPECT_EQ(t.Word(), 200);
  EXPECT_EQ(t.Word(), 60);
  EXPECT_EQ(t.Word(), 0);  // no menu
  EXPECT_EQ(t.Word(), 0);  // no class of its own
  EXPECT_EQ(t.Text(), "About Zorblatt");
  EXPECT_EQ(t.Word(), 8);
  EXPECT_EQ(t.Text(), "MS Sans Serif");
  const struct {
    DWORD style;
    WORD x, y, cx, cy, id;
    const char* text;
  } controls[] = {{0x50010001, 143, 7, 50, 14, 1, "Kill"},
                  {0x50010000, 143, 23, 50, 14, 2, "Continue"},
                  {0x50010003, 152, 39, 34, 10, 1001, "Audio"}};
  for (const auto& c : controls) {
    t.AlignDword(base);
    EXPECT_EQ(t.Dword(), c.style) << c.text;
    EXPECT_EQ(t.Dword(), 0u) << c.text;
    EXPECT_EQ(t.Word(), c.x) << c.text;
    EXPECT_EQ(t.Word(), c.y) << c.text;
    EXPECT_EQ(t.Word(), c.cx) << c.text;
    EXPECT_EQ(t.Word(), c.cy) << c.text;
    EXPECT_EQ(t.Word(), c.id) << c.text;
    EXPECT_EQ(t.Word(), 0xFFFF) << c.text;
    EXPECT_EQ(t.Word(), 0x0080) << c.text;  // BUTTON
    EXPECT_EQ(t.Text(), c.text);
    EXPECT_EQ(t.Word(), 0) << c.text;  // no creation data
  }
}

TEST(AboutDialogResources, ArtAndSoundAreThere) {
  HMODULE module = GetModuleHandleA(nullptr);
  for (int id : {IDB_ABOUT_TITLE, IDB_ABOUT_BOTTOM, IDB_ABOUT_MIDDLE}) {
    EXPECT_NE(FindResourceExA(module, RT_BITMAP, MAKEINTRESOURCEA(id), kEnglishUs), nullptr)
        << id;
  }
  HRSRC wave = FindResourceExA(module, "WAVE", MAKEINTRESOURCEA(IDW_GOODBYE), kEnglishUs);
  ASSERT_NE(wave, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, wave)));
  EXPECT_EQ(std::string(bytes, 4), "RIFF");
  EXPECT_EQ(std::string(bytes + 8, 4), "WAVE");
  EXPECT_EQ(SizeofResource(module, wave), 44u + 4938u);
}

class AboutDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_instance = GetModuleHandleA(nullptr);
    owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, g_instance, nullptr);
  }
  void TearDown() override { DestroyWindow(owner_); }
  void Close(AboutDialog* about) {
    DestroyWindow(about->hwnd);
    about->hwnd = nullptr;
  }
  HWND owner_ = nullptr;
};

TEST_F(AboutDialogTest, EveryOpeningHoldsExactlyThreeArtBitmaps) {
  AboutDialog about;
  HBITMAP previous[3] = {};
  for (int opening = 0; opening < 5; opening++) {
    about.Open(owner_);
    ASSERT_NE(about.hwnd, nullptr);
    HBITMAP now[3] = {about.artTop, about.artMiddle, about.artBottom};
    for (int i = 0; i < 3; i++) {
      EXPECT_EQ(GetObjectType(now[i]), static_cast<DWORD>(OBJ_BITMAP)) << "opening " << opening;
      // What the last opening loaded is gone, not kept beside the new one.
      if (previous[i] && previous[i] != now[i]) {
        EXPECT_EQ(GetObjectType(previous[i]), 0u) << "opening " << opening;
      }
      previous[i] = now[i];
    }
    EXPECT_EQ(about.artTop.Width(), 160);
    EXPECT_EQ(about.artMiddle.Width(), 199);
    EXPECT_EQ(about.artBottom.Width(), 207);
    Close(&about);
  }
}

TEST_F(AboutDialogTest, OpeningDrawsACaptionAndShowsTheAudioChoice) {
  AboutDialog about;
  for (int audio : {1, 0}) {
    about.audioOn = audio;
    about.Open(owner_);
    char caption[128];
    GetWindowTextA(about.hwnd, caption, sizeof caption);
    bool known = false;
    for (const char* c : aboutCaptions) known = known || std::strcmp(c, caption) == 0;
    EXPECT_TRUE(known) << caption;
    EXPECT_EQ(about.IsChecked(IDC_AUDIO), audio);
    // Unchecking through the box itself updates the choice.
    SendDlgItemMessageA(about.hwnd, IDC_AUDIO, BM_CLICK, 0, 0);
    EXPECT_EQ(about.audioOn, 1 - audio);
    Close(&about);
  }
  EXPECT_EQ(about.killRequested, 0);
}

// Kill and Continue play the goodbye sound, to its end; with Audio unticked they
// close the dialog silently.
TEST_F(AboutDialogTest, ClosingPlaysTheGoodbyeSoundUnlessAudioIsUnticked) {
  SoundPlayerSpy spy;
  ASSERT_TRUE(spy.Installed()) << "no import of WINMM ordinal 2";
  for (int button : {IDCANCEL, IDOK}) {
    for (bool untick : {false, true}) {
      SCOPED_TRACE(testing::Message() << (button == IDOK ? "Kill" : "Continue") << (untick ? ", Audio unticked" : ""));
      AboutDialog about;
      about.Open(owner_);
      const HWND dialog = about.hwnd;
      ASSERT_NE(dialog, nullptr);
      if (untick) SendDlgItemMessageA(dialog, IDC_AUDIO, BM_CLICK, 0, 0);
      SoundPlayerSpy::calls.clear();
      SendDlgItemMessageA(dialog, button, BM_CLICK, 0, 0);
      EXPECT_FALSE(IsWindow(dialog));
      EXPECT_EQ(about.killRequested, button == IDOK ? 1 : 0);
      if (untick) {
        EXPECT_TRUE(SoundPlayerSpy::calls.empty());
        continue;
      }
      ASSERT_EQ(SoundPlayerSpy::calls.size(), 1u);
      EXPECT_EQ(SoundPlayerSpy::calls[0].sound, MAKEINTRESOURCEA(IDW_GOODBYE));
      EXPECT_EQ(SoundPlayerSpy::calls[0].module, GetModuleHandleA(nullptr));
      EXPECT_EQ(SoundPlayerSpy::calls[0].flags, 0x40004u) << "a wave resource, without the asynchronous flag";
    }
  }
}

}  // namespace
