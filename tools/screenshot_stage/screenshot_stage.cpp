// screenshot-stage: sets the scenes of the README's screenshots and saves them
// as PPM files.
//   screenshot-stage glimmer GLIMMER.EXE DIR    the character over a window, then its About box
//   screenshot-stage greeting GREETING.EXE DIR  the greeting playing
//   screenshot-stage maker MAKER.EXE DIR GIF SONG [WORDS]  the greeting maker with an animation and a song, and
//                                                  the words of the UTF-8 file WORDS in its Message box
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "native_path.h"
#include "support/win_driver.h"
#include "whole_file.h"

namespace {

bool SavePpm(const Capture& capture, const std::string& path) {
  std::string ppm = "P6\n" + std::to_string(capture.width) + " " + std::to_string(capture.height) + "\n255\n";
  for (DWORD pixel : capture.pixels) {
    ppm.push_back(static_cast<char>(pixel >> 16 & 0xFF));
    ppm.push_back(static_cast<char>(pixel >> 8 & 0xFF));
    ppm.push_back(static_cast<char>(pixel & 0xFF));
  }
  return WriteWholeFile(path, ppm);
}

// Lets the scene settle for `ms`, pumping the stage's own messages.
void Settle(DWORD ms) { PumpUntil([] { return false; }, ms); }

// A text editor-like window for the character to peek over.
LRESULT CALLBACK NotesProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const char* lines[] = {"Shopping list", "", "- bread", "- milk", "- cheese (lots of it)", "- batteries",
                           "", "Call the plumber on Tuesday."};
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    for (int i = 0; i < 8; i++) TextOutA(dc, 12, 10 + 18 * i, lines[i], static_cast<int>(std::strlen(lines[i])));
    EndPaint(window, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, msg, wParam, lParam);
}

HWND MakeNotes(int left, int top, int width, int height) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NotesProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "StageNotes";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "StageNotes", "Notes - Untitled", WS_OVERLAPPEDWINDOW, left, top, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  Settle(500);
  return window;
}

int Glimmer(const std::string& exe, const std::string& dir) {
  const int left = 262, top = 300, width = 500, height = 300;
  HWND notes = MakeNotes(left, top, width, height);
  Program peeker(WindowsPath(exe), "");
  HWND window = nullptr;
  if (!PumpUntil([&] { return (window = peeker.WaitForWindow("Glimmer", nullptr, 0)) != nullptr; }, 60000)) return 3;
  // Fully risen: the top of the character 122 pixels above where it started.
  RECT start, r;
  GetWindowRect(window, &start);
  if (!PumpUntil([&] {
        GetWindowRect(window, &r);
        return r.top <= start.top - 120;
      }, 60000))
    return 4;
  Settle(200);
  RECT frame;
  GetWindowRect(notes, &frame);
  int shotTop = frame.top - 150;
  if (!SavePpm(CaptureScreen(frame.left - 20, shotTop, width + 40, frame.bottom - shotTop + 20), dir + "/glimmer.ppm"))
    return 5;

  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  HWND dialog = peeker.WaitForDialog(60000);
  if (!dialog) return 6;
  Settle(800);
  RECT about;
  GetWindowRect(dialog, &about);
  if (!SavePpm(CaptureScreen(about.left - 10, about.top - 10, about.right - about.left + 20,
                             about.bottom - about.top + 20),
               dir + "/about.ppm"))
    return 7;
  // Kill.
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  peeker.WaitForExit();
  DestroyWindow(notes);
  return 0;
}

// Brings the program's window to the front, lets its animation run into the
// full scene, saves the window as `path` and closes it.
int CaptureAndClose(Program& program, HWND window, const std::string& path) {
  SetForegroundWindow(window);
  Settle(3000);
  RECT r;
  GetWindowRect(window, &r);
  if (!SavePpm(CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top), path)) return 5;
  PostMessageA(window, WM_CLOSE, 0, 0);
  program.WaitForExit();
  return 0;
}

int Greeting(const std::string& exe, const std::string& dir) {
  Program greeting(WindowsPath(exe), "");
  HWND window = greeting.WaitForWindow("LoopvueMainWin", nullptr, 60000);
  if (!window) return 3;
  return CaptureAndClose(greeting, window, dir + "/greeting.ppm");
}

int Maker(const std::string& exe, const std::string& dir, const std::string& gif, const std::string& song,
          const char* wordsFile) {
  Program maker("\"" + WindowsPath(exe) + "\" \"" + gif + "\" \"" + song + "\"", "");
  HWND window = maker.WaitForWindow("LoopvueMaker", nullptr, 60000);
  if (!window) return 3;
  // The title names the animation once it is shown, all laid out.
  char title[256] = "";
  if (!PumpUntil([&] {
        GetWindowTextA(window, title, sizeof title);
        return std::strstr(title, ".gif - ") != nullptr;
      }, 60000))
    return 4;
  if (wordsFile != nullptr) {
    std::string words;
    for (char c : ReadWholeFile<std::string>(wordsFile)) words += c == '\n' ? std::string("\r\n") : std::string(1, c);
    HWND box = FindWindowExA(window, nullptr, "Edit", nullptr);
    if (box == nullptr) return 6;
    // As typed: a multi-line box tells its window of no text set whole.
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Utf16(words).c_str()));
  }
  return CaptureAndClose(maker, window, dir + "/maker.ppm");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "glimmer") == 0) return Glimmer(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "greeting") == 0) return Greeting(argv[2], argv[3]);
  if ((argc == 6 || argc == 7) && std::strcmp(argv[1], "maker") == 0) {
    return Maker(argv[2], argv[3], argv[4], argv[5], argc == 7 ? argv[6] : nullptr);
  }
  std::fprintf(stderr, "usage: screenshot-stage glimmer|greeting PROGRAM.EXE DIR\n"
                       "       screenshot-stage maker MAKER.EXE DIR ANIMATION.GIF SONG.MID [WORDS.TXT]\n");
  return 2;
}
