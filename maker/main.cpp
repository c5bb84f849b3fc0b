// The greeting maker's entry point: opens what it was given (files dropped on
// its icon arrive on the command line) in its one window.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "greeting_job.h"
#include "maker_window.h"
#include "native_path.h"
#include "system_dlls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  KeepDllSearchToSystemFolder();
  // Read once here, before any job's thread may want it.
  CarriedPlayer();
  MakerWindow maker;
  if (!maker.Create(instance, showCommand)) return 1;
  // The wide command line: paths in any script arrive whole.
  std::vector<std::string> paths;
  int count = 0;
  if (wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; i++) paths.push_back(Utf8(arguments[i]));
    LocalFree(arguments);
  }
  maker.OpenFiles(paths);
  return maker.Run();
}
