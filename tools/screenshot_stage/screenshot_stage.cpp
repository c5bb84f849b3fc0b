// screenshot-stage: sets the scenes of the README's screenshots and saves them
// as 24-bit BMP files.
//   screenshot-stage glimmer GLIMMER.EXE DIR    the character over a window, then its About box
//   screenshot-stage greeting GREETING.EXE DIR  the greeting playing
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/win_driver.h"

namespace {

void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  } while (GetTickCount() - start < ms);
}

bool SaveBmp(const Capture& capture, const std::string& path) {
  int rowBytes = (capture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = capture.width;
  info.biHeight = capture.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(rowBytes) * capture.height;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::vector<unsigned char> row(rowBytes, 0);
  for (int y = capture.height - 1; y >= 0; y--) {
    for (int x = 0; x < capture.width; x++) {
      DWORD pixel = capture.At(x, y);
      row[3 * x] = static_cast<unsigned char>(pixel);
      row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(pixel >> 16);
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  return std::fclose(out) == 0;
}

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
  Pump(500);
  return window;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[16];
  GetClassNameA(window, name, sizeof name);
  if (owner == search->first && IsWindowVisible(window) && std::strcmp(name, "#32770") == 0) {
    search->second = window;
    return FALSE;
  }
  return TRUE;
}

// Waits, pumping, for `done`; false after `timeoutMs`.
template <typename Done>
bool WaitFor(Done done, DWORD timeoutMs = 60000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump(10);
  }
  return true;
}

int Glimmer(const std::string& exe, const std::string& dir) {
  const int left = 262, top = 300, width = 500, height = 300;
  HWND notes = MakeNotes(left, top, width, height);
  Program peeker(WindowsPath(exe), "");
  HWND window = nullptr;
  if (!WaitFor([&] { return (window = peeker.WaitForWindow("Glimmer", nullptr, 0)) != nullptr; })) return 3;
  // Fully risen: the top of the character 122 pixels above where it started.
  RECT start, r;
  GetWindowRect(window, &start);
  if (!WaitFor([&] {
        GetWindowRect(window, &r);
        return r.top <= start.top - 120;
      }))
    return 4;
  Pump(200);
  RECT frame;
  GetWindowRect(notes, &frame);
  int shotTop = frame.top - 150;
  if (!SaveBmp(CaptureScreen(frame.left - 20, shotTop, width + 40, frame.bottom - shotTop + 20), dir + "/glimmer.bmp"))
    return 5;

  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  std::pair<DWORD, HWND> search(peeker.id(), nullptr);
  if (!WaitFor([&] {
        search.second = nullptr;
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.second != nullptr;
      }))
    return 6;
  Pump(800);
  RECT about;
  GetWindowRect(search.second, &about);
  if (!SaveBmp(CaptureScreen(about.left - 10, about.top - 10, about.right - about.left + 20,
                             about.bottom - about.top + 20),
               dir + "/about.bmp"))
    return 7;
  // Kill.
  PostMessageA(GetDlgItem(search.second, IDOK), BM_CLICK, 0, 0);
  peeker.WaitForExit();
  DestroyWindow(notes);
  return 0;
}

int Greeting(const std::string& exe, const std::string& dir) {
  Program greeting(WindowsPath(exe), "");
  HWND window = greeting.WaitForWindow("LoopvueMainWin", nullptr, 60000);
  if (!window) return 3;
  SetForegroundWindow(window);
  // Into the animation, where the scene is full.
  Pump(3000);
  RECT r;
  GetWindowRect(window, &r);
  if (!SaveBmp(CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top), dir + "/greeting.bmp")) return 5;
  PostMessageA(window, WM_CLOSE, 0, 0);
  greeting.WaitForExit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "glimmer") == 0) return Glimmer(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "greeting") == 0) return Greeting(argv[2], argv[3]);
  std::fprintf(stderr, "usage: screenshot-stage glimmer|greeting PROGRAM.EXE DIR\n");
  return 2;
}
