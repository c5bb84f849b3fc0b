#include "startup_shortcut.h"

#include <shlobj.h>

#include "shell_calls.h"

namespace {

// A COM interface pointer, released at the end of the scope.
template <typename T>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (object != nullptr) object->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  T* operator->() const { return object; }
  void** Out() { return reinterpret_cast<void**>(&object); }
  T* object = nullptr;
};

// This program's file; false when its path does not fit.
bool ThisProgram(wchar_t* path) {
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH;
}

}  // namespace

bool StartupShortcutPath(wchar_t* path, bool create) {
  wchar_t* folder = nullptr;
  const HRESULT found = ShellKnownFolder(FOLDERID_Startup, create ? DWORD{KF_FLAG_CREATE} : DWORD{0}, &folder);
  static const wchar_t kName[] = L"\\Glimmer.lnk";
  const bool fits = SUCCEEDED(found) && folder != nullptr && lstrlenW(folder) + ARRAYSIZE(kName) <= MAX_PATH;
  if (fits) {
    lstrcpyW(path, folder);
    lstrcatW(path, kName);
  }
  FreeShellText(folder);
  return fits;
}

bool ShortcutStartsThisProgram(const wchar_t* link) {
  wchar_t program[MAX_PATH], target[MAX_PATH];
  if (GetFileAttributesW(link) == INVALID_FILE_ATTRIBUTES || !ThisProgram(program)) return false;
  ComPointer<IShellLinkW> shortcut;
  ComPointer<IPersistFile> file;
  if (FAILED(CreateShellObject(CLSID_ShellLink, IID_IShellLinkW, shortcut.Out())) ||
      FAILED(shortcut->QueryInterface(IID_IPersistFile, file.Out())) || FAILED(file->Load(link, STGM_READ)))
    return false;
  // The path as written, not searched for: a program that has moved is not found
  // again elsewhere.
  if (shortcut->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return false;
  return lstrcmpiW(target, program) == 0;
}

bool WriteShortcutToThisProgram(const wchar_t* link) {
  wchar_t program[MAX_PATH], folder[MAX_PATH];
  if (!ThisProgram(program)) return false;
  lstrcpyW(folder, program);
  for (int i = lstrlenW(folder) - 1; i >= 0 && folder[i] != L'\\'; i--) folder[i] = L'\0';
  ComPointer<IShellLinkW> shortcut;
  ComPointer<IPersistFile> file;
  return SUCCEEDED(CreateShellObject(CLSID_ShellLink, IID_IShellLinkW, shortcut.Out())) &&
         SUCCEEDED(shortcut->SetPath(program)) && SUCCEEDED(shortcut->SetWorkingDirectory(folder)) &&
         SUCCEEDED(shortcut->SetDescription(L"Glimmer")) &&
         SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, file.Out())) && SUCCEEDED(file->Save(link, TRUE));
}

bool DeleteShortcut(const wchar_t* link) {
  return DeleteFileW(link) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool StartsWithWindows() {
  wchar_t link[MAX_PATH];
  return StartupShortcutPath(link, false) && ShortcutStartsThisProgram(link);
}

bool SetStartWithWindows(bool on) {
  wchar_t link[MAX_PATH];
  if (!StartupShortcutPath(link, on)) return false;
  return on ? WriteShortcutToThisProgram(link) : DeleteShortcut(link);
}
