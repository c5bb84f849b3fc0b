// peeker-bench: what the peeker costs.
//   peeker-bench paint N          time per paint of the character, in-process
//   peeker-bench watch            marks when the running peeker's first peek shows
//                                 and hides, and a minute of the pause after it
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "peeker_globals.h"
#include "sprite_clip.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

int Paints(int count) {
  g_instance = GetModuleHandleA(nullptr);
  CharacterClip clip;
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, g_instance, nullptr);
  clip.PlaceWindow(window, 300, 300, HWND_TOP);
  Pump();
  double start = Now();
  for (int i = 0; i < count; i++) {
    // As during a rise: a 2-pixel move, then the paint of the whole window.
    clip.PlaceWindow(window, 300, 300 - 2 * (i % 61), HWND_TOP);
    clip.Paint(window);
  }
  double elapsed = Now() - start;
  std::printf("%d paints (each with its placement): %.3f ms per paint\n", count, elapsed * 1000 / count);
  DestroyWindow(window);
  return 0;
}

// Prints "shown", "hidden", "idle_start" and "idle_end" as the running peeker's
// next peek goes by and a minute of the pause after it, for a script that reads
// the program's CPU time at each mark (Wine reports none for other processes).
int Watch() {
  HWND window = nullptr;
  double started = Now();
  while (!(window = FindWindowA("Glimmer", nullptr)) && Now() - started < 60) Sleep(1);
  if (!window) return 3;
  while (!IsWindowVisible(window)) Sleep(1);
  auto mark = [](const char* what) {
    std::printf("%s %.3f\n", what, Now());
    std::fflush(stdout);
  };
  mark("shown");
  while (IsWindowVisible(window)) Sleep(1);
  mark("hidden");
  Sleep(1000);
  mark("idle_start");
  Sleep(60000);
  mark("idle_end");
  Sleep(2000);  // the reader takes its last reading before the program ends
  PostMessageA(window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "paint") return Paints(argc > 2 ? std::atoi(argv[2]) : 1000);
  if (mode == "watch") return Watch();
  std::fprintf(stderr, "usage: peeker-bench paint N | peeker-bench watch\n");
  return 2;
}
