// Rectangles in screen pixels as left, top, width and height.
#pragma once

#include <windows.h>

struct ScreenRect {
  int left;
  int top;
  int width;
  int height;
};

inline bool SameRect(ScreenRect a, ScreenRect b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

ScreenRect WindowScreenRect(HWND window);
ScreenRect DesktopScreenRect();
// The monitor `window` is on, or the one nearest to it; the primary monitor
// without a window. A pointer, so that tests can lay out monitors of their own.
ScreenRect MonitorScreenRect(HWND window);
extern ScreenRect (*g_monitorOf)(HWND window);
// The scale a picture of `width` x `height` takes on the monitor `window` is
// on: its DPI's whole-number scale, smaller where the picture would not fit
// the work area. Replaceable, as g_monitorOf is.
int MonitorScale(HWND window, int width, int height);
extern int (*g_scaleOf)(HWND window, int width, int height);
// A monitor of exactly `monitor`'s place and size is still on the display: not
// turned off, unplugged or moved. Replaceable, as g_monitorOf is.
bool MonitorStillThere(ScreenRect monitor);
extern bool (*g_monitorThere)(ScreenRect monitor);

// True when one of a's left and right edges lies within b's horizontal extent
// and one of its top and bottom edges within b's vertical extent (extents
// closed); `out` then holds the overlap. `out` is written in every case.
bool OverlapRect(ScreenRect a, ScreenRect b, ScreenRect* out);
