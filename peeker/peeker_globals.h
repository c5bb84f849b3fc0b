// Program-wide state of the peeker.
#pragma once

#include <windows.h>

class FrameWindow;
class DialogWindow;

extern HINSTANCE g_instance;
// The window or dialog object whose creation is in progress; bound to its handle
// by the first message the new window receives.
extern FrameWindow* g_pendingWindow;
extern DialogWindow* g_pendingDialog;
