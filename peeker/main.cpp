// The peeker's entry point: one copy at a time, one character window.
#include <windows.h>

#include <ctime>

#include "peek_window.h"
#include "peeker_globals.h"
#include "random.h"
#include "system_dlls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  KeepDllSearchToSystemFolder();
  g_instance = instance;
  CreateMutexA(nullptr, FALSE, "Glimmer");
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  SeedRandom(static_cast<uint32_t>(std::time(nullptr)));
  PeekWindow peeker;
  return peeker.Run();
}
