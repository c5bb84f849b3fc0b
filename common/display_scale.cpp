#include "display_scale.h"

#include <cstdint>

#include "system_dlls.h"

namespace {

// The functions of Windows 8.1 and 10 that know each monitor's DPI, looked up
// rather than imported: the programs must still start where they are missing.
// Plain variables rather than statics initialised on first use, whose
// thread-safe guards would outweigh all of this: only the window's thread asks.
struct DpiCalls {
  UINT(WINAPI* forWindow)(HWND);
  HRESULT(WINAPI* forMonitor)(HMONITOR, int, UINT*, UINT*);
  BOOL(WINAPI* adjustForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
};
DpiCalls calls;
bool looked;

template <typename Function>
void Find(Function*& function, HMODULE module, const char* name) {
  if (module != nullptr) function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const DpiCalls& Calls() {
  if (!looked) {
    looked = true;
    HMODULE user = GetModuleHandleW(L"user32.dll");
    Find(calls.forWindow, user, "GetDpiForWindow");
    Find(calls.adjustForDpi, user, "AdjustWindowRectExForDpi");
    Find(calls.forMonitor, LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor");
  }
  return calls;
}

// GetDpiForMonitor's kind of DPI that windows are scaled by.
const int kEffectiveDpi = 0;

}  // namespace

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

UINT DpiOfWindow(HWND window) {
  const UINT dpi = Calls().forWindow && window ? Calls().forWindow(window) : 0;
  return dpi ? dpi : SystemDpi();
}

UINT DpiOfMonitor(HMONITOR monitor) {
  UINT x = 0, y = 0;
  if (Calls().forMonitor && monitor && SUCCEEDED(Calls().forMonitor(monitor, kEffectiveDpi, &x, &y)) && x) return x;
  return SystemDpi();
}

int PixelScale(UINT dpi) {
  const int scale = static_cast<int>((dpi + kDesignDpi / 2) / kDesignDpi);
  return scale < 1 ? 1 : scale;
}

int FittingScale(int scale, int width, int height, int frameWidth, int frameHeight, const RECT& room) {
  const int64_t roomWidth = room.right - room.left, roomHeight = room.bottom - room.top;
  while (scale > 1 && (frameWidth + static_cast<int64_t>(width) * scale > roomWidth ||
                       frameHeight + static_cast<int64_t>(height) * scale > roomHeight))
    scale--;
  return scale < 1 ? 1 : scale;
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
  if (Calls().adjustForDpi) return Calls().adjustForDpi(rect, style, menu, exStyle, dpi);
  return AdjustWindowRectEx(rect, style, menu, exStyle);
}
