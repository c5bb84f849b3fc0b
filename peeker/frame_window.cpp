#include "frame_window.h"

#include <cstring>

#include "peeker_globals.h"

int FrameWindow::Run() {
  MSG msg = {};
  // IsWindow first: once a dispatch has destroyed the window the loop ends without
  // retrieving the quit message.
  while (IsWindow(hwnd)) {
    if (GetMessageA(&msg, nullptr, 0, 0) != 1) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  UnregisterClassA(className, g_instance);
  hwnd = nullptr;
  return static_cast<int>(msg.wParam);
}

void FrameWindow::Create(const char* name, HWND parent, DWORD style, DWORD exStyle) {
  g_pendingWindow = this;
  std::strcpy(className, name);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = StaticWindowProc;
  windowClass.hInstance = g_instance;
  windowClass.hIcon = LoadIconA(g_instance, className);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszMenuName = className;
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  CreateWindowExA(exStyle, className, className, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                  nullptr, g_instance, nullptr);
}

LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  FrameWindow* object = BoundObject(hwnd, g_pendingWindow);
  if (object) return object->WindowProc(msg, wParam, lParam);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
