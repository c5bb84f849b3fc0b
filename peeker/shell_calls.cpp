#include "shell_calls.h"

#include "system_dlls.h"

namespace {

// Plain variables rather than statics initialised on first use, whose
// thread-safe guards would outweigh all of this: only the window's thread calls.
struct Library {
  const wchar_t* name;
  HMODULE module;
  bool tried;
};
Library shell32 = {L"shell32.dll", nullptr, false};
Library ole32 = {L"ole32.dll", nullptr, false};
bool apartmentOpen;

// The export `name` of `library`, kept in `function`; null when either is missing.
template <typename Function>
Function* Find(Library& library, Function*& function, const char* name) {
  if (function != nullptr) return function;
  if (!library.tried) {
    library.module = LoadSystemLibrary(library.name);
    library.tried = true;
  }
  if (library.module != nullptr)
    function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library.module, name)));
  return function;
}

}  // namespace

BOOL ShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  static decltype(Shell_NotifyIconW)* notify;
  return Find(shell32, notify, "Shell_NotifyIconW") ? notify(message, data) : FALSE;
}

HRESULT ShellUserNotificationState(QUERY_USER_NOTIFICATION_STATE* state) {
  // Vista's: looked up, as everything here, so the program still starts without it.
  static decltype(SHQueryUserNotificationState)* query;
  return Find(shell32, query, "SHQueryUserNotificationState") ? query(state) : E_NOTIMPL;
}

HRESULT ShellKnownFolder(REFKNOWNFOLDERID id, DWORD flags, wchar_t** path) {
  static decltype(SHGetKnownFolderPath)* known;
  *path = nullptr;
  return Find(shell32, known, "SHGetKnownFolderPath") ? known(id, flags, nullptr, path) : E_NOTIMPL;
}

void FreeShellText(wchar_t* text) {
  static decltype(CoTaskMemFree)* release;
  if (text != nullptr && Find(ole32, release, "CoTaskMemFree")) release(text);
}

HRESULT CreateShellObject(REFCLSID id, REFIID interfaceId, void** object) {
  static decltype(CoInitializeEx)* open;
  static decltype(CoCreateInstance)* create;
  *object = nullptr;
  if (!Find(ole32, open, "CoInitializeEx") || !Find(ole32, create, "CoCreateInstance")) return E_NOTIMPL;
  // The shell's objects live in a single-threaded apartment: the window's thread.
  if (!apartmentOpen) apartmentOpen = SUCCEEDED(open(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  return create(id, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}
