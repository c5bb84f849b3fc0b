// The greeting maker's entry point: opens what it was given (files dropped on
// its icon arrive on the command line) in its one window.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "greeting_job.h"
#include "maker_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Read once here, before any job's thread may want it.
  CarriedPlayer();
  MakerWindow maker;
  if (!maker.Create(instance, showCommand)) return 1;
  std::vector<std::string> paths;
  for (int i = 1; i < __argc; i++) paths.push_back(__argv[i]);
  maker.OpenFiles(paths);
  return maker.Run();
}
