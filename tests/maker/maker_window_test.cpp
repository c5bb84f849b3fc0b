// The maker's window in this process, given files as the shell gives them when
// they are dropped onto it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "dialog_template.h"
#include "maker_window.h"
#include "resource.h"
#include "whole_file.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "support/win_driver.h"

namespace {

const std::string kSong = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);

std::string Animation(int width, int height) {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = static_cast<uint32_t>(i * 0x010305);
  return PlainGif(width, height, colours, {SolidFrame(0, 0, width, height, 3, 50), SolidFrame(2, 2, 4, 4, 9, 50)});
}

// What the shell posts for a drop: the paths, in the block it allocates.
HDROP Drop(const std::vector<std::string>& paths) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& path : paths) size += path.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, size);
  DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  char* names = reinterpret_cast<char*>(drop + 1);
  for (const std::string& path : paths) {
    path.copy(names, path.size());
    names += path.size() + 1;
  }
  GlobalUnlock(block);
  return static_cast<HDROP>(block);
}

class DroppedFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(maker_.Create(GetModuleHandleA(nullptr), SW_SHOW)); }
  void TearDown() override {
    DestroyWindow(maker_.hwnd);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(dir_.File(name), bytes));
    return dir_.File(name);
  }
  void DropOn(const std::vector<std::string>& paths) {
    SendMessageA(maker_.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(Drop(paths)), 0);
  }
  std::string Title() const {
    char title[256];
    GetWindowTextA(maker_.hwnd, title, sizeof title);
    return title;
  }
  std::string Text(int id) const {
    char text[1024];
    GetDlgItemTextA(maker_.hwnd, id, text, sizeof text);
    return text;
  }

  ScratchDir dir_;
  MakerWindow maker_;
};

TEST_F(DroppedFiles, AnAnimationAndASongDroppedTogetherAreBothTaken) {
  DropOn({Put("song.mid", kSong), Put("first.gif", Animation(40, 30)), Put("second.gif", Animation(50, 20))});
  EXPECT_TRUE(PumpUntil([&] { return Title() == "first.gif - Loopvue Maker"; })) << Title();
  EXPECT_EQ(Text(IDC_SONG).compare(0, 15, "Song: song.mid "), 0) << Text(IDC_SONG);
  EXPECT_EQ(Text(IDC_INFO).compare(0, 26, "2 frames, 40 x 30 pixels, "), 0) << Text(IDC_INFO);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(maker_.hwnd, IDC_SAVE)));
}

// A drop while the last one is still being read waits for it, and then shows.
TEST_F(DroppedFiles, ADropWhileBusyWaitsItsTurnAndTheLatestShows) {
  const std::string pipe = "\\\\.\\pipe\\maker-window-test-" + std::to_string(GetCurrentProcessId()) + ".gif";
  HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                   nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  DropOn({pipe});
  ASSERT_TRUE(PumpUntil([&] { return ConnectNamedPipe(server, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED; }));
  DropOn({Put("second.gif", Animation(50, 20))});
  DropOn({Put("third.gif", Animation(60, 10))});
  // Both wait: the first read has not ended.
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(Title(), "Loopvue Maker");
  const std::string gif = Animation(40, 30);
  DWORD written = 0;
  WriteFile(server, gif.data(), static_cast<DWORD>(gif.size()), &written, nullptr);
  FlushFileBuffers(server);
  CloseHandle(server);
  EXPECT_TRUE(PumpUntil([&] { return Title() == "third.gif - Loopvue Maker"; })) << Title();
  EXPECT_EQ(Text(IDC_INFO).compare(0, 26, "2 frames, 60 x 10 pixels, "), 0) << Text(IDC_INFO);
}

INT_PTR CALLBACK NothingHandled(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The window's template takes a font in the place of its own, and the layout
// follows the new font's units: the maker puts the system's message font there.
TEST_F(DroppedFiles, TheTemplateTakesTheFontItIsGiven) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_MAKER), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  ASSERT_NE(found, nullptr);
  const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
  LOGFONTW font = {};
  font.lfHeight = -20;
  font.lfWeight = FW_BOLD;
  lstrcpyW(font.lfFaceName, L"Courier New");
  const std::vector<uint8_t> dialog = WithFont(bytes, SizeofResource(nullptr, found), font, 96);
  HWND window = CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), nullptr,
                                           NothingHandled, 0);
  ASSERT_NE(window, nullptr);
  LOGFONTW used = {};
  HFONT shown = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  GetObjectW(shown, sizeof used, &used);
  EXPECT_STREQ(used.lfFaceName, L"Courier New");
  EXPECT_EQ(used.lfHeight, -20);
  EXPECT_EQ(used.lfWeight, FW_BOLD);
  for (int id = IDC_PREVIEW; id <= IDC_PLAY_SAVED; id++) EXPECT_NE(GetDlgItem(window, id), nullptr) << id;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, shown);
  TEXTMETRICW text;
  GetTextMetricsW(screen, &text);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  RECT button;
  GetWindowRect(GetDlgItem(window, IDC_OPEN), &button);
  EXPECT_EQ(button.bottom - button.top, MulDiv(14, text.tmHeight, 8)) << "14 units of an eighth of its height";
  DestroyWindow(window);

  // A template of the older form, or cut short, is given back as it is.
  const std::vector<uint8_t> older(bytes + 2, bytes + 40), cut(bytes, bytes + 40);
  EXPECT_EQ(WithFont(older.data(), older.size(), font, 96), older);
  EXPECT_EQ(WithFont(cut.data(), cut.size(), font, 96), cut);
}

}  // namespace
