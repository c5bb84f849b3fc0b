// loopvue-maker.exe driven as a person would: started with files, its window's
// commands, the system's Open and Save As dialogs filled in and pressed. What it
// shows is read back from the screen and compared with the Windows packer's
// --preview frames; what it saves, with the packer's output for the same inputs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "native_path.h"
#include "resource.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "support/win_driver.h"
#include "whole_file.h"

namespace {

const char kMakerClass[] = "LoopvueMaker";
const char kPlayerClass[] = "LoopvueMainWin";
const UINT_PTR kFrameTimer = 1;  // the maker's timer for the next frame
const int kWidth = 160, kHeight = 100;
// The longest delay the player takes (65.53 s): no test waits for it, so
// frames advance on the test's timer messages.
const int kLong = 6553;

const std::string kSong = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);

std::vector<uint32_t> Palette(int seed) {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++)
    colours[i] = RGB((i * 37 + seed) & 0xFF, (i * 91 + 40 + seed * 3) & 0xFF, (i * 53 + 200) & 0xFF);
  return colours;
}

PlainFrame Pattern(int left, int top, int width, int height, int seed, int delay = kLong) {
  return PatternFrame(left, top, width, height, seed, delay);
}

// Opaque frames through the global table: the player shows it as it is.
std::string PlainAnimation() {
  return PlainGif(kWidth, kHeight, Palette(0),
                  {Pattern(0, 0, kWidth, kHeight, 1), Pattern(20, 10, 50, 40, 30), Pattern(100, 60, 60, 40, 60)});
}

// A frame through a local table, and one whose index 0 is transparent: the
// player would show neither right without flattening.
std::string AnimationToFlatten() {
  PlainFrame local = Pattern(10, 10, 60, 50, 100);
  local.localColours = Palette(7);
  PlainFrame holes = Pattern(40, 30, 80, 60, 0);  // index 0 in every seventh column group
  std::string gif = PlainGif(kWidth, kHeight, Palette(0), {Pattern(0, 0, kWidth, kHeight, 1), local, holes});
  gif[gif.rfind(std::string("\x21\xF9\x04", 3)) + 3] = 0x01;
  return gif;
}

// One frame 0 pixels wide, which the encoder never writes: a browser shows the
// blank screen, and flattened, so does the player.
std::string OnlyAnEmptyFrame() {
  std::string gif = PlainGif(kWidth, kHeight, Palette(0), {Pattern(0, 0, 1, 4, 1)});
  // The descriptor after the graphic control: its width's low byte, 1.
  gif[gif.rfind(std::string("\x21\xF9\x04", 3)) + 8 + 5] = 0;
  return gif;
}

// Two full frames of smooth colours, 256 distinct ones each through its own
// table: reduced to one table of 256, where dithering shows.
std::string ManyColours() {
  std::vector<PlainFrame> frames;
  for (int f = 0; f < 2; f++) {
    PlainFrame frame;
    frame.width = kWidth;
    frame.height = kHeight;
    frame.delay = kLong;
    for (int i = 0; i < 256; i++) frame.localColours.push_back(RGB(i, (i * 3 + f * 90) & 0xFF, 255 - i / 2 - f * 60));
    for (int y = 0; y < kHeight; y++)
      for (int x = 0; x < kWidth; x++) frame.indices.push_back(static_cast<uint8_t>((x * 255 / kWidth + y) & 0xFF));
    frames.push_back(frame);
  }
  return PlainGif(kWidth, kHeight, Palette(0), frames);
}

// A picture as the packer's --preview writes it (PPM), as 0x00RRGGBB.
struct Picture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
};

Picture ReadPpm(const std::string& path) {
  Picture picture;
  std::string bytes = ReadWholeFile<std::string>(path);
  int maxValue = 0, consumed = 0;
  if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &picture.width, &picture.height, &maxValue, &consumed) != 3)
    return Picture();
  const size_t start = static_cast<size_t>(consumed) + 1;
  if (bytes.size() < start + 3u * picture.width * picture.height) return Picture();
  for (size_t i = 0; i < static_cast<size_t>(picture.width) * picture.height; i++) {
    const unsigned char* rgb = reinterpret_cast<const unsigned char*>(&bytes[start + 3 * i]);
    picture.pixels.push_back(DWORD{rgb[0]} << 16 | DWORD{rgb[1]} << 8 | rgb[2]);
  }
  return picture;
}

// Each pixel a square of `scale` x `scale`.
Picture Enlarged(const Picture& picture, int scale) {
  Picture large;
  large.width = picture.width * scale;
  large.height = picture.height * scale;
  for (int y = 0; y < large.height; y++)
    for (int x = 0; x < large.width; x++) large.pixels.push_back(picture.pixels[y / scale * picture.width + x / scale]);
  return large;
}

// The height of a push button of the template, 14 dialog units, in the
// system's message font: the dialog manager's unit is an eighth of its height.
int ButtonHeightInMessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICW text;
  GetTextMetricsW(screen, &text);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  return MulDiv(14, text.tmHeight, 8);
}

bool Same(const Capture& capture, const Picture& picture) {
  return capture.width == picture.width && capture.height == picture.height && capture.pixels == picture.pixels;
}

// A window's text in UTF-8, asked of the window itself: controls of another
// process keep theirs where GetWindowText does not look.
std::string TextOf(HWND window) {
  wchar_t text[4096] = L"";
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, &length);
  text[length < 4096 ? length : 4095] = L'\0';
  return Utf8(text);
}

void SetTextOf(HWND window, const std::string& text) {
  DWORD_PTR result;
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf16(text).c_str()), SMTO_BLOCK, 5000,
                      &result);
}

// The texts of a dialog's static controls, one a line: what a message box says.
std::string DialogText(HWND dialog) {
  std::string text;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32];
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") == 0) text += TextOf(child) + "\n";
  }
  return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The file-name box of a system Open or Save As dialog.
HWND FileNameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, 0x47C);  // cmb13, the explorer-style file name
  HWND combo = box ? FindWindowExA(box, nullptr, "ComboBox", nullptr) : nullptr;
  HWND edit = FindWindowExA(combo ? combo : box, nullptr, "Edit", nullptr);
  return edit ? edit : GetDlgItem(dialog, 0x480);  // edt1, the older dialog's
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// Web pages opened, for as long as this lives, by a harmless program instead
// of the browser (which under Wine is the host's): one that writes the page's
// path into `log`. The association goes where the test prefix's shell reads
// it: Wine 8 does not read the user's own classes.
class PagesOpenedInto {
 public:
  explicit PagesOpenedInto(const std::string& log) {
    const std::wstring command = std::wstring(L"cmd.exe /c echo %1> \"") + Utf16(WindowsPath(log)).c_str() + L"\"";
    RegSetValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.html", REG_SZ, kClass, 0);
    RegSetValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\LoopvueTestPage\\shell\\open\\command", REG_SZ,
                 command.c_str(), 0);
  }
  ~PagesOpenedInto() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\LoopvueTestPage");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.html");
  }
  PagesOpenedInto(const PagesOpenedInto&) = delete;
  PagesOpenedInto& operator=(const PagesOpenedInto&) = delete;

 private:
  static constexpr const wchar_t* kClass = L"LoopvueTestPage";
};

class MakerTest : public ::testing::Test {
 protected:
  std::string Put(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(dir_.File(name), bytes));
    return dir_.File(name);
  }

  // Starts the maker with `files` on its command line, and finds its window.
  // `program` is the maker's copy to run.
  void Start(const std::vector<std::string>& files, const std::string& program = WindowsPath(LOOPVUE_MAKER_EXE)) {
    std::string command = "\"" + program + "\"";
    for (const std::string& file : files) command += " \"" + file + "\"";
    maker_.reset(new Program(command, temp_.path()));
    ASSERT_TRUE(maker_->started());
    window_ = maker_->WaitForWindow(kMakerClass, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  std::string Text(int id) const { return TextOf(Control(id)); }
  std::string Title() const {
    wchar_t title[512];
    GetWindowTextW(window_, title, 512);
    return Utf8(title);
  }
  // Waits until the window shows the animation `name` (its title names it).
  bool WaitForAnimation(const std::string& name) {
    return PumpUntil([&] { return Title() == name + " - Loopvue Maker"; });
  }
  bool WaitForStatus(const std::string& start) {
    return PumpUntil([&] { return Text(IDC_STATUS).compare(0, start.size(), start) == 0; });
  }
  void Step() {
    DWORD_PTR result;
    SendMessageTimeoutA(window_, WM_TIMER, kFrameTimer, 0, SMTO_BLOCK, 5000, &result);
  }
  Capture WaitForPreview(const Picture& expected) {
    return WaitForClient(Control(IDC_PREVIEW), [&](const Capture& c) { return Same(c, expected); });
  }
  // The program's message box, once shown; its text in `text`.
  // A message box: a dialog with its text, no file name. A file dialog on its
  // way out (Wine 10) may for a moment show neither.
  HWND WaitForMessageBox(std::string* text) {
    HWND box = nullptr;
    PumpUntil([&] {
      for (HWND dialog : maker_->Dialogs()) {
        HWND says = GetDlgItem(dialog, 0xFFFF);
        if (says != nullptr && !TextOf(says).empty() && FileNameBox(dialog) == nullptr) box = dialog;
      }
      return box != nullptr;
    });
    if (box) *text = DialogText(box);
    return box;
  }
  void Dismiss(HWND box, int button = IDOK) {
    PostMessageA(box, WM_COMMAND, button, 0);
    PumpUntil([&] { return !IsWindow(box); });
  }
  // Chooses `path` in the system dialog the command opens, and presses its
  // Open or Save button. The name it proposed comes back in `proposed`.
  bool ChooseInDialog(UINT command, const std::string& path, std::string* proposed = nullptr) {
    PostMessageA(window_, WM_COMMAND, command, 0);
    HWND dialog = maker_->WaitForDialog();
    if (dialog == nullptr) return false;
    HWND name = FileNameBox(dialog);
    if (name == nullptr) return false;
    if (proposed) *proposed = TextOf(name);
    if (!path.empty()) SetTextOf(name, path);
    Click(GetDlgItem(dialog, IDOK));
    return PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
  }

  // Runs the Windows packer with its default player beside it replaced by the
  // player as built; both its streams go to `output`. Its exit code.
  DWORD Pack(const std::string& arguments, std::string* output = nullptr) {
    const std::string log = packed_.File("packer.log");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(Utf16(log).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    // Wide, as a console starts it: paths in any script reach it whole.
    WideText command = Utf16("\"" + WindowsPath(LOOPVUE_PACK_EXE) + "\" --player \"" + WindowsPath(LOOPVUE_EXE) +
                                 "\" " + arguments);
    PROCESS_INFORMATION process = {};
    DWORD code = STILL_ACTIVE;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
      WaitForSingleObject(process.hProcess, 60000);
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    CloseHandle(file);
    if (output) *output = ReadWholeFile<std::string>(log);
    RemovePath(log);
    return code;
  }
  // The packer's --preview frames of `gif` with `options`.
  std::vector<Picture> PreviewFrames(const std::string& gif, const std::string& options) {
    const std::string dir = packed_.File("preview");
    EXPECT_EQ(Pack(options + " --preview \"" + dir + "\" \"" + gif + "\" -o \"" + packed_.File("p.exe") + "\""), 0u);
    std::vector<Picture> frames;
    for (int i = 0;; i++) {
      char name[32];
      std::snprintf(name, sizeof name, "\\frame-%04d.ppm", i);
      if (!FileExists(dir + name)) break;
      frames.push_back(ReadPpm(dir + name));
      std::remove((dir + name).c_str());
    }
    RemoveDirectoryA(dir.c_str());
    std::remove(packed_.File("p.exe").c_str());
    return frames;
  }

  void TearDown() override {
    if (maker_ && window_ && IsWindow(window_)) {
      PostMessageA(window_, WM_CLOSE, 0, 0);
      EXPECT_EQ(maker_->WaitForExit(), 0u);
    }
    maker_.reset();
  }

  ScratchDir dir_;     // what a person has: animations, songs, greetings saved
  ScratchDir packed_;  // the packer's output, to compare with
  ScratchDir temp_;    // the maker's TEMP
  std::unique_ptr<Program> maker_;
  HWND window_ = nullptr;
};

TEST_F(MakerTest, CarriesThePlayerAsBuilt) {
  HMODULE maker = LoadLibraryExA(WindowsPath(LOOPVUE_MAKER_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(maker, nullptr);
  HRSRC found = FindResourceA(maker, MAKEINTRESOURCEA(IDR_PLAYER), RT_RCDATA);
  ASSERT_NE(found, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(maker, found)));
  std::string carried(bytes, SizeofResource(maker, found));
  FreeLibrary(maker);
  EXPECT_EQ(carried, ReadWholeFile<std::string>(LOOPVUE_EXE));
}

// Started with a GIF (and a song), the window plays the frames the packer's
// --preview says the greeting will show, one per timer message, and loops.
TEST_F(MakerTest, StartedWithAGifShowsWhatTheGreetingWillShow) {
  struct Case {
    const char* what;
    std::string gif;
    const char* options;  // what the packer needs to make the same greeting
    bool withSong;
    const char* says;
    const char* done;  // what was done to make it playable
  } cases[] = {
      {"plays as it is", PlainAnimation(), "", true,
       "3 frames, 160 x 100 pixels, one loop lasts 196.59 seconds\r\nColours: exact\r\n",
       "Plays as it is: the file goes into the greeting unchanged"},
      {"needs flattening", AnimationToFlatten(), "--flatten", false,
       "3 frames, 160 x 100 pixels, one loop lasts 196.59 seconds\r\nColours: exact, ",
       "Made playable: transparency rendered as a web browser shows it; "
       "1 local colour table merged with the global one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string gif = Put("anim.gif", c.gif);
    std::vector<Picture> frames = PreviewFrames(gif, c.options);
    ASSERT_EQ(frames.size(), 3u);
    std::vector<std::string> files = {gif};
    if (c.withSong) files.push_back(Put("song.mid", kSong));
    Start(files);
    ASSERT_TRUE(WaitForAnimation("anim.gif")) << Title();
    EXPECT_TRUE(Contains(Text(IDC_INFO), c.says)) << Text(IDC_INFO);
    EXPECT_TRUE(Contains(Text(IDC_INFO), c.done)) << Text(IDC_INFO);
    EXPECT_EQ(Text(IDC_SONG).compare(0, 15, c.withSong ? "Song: song.mid " : "No song. Add a "), 0) << Text(IDC_SONG);
    for (int shown = 0; shown < 5; shown++) {
      EXPECT_TRUE(Same(WaitForPreview(frames[shown % 3]), frames[shown % 3])) << "step " << shown;
      Step();
    }
    TearDown();
  }
}

// On its own timers the sample plays: whatever is on the screen at any moment
// is one of the frames of its loop, and the frames change.
TEST_F(MakerTest, PlaysTheSampleOnItsOwnTimers) {
  const std::string sample = WindowsPath(std::string(SAMPLES_DIR) + "/greeting.gif");
  std::vector<Picture> frames = PreviewFrames(sample, "");
  ASSERT_GE(frames.size(), 2u);
  Start({sample});
  ASSERT_TRUE(WaitForAnimation("greeting.gif"));
  std::set<size_t> seen;
  for (int look = 0; look < 12; look++) {
    size_t which = frames.size();
    WaitForClient(Control(IDC_PREVIEW), [&](const Capture& c) {
      for (which = 0; which < frames.size() && !Same(c, frames[which]); which++) {
      }
      return which < frames.size();
    });
    EXPECT_LT(which, frames.size()) << "look " << look << ": not a frame of the loop";
    seen.insert(which);
    Sleep(150);
  }
  EXPECT_GE(seen.size(), 2u) << "the animation does not move";
}

// Save greeting... proposes the animation's name with .exe in its folder; what
// is written there is, byte for byte, what the packer makes of the same files,
// and the greeting saved plays.
TEST_F(MakerTest, SavesTheGreetingThePackerWouldMake) {
  // Names in any script: a folder in Cyrillic and CJK, files with an emoji.
  ScratchDir anyScript(" Дмитрий 用户");
  struct Case {
    const char* what;
    std::string gif;
    const char* options;
    bool withSong;
    const ScratchDir* folder;
    std::string name;   // of the animation, without .gif
    std::string words;  // typed in the Message box; the packer is given them
  } cases[] = {
      {"plays as it is, with a song", PlainAnimation(), "", true, &dir_, "anim", ""},
      {"needs flattening", AnimationToFlatten(), "--flatten", false, &dir_, "anim", ""},
      {"only a frame without pixels", OnlyAnEmptyFrame(), "--flatten", false, &dir_, "blank", ""},
      {"named in any script, with a song and words", PlainAnimation(), "", true, &anyScript, "🎂 party",
       "С днём рождения, Анна! 🎂 生日快乐"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScratchDir& folder = *c.folder;
    const std::string gif = folder.File(c.name + ".gif");
    ASSERT_TRUE(WriteWholeFile(gif, c.gif));
    std::vector<std::string> files = {gif};
    std::string songOption;
    if (c.withSong) {
      files.push_back(folder.File("песня.mid"));
      ASSERT_TRUE(WriteWholeFile(files.back(), kSong));
      songOption = " --midi \"" + files.back() + "\"";
    }
    if (!c.words.empty()) songOption += " --message \"" + c.words + "\"";
    const std::string expected = packed_.File("expected " + c.name + ".exe");
    ASSERT_EQ(Pack(std::string(c.options) + songOption + " \"" + gif + "\" -o \"" + expected + "\""), 0u);
    // What the packer says of a file names it legibly, in UTF-8 here.
    std::string says;
    EXPECT_EQ(Pack("\"" + folder.File(c.name + " нет.gif") + "\" -o \"" + expected + "\"", &says), 1u);
    EXPECT_TRUE(Contains(says, folder.File(c.name + " нет.gif") + ": ")) << says;

    Start(files);
    ASSERT_TRUE(WaitForAnimation(c.name + ".gif")) << Title();
    if (c.withSong) {
      EXPECT_EQ(Text(IDC_SONG).rfind("Song: песня.mid (26 bytes)", 0), 0u) << Text(IDC_SONG);
    }
    if (!c.words.empty()) {
      // Typed with a line break and spaces after them, counted as saved, and
      // kept when the animation is opened again.
      DWORD_PTR result;
      SendMessageTimeoutW(Control(IDC_MESSAGE), EM_REPLACESEL, TRUE,
                          reinterpret_cast<LPARAM>(Utf16(c.words + "\r\n  ").c_str()), SMTO_BLOCK, 5000, &result);
      EXPECT_EQ(Text(IDC_MESSAGE_COUNT), "29 of 1,000 characters");
      const std::string other = packed_.File("other.gif");
      ASSERT_TRUE(WriteWholeFile(other, AnimationToFlatten()));
      ASSERT_TRUE(ChooseInDialog(IDM_OPEN, other));
      ASSERT_TRUE(WaitForAnimation("other.gif")) << Title();
      ASSERT_TRUE(ChooseInDialog(IDM_OPEN, gif));
      ASSERT_TRUE(WaitForAnimation(c.name + ".gif")) << Title();
      RemovePath(other);
    }
    std::string proposed;
    ASSERT_TRUE(ChooseInDialog(IDM_SAVE, "", &proposed));
    EXPECT_EQ(proposed, c.name + ".exe");
    ASSERT_TRUE(WaitForStatus("Saved to ")) << Text(IDC_STATUS);
    const std::string saved = folder.File(c.name + ".exe");
    const std::string bytes = ReadWholeFile<std::string>(saved);
    EXPECT_TRUE(bytes == ReadWholeFile<std::string>(expected)) << "the saved greeting differs from the packer's";
    EXPECT_EQ(Text(IDC_STATUS), "Saved to " + saved + " (" + std::to_string(bytes.size() / 1000) + "," +
                                    std::string(3 - std::to_string(bytes.size() % 1000).size(), '0') +
                                    std::to_string(bytes.size() % 1000) + " bytes)");
    // Nothing else was left in the folder, no temporary file in particular.
    std::vector<std::string> left = folder.List();
    EXPECT_EQ(left.size(), files.size() + 1) << "files in the folder after the save";

    EXPECT_TRUE(Contains(Text(IDC_SEND_NOTE), "Mail services refuse .exe attachments")) << Text(IDC_SEND_NOTE);

    // Play it starts the greeting saved.
    ASSERT_TRUE(IsWindowVisible(Control(IDC_PLAY_SAVED)));
    Click(Control(IDC_PLAY_SAVED));
    HWND greeting = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (greeting = FindWindowA(kPlayerClass, nullptr)) != nullptr; }));
    // The words stand under the preview as the greeting shows them under its animation.
    const Capture band = CaptureClient(Control(IDC_WORDS));
    EXPECT_EQ(band.height > 0, !c.words.empty());
    if (greeting && band.height > 0) {
      const auto bottom = [&](const Capture& shown) {
        return shown.width == band.width && shown.height > band.height &&
               std::equal(band.pixels.begin(), band.pixels.end(), shown.pixels.end() - band.pixels.size());
      };
      EXPECT_TRUE(bottom(WaitForClient(greeting, bottom))) << "the preview's words differ from the greeting's";
    }
    if (greeting) {
      PostMessageA(greeting, WM_CLOSE, 0, 0);
      EXPECT_TRUE(PumpUntil([&] { return FindWindowA(kPlayerClass, nullptr) == nullptr; }));
    }

    // For the web, the page the packer makes of the same files, and how it goes by mail.
    const std::string expectedPage = packed_.File(c.name + ".html");
    ASSERT_EQ(Pack("--web " + std::string(c.options) + songOption + " \"" + gif + "\" -o \"" + expectedPage + "\""),
              0u);
    ASSERT_TRUE(ChooseInDialog(IDM_SAVE_WEB, "", &proposed));
    EXPECT_EQ(proposed, c.name + ".html");
    const std::string page = folder.File(c.name + ".html");
    ASSERT_TRUE(WaitForStatus("Saved to " + page)) << Text(IDC_STATUS);
    EXPECT_TRUE(ReadWholeFile<std::string>(page) == ReadWholeFile<std::string>(expectedPage))
        << "the saved page differs from the packer's";
    EXPECT_TRUE(Contains(Text(IDC_SEND_NOTE), "within the common attachment limits of 10, 20 and 25 MB"))
        << Text(IDC_SEND_NOTE);
    if (&c == &cases[0]) {
      // Open it shows the page in the program that opens web pages.
      const std::string log = packed_.File("opened.txt");
      PagesOpenedInto opener(log);
      EXPECT_EQ(Text(IDC_PLAY_SAVED), "Op&en it");
      Click(Control(IDC_PLAY_SAVED));
      EXPECT_TRUE(PumpUntil([&] { return Contains(ReadWholeFile<std::string>(log), c.name + ".html"); }))
          << ReadWholeFile<std::string>(log);
      RemovePath(log);
    }
    TearDown();
    for (const std::string& name : folder.List()) RemovePath(folder.File(name));
    RemovePath(expected);
    RemovePath(expectedPage);
  }
}

// The Dither check box is there only when colours were reduced; ticked, the
// animation is flattened again, and the preview and the greeting saved follow
// the packer's --dither.
TEST_F(MakerTest, DitherChangesThePreviewAndTheGreetingAsThePackersDoes) {
  const std::string gif = Put("colours.gif", ManyColours());
  std::vector<Picture> plain = PreviewFrames(gif, "--flatten");
  std::vector<Picture> dithered = PreviewFrames(gif, "--flatten --dither");
  ASSERT_EQ(plain.size(), 2u);
  ASSERT_EQ(dithered.size(), 2u);
  ASSERT_FALSE(plain[0].pixels == dithered[0].pixels) << "dithering changes nothing here: a useless case";
  std::string packerSays;
  ASSERT_EQ(Pack("--flatten \"" + gif + "\" -o \"" + packed_.File("plain.exe") + "\"", &packerSays), 0u);
  ASSERT_EQ(Pack("--flatten --dither \"" + gif + "\" -o \"" + packed_.File("dithered.exe") + "\""), 0u);

  Start({gif});
  ASSERT_TRUE(WaitForAnimation("colours.gif"));
  // The colour count and the mean error, as the packer gives them.
  const std::string info = Text(IDC_INFO);
  int sourceColours = 0, palette = 0;
  double packerError = 0, shownError = 0;
  ASSERT_EQ(std::sscanf(packerSays.substr(packerSays.find(", ", packerSays.find("160 x 100"))).c_str(),
                        ", %d colours reduced to %d, mean colour error %lf", &sourceColours, &palette, &packerError),
            3) << packerSays;
  const std::string expected = "Colours: " + std::to_string(sourceColours) + " colours reduced to " +
                               std::to_string(palette) + ", mean error ";
  ASSERT_TRUE(Contains(info, expected)) << info << "\nthe packer: " << packerSays;
  ASSERT_EQ(std::sscanf(info.substr(info.find(expected) + expected.size()).c_str(), "%lf", &shownError), 1);
  EXPECT_NEAR(shownError, packerError, 0.051);
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_DITHER)));
  EXPECT_TRUE(Same(WaitForPreview(plain[0]), plain[0]));

  Click(Control(IDC_DITHER));
  ASSERT_TRUE(PumpUntil([&] { return Contains(Text(IDC_INFO), ", dithered"); })) << Text(IDC_INFO);
  EXPECT_TRUE(Same(WaitForPreview(dithered[0]), dithered[0]));
  Step();
  EXPECT_TRUE(Same(WaitForPreview(dithered[1]), dithered[1]));
  ASSERT_TRUE(ChooseInDialog(IDM_SAVE, dir_.File("dithered.exe")));
  ASSERT_TRUE(WaitForStatus("Saved to "));
  EXPECT_TRUE(ReadWholeFile<std::string>(dir_.File("dithered.exe")) ==
              ReadWholeFile<std::string>(packed_.File("dithered.exe")));

  Click(Control(IDC_DITHER));
  ASSERT_TRUE(PumpUntil([&] { return !Contains(Text(IDC_INFO), ", dithered"); })) << Text(IDC_INFO);
  EXPECT_TRUE(Same(WaitForPreview(plain[0]), plain[0]));
  ASSERT_TRUE(ChooseInDialog(IDM_SAVE, dir_.File("plain.exe")));
  ASSERT_TRUE(WaitForStatus("Saved to "));
  EXPECT_TRUE(ReadWholeFile<std::string>(dir_.File("plain.exe")) ==
              ReadWholeFile<std::string>(packed_.File("plain.exe")));
  TearDown();

  // Exact colours leave nothing to dither.
  Start({Put("anim.gif", AnimationToFlatten())});
  ASSERT_TRUE(WaitForAnimation("anim.gif"));
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_DITHER)));
}

// Files it cannot use are refused with a message box naming the file and the
// reason; nothing is written, and what was loaded before stays.
TEST_F(MakerTest, RefusesWhatItCannotUseAndKeepsWhatItHad) {
  // The message names the file as the person sees it, in any script.
  Start({dir_.File("пропал 🎂.gif")});
  std::string says;
  HWND box = WaitForMessageBox(&says);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(Contains(says, dir_.File("пропал 🎂.gif") + ": cannot read it: No such file or directory")) << says;
  Dismiss(box);
  EXPECT_EQ(Title(), "Loopvue Maker");
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_SAVE)));

  const std::string gif = Put("anim.gif", PlainAnimation());
  std::vector<Picture> frames = PreviewFrames(gif, "");
  ASSERT_TRUE(ChooseInDialog(IDM_OPEN, gif));
  ASSERT_TRUE(WaitForAnimation("anim.gif"));
  ASSERT_TRUE(ChooseInDialog(IDM_ADD_SONG, Put("song.mid", kSong)));
  const std::string songSays = Text(IDC_SONG);
  ASSERT_EQ(songSays.compare(0, 15, "Song: song.mid "), 0) << songSays;
  const std::vector<std::string> before = dir_.List();

  struct Case {
    const char* what;
    UINT command;
    std::string file;
    std::string reason;
  } cases[] = {
      {"not a GIF", IDM_OPEN, Put("broken.gif", "GIF? no, a text file"),
       "broken.gif: not a GIF file (it does not start with GIF87a or GIF89a)"},
      {"no frame", IDM_OPEN, Put("empty.gif", PlainGif(kWidth, kHeight, Palette(0), {})),
       "empty.gif: no frame with pixels that the player could show"},
      {"a text file named .mid", IDM_ADD_SONG, Put("notes.mid", "do re mi fa so"),
       "notes.mid: not a Standard MIDI File (it does not start with MThd)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ChooseInDialog(c.command, c.file));
    box = WaitForMessageBox(&says);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Contains(says, dir_.path() + "\\" + c.reason)) << says;
    Dismiss(box);
    EXPECT_EQ(Title(), "anim.gif - Loopvue Maker");
    EXPECT_EQ(Text(IDC_SONG), songSays);
    EXPECT_TRUE(Same(WaitForPreview(frames[0]), frames[0]));
  }

  // A folder that cannot be written into.
  const std::string locked = WindowsPath(LOCKED_FOLDER);
  const std::string probe = locked + "\\probe";
  if (!CreateDirectoryA(locked.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    GTEST_SKIP() << locked << " is missing: run the test through ctest, which locks it";
  }
  if (CreateDirectoryA(probe.c_str(), nullptr)) {
    RemoveDirectoryA(probe.c_str());
    GTEST_SKIP() << locked << " can be written here: the file system cannot lock a folder";
  }
  ASSERT_TRUE(ChooseInDialog(IDM_SAVE, locked + "\\anim.exe"));
  box = WaitForMessageBox(&says);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(Contains(says, locked + "\\anim.exe: cannot write it: Permission denied")) << says;
  Dismiss(box);
  EXPECT_FALSE(FileExists(locked + "\\anim.exe"));
  EXPECT_EQ(Text(IDC_STATUS), "");

  // A greeting held open by another program: the new one is written beside it,
  // cannot take its place, and goes.
  const std::string held = Put("held.exe", "the greeting before");
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  PostMessageA(window_, WM_COMMAND, IDM_SAVE, 0);
  HWND dialog = maker_->WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  SetTextOf(FileNameBox(dialog), held);
  Click(GetDlgItem(dialog, IDOK));
  box = WaitForMessageBox(&says);  // the dialog asks before replacing a file
  ASSERT_NE(box, nullptr);
  Dismiss(box, IDYES);
  box = WaitForMessageBox(&says);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(Contains(says, held + ": cannot write it")) << says;
  Dismiss(box);
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile<std::string>(held), "the greeting before");
  std::vector<std::string> after = before;
  after.push_back("broken.gif");
  after.push_back("empty.gif");
  after.push_back("notes.mid");
  after.push_back("held.exe");
  std::vector<std::string> left = dir_.List();
  std::sort(after.begin(), after.end());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, after) << "a temporary file was left behind";
}

// Hands an animation to whoever opens a named pipe, once told to: until then a
// reader of the pipe waits, as it would on a large file or a slow disk.
class SlowAnimation {
 public:
  SlowAnimation(const std::string& path, const std::string& gif) : gif_(gif) {
    pipe_ = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                             nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
  }
  ~SlowAnimation() {
    Release();
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(release_);
  }
  SlowAnimation(const SlowAnimation&) = delete;
  SlowAnimation& operator=(const SlowAnimation&) = delete;

  bool ready() const { return pipe_ != INVALID_HANDLE_VALUE && thread_ != nullptr; }
  void Release() { SetEvent(release_); }

 private:
  static DWORD WINAPI Serve(void* data) {
    SlowAnimation* slow = static_cast<SlowAnimation*>(data);
    ConnectNamedPipe(slow->pipe_, nullptr);
    WaitForSingleObject(slow->release_, INFINITE);
    DWORD written = 0;
    WriteFile(slow->pipe_, slow->gif_.data(), static_cast<DWORD>(slow->gif_.size()), &written, nullptr);
    FlushFileBuffers(slow->pipe_);
    CloseHandle(slow->pipe_);
    return 0;
  }

  std::string gif_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE release_ = nullptr;
  HANDLE thread_ = nullptr;
};

// Work that takes a while runs beside the window: it says what it is doing,
// and the window answers meanwhile.
TEST_F(MakerTest, LongWorkShowsProgressAndTheWindowAnswers) {
  char name[64];
  std::snprintf(name, sizeof name, "\\\\.\\pipe\\slow-%lu.gif", GetCurrentProcessId());
  SlowAnimation slow(name, AnimationToFlatten());
  ASSERT_TRUE(slow.ready());
  Start({name});
  // The reading waits on the pipe for as long as the test likes.
  EXPECT_TRUE(WaitForStatus(std::string("Reading slow-"))) << Text(IDC_STATUS);
  for (int answer = 0; answer < 5; answer++) {
    DWORD_PTR result;
    EXPECT_NE(SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result), 0) << "answer " << answer;
    Sleep(100);
  }
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_SAVE)));
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_OPEN)));
  EXPECT_EQ(Title(), "Loopvue Maker");

  slow.Release();
  EXPECT_TRUE(PumpUntil([&] { return Title().compare(0, 5, "slow-") == 0; })) << Title();
  EXPECT_TRUE(PumpUntil([&] { return Text(IDC_STATUS).empty(); })) << Text(IDC_STATUS);
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_SAVE)));
  EXPECT_TRUE(Contains(Text(IDC_INFO), "Made playable: ")) << Text(IDC_INFO);
}

// An animation larger than the screen's work area is shown scaled down, with
// the whole window on the work area, and says so.
TEST_F(MakerTest, AnAnimationLargerThanTheScreenIsShownScaledDown) {
  const int width = 1600, height = 1200;
  std::vector<uint32_t> colours = Palette(0);
  colours[1] = RGB(200, 30, 30);
  colours[2] = RGB(30, 200, 30);
  colours[3] = RGB(30, 30, 200);
  colours[4] = RGB(230, 230, 40);
  PlainFrame quarters;
  quarters.width = width;
  quarters.height = height;
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      quarters.indices.push_back(static_cast<uint8_t>(1 + (x >= width / 2) + 2 * (y >= height / 2)));
    }
  Start({Put("large.gif", PlainGif(width, height, colours, {quarters}))});
  ASSERT_TRUE(WaitForAnimation("large.gif"));

  RECT work, frame, preview;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window_, &frame);
  GetClientRect(Control(IDC_PREVIEW), &preview);
  EXPECT_GE(frame.left, work.left);
  EXPECT_GE(frame.top, work.top);
  EXPECT_LE(frame.right, work.right);
  EXPECT_LE(frame.bottom, work.bottom);
  EXPECT_LT(preview.right, width);
  EXPECT_NEAR(preview.right * height, preview.bottom * width, width);  // the ratio kept, to a pixel
  const int percent = preview.right * 100 / width;
  EXPECT_TRUE(Contains(Text(IDC_INFO), "Shown at " + std::to_string(percent) + "% to fit the screen"))
      << Text(IDC_INFO);
  // Each quarter in its place.
  Capture shown = WaitForClient(Control(IDC_PREVIEW), [&](const Capture& c) {
    return c.At(preview.right * 3 / 4, preview.bottom * 3 / 4) == 0xE6E628;
  });
  EXPECT_EQ(shown.At(preview.right / 4, preview.bottom / 4), 0xC81E1Eu);
  EXPECT_EQ(shown.At(preview.right * 3 / 4, preview.bottom / 4), 0x1EC81Eu);
  EXPECT_EQ(shown.At(preview.right / 4, preview.bottom * 3 / 4), 0x1E1EC8u);
  EXPECT_EQ(shown.At(preview.right * 3 / 4, preview.bottom * 3 / 4), 0xE6E628u);
}

// On a display of 150% or 200% (the dpi.* tests, on a display of scripts/own-display.sh)
// the maker's layout grows with its font, the system's message font at the
// display's DPI, and its preview shows the animation as the greeting will:
// twice as large, each pixel a square of four.
TEST_F(MakerTest, AtHighDpiTheWindowGrowsWithTheDisplay) {
  const int k = HighDpiScale();
  ASSERT_GT(k, 1) << "a display of 96 DPI: run it through scripts/own-display.sh --dpi";
  const std::string gif = Put("anim.gif", PlainAnimation());
  const std::vector<Picture> frames = PreviewFrames(gif, "");
  ASSERT_EQ(frames.size(), 3u);
  Start({gif});
  ASSERT_TRUE(WaitForAnimation("anim.gif"));
  RECT preview, button;
  GetClientRect(Control(IDC_PREVIEW), &preview);
  EXPECT_EQ(preview.right, kWidth * k);
  EXPECT_EQ(preview.bottom, kHeight * k);
  EXPECT_TRUE(Same(WaitForPreview(Enlarged(frames[0], k)), Enlarged(frames[0], k)));
  GetWindowRect(Control(IDC_OPEN), &button);
  EXPECT_NEAR(button.bottom - button.top, ButtonHeightInMessageFont(), 3);
  EXPECT_GT(button.bottom - button.top, 30) << "twice the 23 rows of 96 DPI, or one and a half";
}

// On a display of two monitors (scripts/two-monitors.sh): the maker moved to
// the second one stays there when it lays out an animation too large for it.
TEST_F(MakerTest, OnMonitorsTheWindowStaysOnItsMonitor) {
  RECT second;
  ASSERT_TRUE(SecondMonitor(&second)) << "not a display of two monitors: run it through scripts/two-monitors.sh";
  Start({});
  SetWindowPos(window_, nullptr, second.left + 40, second.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_TRUE(ChooseInDialog(IDM_OPEN, Put("wide.gif", PlainGif(700, 560, Palette(0), {Pattern(0, 0, 700, 560, 1)}))));
  ASSERT_TRUE(WaitForAnimation("wide.gif"));
  RECT frame;
  GetWindowRect(window_, &frame);
  EXPECT_GE(frame.left, second.left);
  EXPECT_GE(frame.top, second.top);
  EXPECT_LE(frame.right, second.right);
  EXPECT_LE(frame.bottom, second.bottom);
  EXPECT_TRUE(Contains(Text(IDC_INFO), "% to fit the screen")) << Text(IDC_INFO);
}

// The song can be heard before it is packed, stopped with Stop or Esc, and
// taken out again: the greeting saved then has none. The maker runs from a
// Downloads folder with a winmm.dll planted in it, which is never loaded.
TEST_F(MakerTest, TheSongIsHeardStoppedAndRemoved) {
  const std::string gif = Put("anim.gif", PlainAnimation());
  const std::string song = Put("song.mid", kSong);
  ASSERT_EQ(Pack("\"" + gif + "\" -o \"" + packed_.File("expected.exe") + "\""), 0u);
  ScratchDir downloads;
  PlantedWinmm planted(downloads.path());
  Start({song, gif}, planted.CopyIn(LOOPVUE_MAKER_EXE));
  ASSERT_TRUE(WaitForAnimation("anim.gif"));
  ASSERT_EQ(Text(IDC_SONG), "Song: song.mid (26 bytes), played once when the greeting starts");
  for (int how : {IDC_STOP, IDCANCEL}) {
    Click(Control(IDC_LISTEN));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(Control(IDC_STOP)); })) << how;
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_LISTEN))) << how;
    // The sequencer has the song open while it plays, and lets no one write to it.
    HANDLE held = CreateFileA(song.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(held, INVALID_HANDLE_VALUE) << how << ": the song is not playing";
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    PostMessageA(window_, WM_COMMAND, how, 0);
    // The window enables Listen before it disables Stop: wait for both.
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(Control(IDC_LISTEN)) && !IsWindowEnabled(Control(IDC_STOP)); }))
        << how << ": Stop " << (IsWindowEnabled(Control(IDC_STOP)) ? "enabled" : "disabled");
    HANDLE file = CreateFileA(song.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << how << ": the song is still held open";
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_TRUE(maker_->Dialogs().empty()) << how;
  }
  Click(Control(IDC_REMOVE_SONG));
  EXPECT_TRUE(PumpUntil([&] { return Text(IDC_SONG).compare(0, 8, "No song.") == 0; })) << Text(IDC_SONG);
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_LISTEN)));
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_REMOVE_SONG)));
  ASSERT_TRUE(ChooseInDialog(IDM_SAVE, ""));
  ASSERT_TRUE(WaitForStatus("Saved to "));
  EXPECT_TRUE(ReadWholeFile<std::string>(dir_.File("anim.exe")) ==
              ReadWholeFile<std::string>(packed_.File("expected.exe")));
  EXPECT_EQ(maker_->ModuleFile("winmm.dll"), "C:\\windows\\system32\\winmm.dll");
  EXPECT_FALSE(planted.Loaded());
  TearDown();
}

// Keys as a person presses them, through the system's input queue.
void Press(WORD key, bool control = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD k, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = k;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  if (control) add(VK_CONTROL, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (control) add(VK_CONTROL, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Tab walks the controls that can be used, in the order they stand; Enter
// saves, Esc leaves a dialog, Ctrl+O opens and Ctrl+S saves.
TEST_F(MakerTest, TheKeyboardReachesEverything) {
  Start({Put("colours.gif", ManyColours()), Put("song.mid", kSong)});
  ASSERT_TRUE(WaitForAnimation("colours.gif"));
  SetForegroundWindow(window_);
  const DWORD thread = GetWindowThreadProcessId(window_, nullptr);
  auto focus = [&]() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0;
  };
  ASSERT_TRUE(PumpUntil([&] { return focus() != 0; }));
  const std::vector<int> order = {IDC_DITHER, IDC_MESSAGE, IDC_ADD_SONG, IDC_LISTEN, IDC_REMOVE_SONG, IDC_OPEN,
                                  IDC_SAVE_WEB, IDC_SAVE};
  std::vector<int> walked;
  for (size_t i = 0; i < 2 * order.size(); i++) {
    const int before = focus();
    Press(VK_TAB);
    PumpUntil([&] { return focus() != before; }, 5000);
    walked.push_back(focus());
  }
  const size_t start = std::find(order.begin(), order.end(), walked[0]) - order.begin();
  ASSERT_LT(start, order.size()) << "Tab reached control " << walked[0];
  for (size_t i = 0; i < walked.size(); i++) EXPECT_EQ(walked[i], order[(start + i) % order.size()]) << "Tab " << i;

  // Enter on the check box presses the default button: Save greeting...
  while (focus() != IDC_DITHER) {
    const int before = focus();
    Press(VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return focus() != before; }, 5000));
  }
  struct Key {
    const char* what;
    WORD key;
    bool control;
    const char* title;
  } keys[] = {{"Enter", VK_RETURN, false, "Save greeting"},
              {"Ctrl+S", 'S', true, "Save greeting"},
              {"Ctrl+O", 'O', true, "Open animation"}};
  for (const Key& k : keys) {
    Press(k.key, k.control);
    HWND dialog = maker_->WaitForDialog();
    ASSERT_NE(dialog, nullptr) << k.what;
    char title[64];
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, k.title) << k.what;
    SetForegroundWindow(dialog);
    Press(VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); })) << k.what;
    SetForegroundWindow(window_);
    PumpUntil([&] { return focus() != 0; });
  }
  EXPECT_EQ(dir_.List().size(), 2u) << "a dialog left with Esc saved something";
  EXPECT_EQ(Title(), "colours.gif - Loopvue Maker");
}

}  // namespace
