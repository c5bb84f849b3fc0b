// The window the person works in: the last foreground window that is neither
// the peeker's own nor the taskbar's. Opening the icon's menu makes the
// peeker's window the foreground one, and clicking the icon the taskbar, so
// the foreground window of the moment is not always the person's.
#pragma once

#include <windows.h>

// Follows the foreground from now on, forgetting any window noted before.
// `own` is the peeker's window: it, what it owns and menus are the peeker's.
void WatchUserWindow(HWND own);
void StopWatchingUserWindow();
// Remembers `window` if it is the person's.
void NoteForeground(HWND window);
// The window remembered last, with the foreground of this moment noted
// first; null once that window is closed, hidden or minimised.
HWND UserWindow();
// The taskbar's windows: the bar, its second bars, its overflow of icons,
// Wine's stand-alone notification area.
bool IsTaskbarWindow(HWND window);
