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

// The object behind `hwnd`: the one stored in GWL_USERDATA, or on the window's
// first message the pending one, which is then stored, bound and cleared.
template <typename T>
T* BoundObject(HWND hwnd, T*& pending) {
  T* object = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (object == nullptr && pending != nullptr) {
    object = pending;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    object->hwnd = hwnd;
    pending = nullptr;
  }
  return object;
}
