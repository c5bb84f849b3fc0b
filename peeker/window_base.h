// Root of the window wrappers: owns one window handle.
#pragma once

#include <windows.h>

class WindowBase {
 public:
  WindowBase() = default;
  // Not virtual: the wrappers live on the stack or inside their owner.
  ~WindowBase() { DestroyWindow(hwnd); }
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  virtual int Run() = 0;

  HWND hwnd = nullptr;
};
