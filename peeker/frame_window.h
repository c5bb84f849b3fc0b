// A window that registers its own class and runs a plain message loop.
#pragma once

#include "window_base.h"

class FrameWindow : public WindowBase {
 public:
  // The message loop, while the window exists; returns the last message's wParam.
  int Run() override;
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Registers class `name` and creates the window, bound to this object.
  void Create(const char* name, HWND parent, DWORD style, DWORD exStyle = 0);

  char className[80] = "";
};

// The class's window procedure: binds a new window to g_pendingWindow on its first
// message and hands every message to the object.
LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
