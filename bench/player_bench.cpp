// player-bench: measures a greeting as its user sees it. Starts the program, and
// from the screen reads when the first frame appears and when each frame is shown.
//   player-bench start GREETING.exe           time to the first frame, peak memory
//   player-bench timing GREETING.exe N        measured time on screen of N frames
//   player-bench make-timing PLAYER.exe OUT.exe  a greeting for `timing`: frames
//                                             of 50 and 100 hundredths in turn
// The greeting's animation must come from the payload of GREETING.exe; `timing`
// expects frames that each fill the top-left pixel with a colour of their own.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "gif_parser.h"
#include "native_path.h"
#include "payload_locator.h"
#include "support/plain_gif.h"
#include "support/win_driver.h"
#include "whole_file.h"

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// The animation of a greeting, decoded by the player's own core.
struct Greeting {
  explicit Greeting(const std::string& path) {
    int32_t length = FindSection(NativePath(path).c_str(), GIF_SECTION_MARKER);
    if (length <= 0) return;
    SectionBlock block(length);
    if (ReadSection(&block.reader)) ParseGif(&animation, &block.reader);
    ClosePayloadFile();
  }
  ~Greeting() { FreeGifAnimation(&animation); }
  // Frame i's top-left pixel as the screen shows it (0x00RRGGBB).
  DWORD Corner(int i) const {
    const GifFrame* frame = animation.frames[i];
    uint32_t c = animation.colours[*BitmapRowAddress(&frame->bitmap, 0, frame->height - 1)];
    return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  GifAnimation animation = {};
};

DWORD ScreenPixel(HDC screen, POINT at) {
  COLORREF c = GetPixel(screen, at.x, at.y);
  return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

POINT ClientOrigin(HWND window) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return origin;
}

int Start(const std::string& path) {
  Greeting greeting(path);
  if (greeting.animation.frameCount == 0) return 2;
  double started = Now();
  Program program(WindowsPath(path), "");
  HWND window = program.WaitForWindow("LoopvueMainWin", nullptr, 60000);
  if (!window) return 3;
  HDC screen = GetDC(nullptr);
  POINT origin = ClientOrigin(window);
  while (ScreenPixel(screen, origin) != greeting.Corner(0) && Now() - started < 60) Sleep(1);
  double firstFrame = Now() - started;
  ReleaseDC(nullptr, screen);
  Sleep(1000);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.id());
  GetProcessMemoryInfo(process, &memory, sizeof memory);
  CloseHandle(process);
  std::printf("first frame on screen after %.0f ms; peak working set %.1f MiB, peak pagefile %.1f MiB\n",
              firstFrame * 1000, memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  program.WaitForExit();
  return 0;
}

int Timing(const std::string& path, int frames) {
  Greeting greeting(path);
  int count = greeting.animation.frameCount;
  if (count < 2) return 2;
  Program program(WindowsPath(path), "");
  HWND window = program.WaitForWindow("LoopvueMainWin", nullptr, 60000);
  if (!window) return 3;
  HDC screen = GetDC(nullptr);
  POINT origin = ClientOrigin(window);
  // Time every change of the corner pixel from the first change on: the first
  // frame was on screen before the window could be found.
  while (ScreenPixel(screen, origin) != greeting.Corner(1)) Sleep(1);
  double shownAt = Now();
  int current = 1;
  double sum = 0, worst = 0;
  for (int measured = 0; measured < frames;) {
    int next = (current + 1) % count;
    if (ScreenPixel(screen, origin) != greeting.Corner(next)) continue;
    double now = Now();
    double error = (now - shownAt) * 1000 - greeting.animation.frames[current]->delay * 10.0;
    sum += error < 0 ? -error : error;
    if ((error < 0 ? -error : error) > (worst < 0 ? -worst : worst)) worst = error;
    measured++;
    current = next;
    shownAt = now;
  }
  ReleaseDC(nullptr, screen);
  std::printf("%d frames: mean |measured - delay| %.1f ms, worst %+.1f ms\n", frames, sum / frames, worst);
  PostMessageA(window, WM_CLOSE, 0, 0);
  program.WaitForExit();
  return 0;
}

int MakeTiming(const std::string& player, const std::string& out) {
  std::vector<uint32_t> colours = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  std::vector<PlainFrame> frames;
  for (int i = 0; i < 4; i++) frames.push_back(SolidFrame(0, 0, 200, 120, static_cast<uint8_t>(1 + i), i % 2 ? 100 : 50));
  std::string gif = PlainGif(200, 120, colours, frames);
  bool read = false;
  const std::vector<uint8_t> program = ReadWholeFile(player, &read);
  if (!read) return 3;
  std::string section = "*GIF_BEGINS_HERE:";
  PutU32(&section, static_cast<uint32_t>(gif.size()));
  return WriteWholeFile(out, {program, section, gif}) ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: player-bench start|timing GREETING.exe [N] | make-timing PLAYER.exe OUT.exe\n");
    return 2;
  }
  std::string mode = argv[1], path = argv[2];
  int n = argc > 3 ? std::atoi(argv[3]) : 0;
  if (mode == "start") return Start(path);
  if (mode == "timing") return Timing(path, n > 0 ? n : 100);
  if (mode == "make-timing" && argc > 3) return MakeTiming(path, argv[3]);
  std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
  return 2;
}
