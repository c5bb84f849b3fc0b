#include "support/win_driver.h"

#include <cstring>
#include "support/dib_info.h"

namespace {

// The current environment with TEMP and TMP replaced, as a CreateProcess block.
std::string EnvironmentWithTemp(const std::string& tempDir) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
    if (_strnicmp(entry, "TEMP=", 5) == 0 || _strnicmp(entry, "TMP=", 4) == 0) continue;
    block.append(entry).push_back('\0');
  }
  FreeEnvironmentStringsA(strings);
  block.append("TEMP=" + tempDir).push_back('\0');
  block.append("TMP=" + tempDir).push_back('\0');
  block.push_back('\0');
  return block;
}

struct WindowSearch {
  DWORD processId;
  const char* className;
  const char* title;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  char text[256];
  if (search->className) {
    GetClassNameA(window, text, sizeof text);
    if (std::strcmp(text, search->className) != 0) return TRUE;
  }
  if (search->title) {
    GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, search->title) != 0) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

Program::Program(const std::string& commandLine, const std::string& tempDir) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string command = commandLine;
  std::string environment = tempDir.empty() ? std::string() : EnvironmentWithTemp(tempDir);
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0,
                      environment.empty() ? nullptr : &environment[0], nullptr, &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
  }
}

Program::~Program() {
  if (!process_.hProcess) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND Program::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  for (;;) {
    WindowSearch search = {process_.dwProcessId, className, title, true, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount() - start > timeoutMs) return search.found;
    if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
  }
}

HWND Program::AnyWindow() const {
  WindowSearch search = {process_.dwProcessId, nullptr, nullptr, false, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD Program::WaitForExit(DWORD timeoutMs) {
  if (!process_.hProcess) return STILL_ACTIVE;
  WaitForSingleObject(process_.hProcess, timeoutMs);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

Capture CaptureScreen(int left, int top, int width, int height) {
  Capture capture;
  capture.width = width;
  capture.height = height;
  BITMAPINFO info = TopDownInfo32(width, height);
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP surface = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, surface);
  BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
  GdiFlush();
  const DWORD* pixels = static_cast<const DWORD*>(bits);
  capture.pixels.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < capture.pixels.size(); i++) capture.pixels[i] = pixels[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

Capture CaptureClient(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return CaptureScreen(origin.x, origin.y, client.right, client.bottom);
}

std::string WindowsPath(const std::string& path) {
  if (path.size() > 1 && path[1] == ':') return path;
  std::string result = "Z:" + path;
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}
