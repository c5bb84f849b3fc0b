// Keeps a downloaded program from loading a DLL planted beside it: Windows looks
// for a DLL that is not one of its known system DLLs in the program's own
// folder first, and a Downloads folder may hold anything a web page dropped.
#pragma once

#include <windows.h>

// Keeps every later DLL search to the system folder: the first call of each
// entry point. Where the system lacks SetDefaultDllDirectories (Windows 7
// without its 2011 update), the current folder at least leaves the search.
void KeepDllSearchToSystemFolder();

// The DLL `name` from the system folder and nowhere else; null when it cannot be
// loaded. Without the system-folder flag, it is named by its full path.
HMODULE LoadSystemLibrary(const wchar_t* name);
