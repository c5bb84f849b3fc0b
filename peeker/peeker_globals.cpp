#include "peeker_globals.h"

HINSTANCE g_instance;
FrameWindow* g_pendingWindow;
DialogWindow* g_pendingDialog;
