#include "tray_icon.h"

#include "peeker_globals.h"
#include "resource.h"
#include "shell_calls.h"

BOOL (*g_notifyIcon)(DWORD message, NOTIFYICONDATAW* data) = ShellNotifyIcon;

NOTIFYICONDATAW TrayIcon::Data() const {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kTrayIconId;
  return data;
}

bool TrayIcon::Add(HWND window) {
  owner = window;
  // The size the notification area draws at this system's DPI: the face's own
  // 16 or 32 pixels where it can, the nearest scaled otherwise.
  const int side = GetSystemMetrics(SM_CXSMICON);
  HICON fresh = static_cast<HICON>(
      LoadImageW(g_instance, MAKEINTRESOURCEW(IDI_GLIMMER), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
  NOTIFYICONDATAW data = Data();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = fresh;
  lstrcpynW(data.szTip, L"Glimmer", ARRAYSIZE(data.szTip));
  // A shell that still holds the icon (told of a new taskbar twice) refuses
  // the same icon again: it is brought up to date instead.
  shown = g_notifyIcon(NIM_ADD, &data) || g_notifyIcon(NIM_MODIFY, &data);
  if (shown) {
    data.uVersion = NOTIFYICON_VERSION_4;
    g_notifyIcon(NIM_SETVERSION, &data);
  }
  if (image != nullptr) DestroyIcon(image);
  image = fresh;
  return shown;
}

void TrayIcon::Remove() {
  if (shown) {
    NOTIFYICONDATAW data = Data();
    g_notifyIcon(NIM_DELETE, &data);
    shown = false;
  }
  if (image != nullptr) DestroyIcon(image);
  image = nullptr;
}
