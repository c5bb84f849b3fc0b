// The shell's and COM's functions the peeker uses, from SHELL32 and OLE32 loaded
// out of the system folder when first needed: the program imports neither, so
// it starts with none of their code mapped and finds them only where Windows
// keeps them.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

// Each fails as its system function does when the DLL or the export is missing.
BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data);
HRESULT ShellUserNotificationState(QUERY_USER_NOTIFICATION_STATE* state);
// The known folder `id`; the path is given back with FreeShellText.
HRESULT ShellKnownFolder(REFKNOWNFOLDERID id, DWORD flags, wchar_t** path);
void FreeShellText(wchar_t* text);
// An object of class `id`, on this thread's COM apartment, which the first
// call opens for the rest of the program's life.
HRESULT CreateShellObject(REFCLSID id, REFIID interfaceId, void** object);
