#include "screen_rect.h"

#include "display_scale.h"

ScreenRect WindowScreenRect(HWND window) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(window, &r);
  return ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

ScreenRect DesktopScreenRect() { return WindowScreenRect(GetDesktopWindow()); }

ScreenRect MonitorScreenRect(HWND window) {
  MONITORINFO info;
  info.cbSize = sizeof info;
  HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoA(monitor, &info)) return DesktopScreenRect();
  const RECT& r = info.rcMonitor;
  return ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

ScreenRect (*g_monitorOf)(HWND window) = MonitorScreenRect;

int MonitorScale(HWND window, int width, int height) {
  MONITORINFO info;
  info.cbSize = sizeof info;
  HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoA(monitor, &info)) return 1;
  return FittingScale(PixelScale(DpiOfMonitor(monitor)), width, height, 0, 0, info.rcWork);
}

int (*g_scaleOf)(HWND window, int width, int height) = MonitorScale;

bool MonitorStillThere(ScreenRect monitor) {
  const RECT area = {monitor.left, monitor.top, monitor.left + monitor.width, monitor.top + monitor.height};
  MONITORINFO info;
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONULL), &info)) return false;
  return EqualRect(&info.rcMonitor, &area) != FALSE;
}

bool (*g_monitorThere)(ScreenRect monitor) = MonitorStillThere;

bool OverlapRect(ScreenRect a, ScreenRect b, ScreenRect* out) {
  auto withinX = [&](int x) { return b.left <= x && x <= b.left + b.width; };
  auto withinY = [&](int y) { return b.top <= y && y <= b.top + b.height; };
  int cx = 0, cy = 0;
  if (withinX(a.left)) {
    out->left = a.left;
    cx++;
  } else {
    out->left = b.left;
  }
  if (withinY(a.top)) {
    out->top = a.top;
    cy++;
  } else {
    out->top = b.top;
  }
  if (withinX(a.left + a.width)) {
    out->width = a.left + a.width - out->left;
    cx++;
  } else {
    out->width = b.left + b.width - out->left;
  }
  if (withinY(a.top + a.height)) {
    out->height = a.top + a.height - out->top;
    cy++;
  } else {
    out->height = b.top + b.height - out->top;
  }
  return cx >= 1 && cy >= 1;
}
