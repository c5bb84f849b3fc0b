#include "peek_moment.h"

#include "shell_calls.h"

namespace {

bool ShellUserState(QUERY_USER_NOTIFICATION_STATE* state) { return SUCCEEDED(ShellUserNotificationState(state)); }

bool ScreenAway() {
  BOOL saver = FALSE;
  if (SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &saver, 0) && saver) return true;
  // The lock screen is a desktop of its own: while it has the input, ours cannot be opened.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_SWITCHDESKTOP);
  if (!input) return true;
  CloseDesktop(input);
  return false;
}

}  // namespace

MomentSources g_momentSources = {ShellUserState, ScreenAway};

bool IsFullscreenProgram(HWND window) {
  if (window == nullptr || window == GetDesktopWindow()) return false;
  // The shell's desktop, and the wallpaper layer that takes the foreground when
  // the desktop is clicked, both run on the shell window's thread.
  HWND shell = GetShellWindow();
  if (shell && GetWindowThreadProcessId(window, nullptr) == GetWindowThreadProcessId(shell, nullptr)) return false;
  // With the taskbar hiding itself, a maximised window's frame overhangs its
  // monitor: that is someone's document, not a fullscreen program.
  if (IsZoomed(window) && (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) return false;
  RECT r;
  MONITORINFO monitor;
  monitor.cbSize = sizeof monitor;
  if (!GetWindowRect(window, &r) || !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), &monitor))
    return false;
  // The monitor, not its work area: a window that leaves the taskbar showing is merely maximised.
  const RECT& m = monitor.rcMonitor;
  return r.left <= m.left && r.top <= m.top && r.right >= m.right && r.bottom >= m.bottom;
}

bool IsPeekMoment() {
  if (IsFullscreenProgram(GetForegroundWindow())) return false;
  QUERY_USER_NOTIFICATION_STATE state;
  if (g_momentSources.userState(&state)) {
    switch (state) {
      case QUNS_NOT_PRESENT:
      case QUNS_BUSY:
      case QUNS_RUNNING_D3D_FULL_SCREEN:
      case QUNS_PRESENTATION_MODE:
      case QUNS_QUIET_TIME:
        return false;
      default:
        break;
    }
  }
  return !g_momentSources.screenAway();
}
