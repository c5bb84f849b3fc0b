// Start with Windows: a shortcut to the program, as it is now, in the user's
// Startup folder. A file, never a registry value; the program reads no setting
// of its own and takes its art and sound from its own file, wherever it is
// started from.
#pragma once

#include <windows.h>

// The shortcut's path in the user's Startup folder ("...\Glimmer.lnk"), into
// `path` of MAX_PATH characters; with `create`, the folder is made if missing.
bool StartupShortcutPath(wchar_t* path, bool create);
// The shortcut at `link` exists and starts this program from where it is now.
bool ShortcutStartsThisProgram(const wchar_t* link);
// Writes the shortcut at `link` to this program, or deletes it.
bool WriteShortcutToThisProgram(const wchar_t* link);
bool DeleteShortcut(const wchar_t* link);

// The same for the Startup folder's shortcut.
bool StartsWithWindows();
bool SetStartWithWindows(bool on);
