// Whether now is a good moment for the character to appear: never over a
// fullscreen program or a presentation, nor while the user is busy, a screen
// saver runs or the session is locked.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The answers that are not window geometry, replaceable so tests can give their own.
struct MomentSources {
  // The shell's word on the user; false where the shell cannot say.
  bool (*userState)(QUERY_USER_NOTIFICATION_STATE* state);
  // A screen saver runs, or the session is locked.
  bool (*screenAway)();
};
extern MomentSources g_momentSources;

// `window` fills its whole monitor, as a fullscreen program's window does.
bool IsFullscreenProgram(HWND window);
bool IsPeekMoment();
