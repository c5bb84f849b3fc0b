// Drives real Windows programs from a test: starts them with a TEMP of their own,
// finds their windows, reads what is on the screen and waits for them to end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A program started by the test; killed at the end if it is still running.
class Program {
 public:
  // Starts `commandLine` with TEMP and TMP set to `tempDir` (when not empty);
  // both UTF-8, started through the wide call so that paths in any script work.
  Program(const std::string& commandLine, const std::string& tempDir);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  DWORD id() const { return process_.dwProcessId; }
  // The program's visible top-level window of `className` (and `title`, when not
  // null); null if none appears within `timeoutMs`.
  HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 20000) const;
  // Any top-level window of the program, visible or not.
  HWND AnyWindow() const;
  // The program's visible dialog boxes.
  std::vector<HWND> Dialogs() const;
  // The program's first dialog box once one is shown, pumping the caller's
  // messages meanwhile; null if none appears within `timeoutMs`.
  HWND WaitForDialog(DWORD timeoutMs = 20000) const;
  // The exit code, or STILL_ACTIVE if the program has not ended within `timeoutMs`.
  DWORD WaitForExit(DWORD timeoutMs = 20000);

  // The file the program has loaded the module `name` (such as "winmm.dll")
  // from; empty when it has not loaded it.
  std::string ModuleFile(const char* name) const;

  // The program's live GDI objects, or -1 if they cannot be read. Wine's
  // GetGuiResources answers 0 for every process, so this reads the process's GDI
  // handle table instead (its address is in the process environment block, the
  // 64-bit one when the program runs under WoW64) and counts the entries in use.
  int GdiObjects() const;
  // Bytes of private memory the program has committed (its heaps and stacks),
  // summed over its address space. Under Wine, GDI keeps its objects on its Unix
  // side, outside this figure: GdiObjects covers those.
  size_t CommittedBytes() const;

 private:
  PROCESS_INFORMATION process_ = {};
};

// Dispatches the caller's own pending messages, so its windows repaint what the
// program under test uncovers.
void Pump();
// Waits, pumping, until `done` holds; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);

// The pixels of a screen rectangle as 0x00RRGGBB, top row first.
struct Capture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
  DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Capture CaptureScreen(int left, int top, int width, int height);
// The window's client area as it is on the screen.
Capture CaptureClient(HWND window);

// Waits until `done(capture of the client area)` holds; returns the last capture.
template <typename Predicate>
Capture WaitForClient(HWND window, Predicate done, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  for (;;) {
    Capture capture = CaptureClient(window);
    if (done(capture) || GetTickCount() - start > timeoutMs) return capture;
    Sleep(50);
  }
}

// The monitor that is not the primary one, on a display of two monitors
// (scripts/two-monitors.sh makes one); false, with nothing set, on any other.
bool SecondMonitor(RECT* monitor);

// The scale programs take on this display, for the tests run at 150% and 200%
// (scripts/own-display.sh --dpi): the whole number nearest to its DPI / 96, a half
// rounding up; 0 on a display of 96 DPI or less, where such a test cannot run.
int HighDpiScale();

// A Downloads folder with a DLL planted in it: the test's winmm.dll, which
// leaves a mark beside itself when it is loaded. Wine prefers its own WINMM to
// one beside a program unless told otherwise, and WINEDLLOVERRIDES in the
// environment a test passes on never reaches the loader of the program it
// starts; so each copy made here has an override of its own in the prefix's
// registry, kept while this lives, and Wine searches for it as Windows does.
class PlantedWinmm {
 public:
  explicit PlantedWinmm(const std::string& folder);
  ~PlantedWinmm();
  PlantedWinmm(const PlantedWinmm&) = delete;
  PlantedWinmm& operator=(const PlantedWinmm&) = delete;
  bool Loaded() const;
  // A copy of `program` in the folder, to run from there, Wine told to prefer
  // the planted DLL for it; its path, or "" when either could not be done (so
  // that the test fails rather than runs a copy the DLL could never reach).
  std::string CopyIn(const std::string& program);

 private:
  const std::string folder_;
  std::vector<std::wstring> overridden_;  // the copies' keys under AppDefaults
};

// A Windows path of the form the programs under test expect, from a build path.
std::string WindowsPath(const std::string& path);

// How long the long runs last: their full length when SOAK is set in the
// environment (./test.sh --soak), otherwise `quick`, which still shows a leak
// of one object per paint or frame many times over.
int LongRunLength(int full, int quick);
