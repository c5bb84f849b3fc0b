// The peeker's icon in the notification area: the character's face with the
// tooltip "Glimmer", whose clicks and menu key reach the peeker's window.
#pragma once

#include <windows.h>
#include <shellapi.h>

// What the icon sends its window, in the form of NOTIFYICON_VERSION_4: the
// event (NIN_SELECT, NIN_KEYSELECT, WM_CONTEXTMENU...) in the low word of
// lParam, the icon's id in the high word, the point to open a menu at in wParam.
const UINT WM_TRAY_NOTIFY = WM_USER + 11;
const UINT kTrayIconId = 1;

// Shell_NotifyIconW, replaceable so that tests can watch the icon come and go.
extern BOOL (*g_notifyIcon)(DWORD message, NOTIFYICONDATAW* data);

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon of `window`, at the size of the system's small icons; again
  // after the taskbar has been made anew. False when the shell did not take it.
  bool Add(HWND window);
  void Remove();

  bool shown = false;

 private:
  NOTIFYICONDATAW Data() const;
  HWND owner = nullptr;
  HICON image = nullptr;
};
