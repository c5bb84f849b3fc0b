// How large to draw on a display: its pixels per logical inch, through the
// calls of newer systems where they exist, and the whole-number scale that
// pixel art takes there, so that each of its pixels stays an exact square.
#pragma once

#include <windows.h>

// The logical inch everything is designed at: at it, nothing is scaled.
const UINT kDesignDpi = 96;

// The DPI of the primary display, which every window has on systems that know
// no other.
UINT SystemDpi();
// The DPI of the monitor `window` stands on, as the window sees it.
UINT DpiOfWindow(HWND window);
UINT DpiOfMonitor(HMONITOR monitor);

// The whole number nearest to dpi / 96, a half rounding up (150% gives 2), at
// least 1.
int PixelScale(UINT dpi);

// The largest scale up to `scale`, at least 1, at which a window of
// `frameWidth` + `width` x scale by `frameHeight` + `height` x scale pixels
// fits within `room`.
int FittingScale(int scale, int width, int height, int frameWidth, int frameHeight, const RECT& room);

// The work area of the monitor `window` is on, or of the one nearest to it.
RECT WorkAreaOf(HWND window);

// AdjustWindowRectEx at `dpi`, where the system can size frames for a DPI
// other than its own.
BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
