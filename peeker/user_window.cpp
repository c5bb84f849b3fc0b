#include "user_window.h"

namespace {

HWND remembered;
HWND peeker;
HWINEVENTHOOK hook;

bool IsPeekersWindow(HWND window) {
  const HWND root = GetAncestor(window, GA_ROOTOWNER);
  if (root == peeker) return true;
  // A menu open on the peeker's icon.
  wchar_t name[8];
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId() && GetClassNameW(window, name, ARRAYSIZE(name)) &&
         lstrcmpW(name, L"#32768") == 0;
}

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_WINDOW) NoteForeground(window);
}

}  // namespace

void WatchUserWindow(HWND own) {
  remembered = nullptr;
  peeker = own;
  // Out of context: the system tells this thread, between its messages.
  if (hook == nullptr)
    hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForeground, 0, 0,
                           WINEVENT_OUTOFCONTEXT);
}

void StopWatchingUserWindow() {
  if (hook != nullptr) UnhookWinEvent(hook);
  hook = nullptr;
}

bool IsTaskbarWindow(HWND window) {
  static const wchar_t* const kTaskbarClasses[] = {
      L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"NotifyIconOverflowWindow",
      L"TopLevelWindowForOverflowXamlIsland", L"__winex11_standalone_tray",
  };
  wchar_t name[64];
  if (!GetClassNameW(GetAncestor(window, GA_ROOTOWNER), name, ARRAYSIZE(name))) return false;
  for (const wchar_t* taskbar : kTaskbarClasses)
    if (lstrcmpW(name, taskbar) == 0) return true;
  return false;
}

void NoteForeground(HWND window) {
  if (window == nullptr || IsPeekersWindow(window) || IsTaskbarWindow(window)) return;
  remembered = window;
}

HWND UserWindow() {
  NoteForeground(GetForegroundWindow());
  if (remembered == nullptr || !IsWindow(remembered) || !IsWindowVisible(remembered) || IsIconic(remembered))
    return nullptr;
  return remembered;
}
