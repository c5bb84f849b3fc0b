#include "support/win_driver.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "native_path.h"
#include "support/dib_info.h"
#include "support/scratch_dir.h"

namespace {

// The current environment with TEMP and TMP set to `tempDir`, as a wide
// CreateProcess block: a folder named in any script comes through whole.
std::wstring Environment(const std::string& tempDir) {
  const std::string added[] = {"TEMP=" + tempDir, "TMP=" + tempDir};
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  auto name = [](const std::string& variable) { return variable.substr(0, variable.find('=', 1) + 1); };
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
    const std::string given = name(Utf8(entry));
    bool replaced = false;
    for (const std::string& variable : added) replaced = replaced || _stricmp(name(variable).c_str(), given.c_str()) == 0;
    if (!replaced) block.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(strings);
  for (const std::string& variable : added) block.append(Utf16(variable).c_str()).push_back(L'\0');
  block.push_back(L'\0');
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

struct DialogSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64];
  GetClassNameA(window, name, sizeof name);
  if (owner == search->processId && IsWindowVisible(window) && std::strcmp(name, "#32770") == 0)
    search->found.push_back(window);
  return TRUE;
}

template <typename T>
bool ReadRemote(HANDLE process, uint64_t address, T* value) {
  SIZE_T got = 0;
  return address != 0 && address < 0x100000000ull &&
         ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<uintptr_t>(address)), value, sizeof *value,
                           &got) &&
         got == sizeof *value;
}

// One slot of the GDI handle table: the object's type is 0 while the slot is free.
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the table's layout");
const size_t kGdiTableSlots = 0x10000;

struct ThreadBasics {
  LONG exitStatus;
  void* teb;
  CLIENT_ID clientId;
  ULONG_PTR affinity;
  LONG priority;
  LONG basePriority;
};

// The address of the GDI handle table in `process`, whose first thread is `thread`.
uint64_t GdiTableAddress(HANDLE process, HANDLE thread) {
  using Query = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto queryProcess = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));
  auto queryThread = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationThread")));
  if (!queryProcess || !queryThread) return 0;

  // The 32-bit environment block's GdiSharedHandleTable, at 0x94.
  PROCESS_BASIC_INFORMATION process32 = {};
  uint32_t table32 = 0;
  if (queryProcess(process, 0, &process32, sizeof process32, nullptr) == 0 &&
      ReadRemote(process, reinterpret_cast<uintptr_t>(process32.PebBaseAddress) + 0x94, &table32) && table32 != 0)
    return table32;

  // Under WoW64 the table is published in the 64-bit block instead: the 32-bit
  // thread block's GdiBatchCount (0xF70) holds the 64-bit thread block, whose
  // 0x60 holds the 64-bit environment block, whose 0xF8 holds the table.
  ThreadBasics basics = {};
  uint32_t teb64 = 0;
  uint64_t peb64 = 0, table64 = 0;
  if (queryThread(thread, 0, &basics, sizeof basics, nullptr) != 0) return 0;
  if (!ReadRemote(process, reinterpret_cast<uintptr_t>(basics.teb) + 0xF70, &teb64)) return 0;
  if (!ReadRemote(process, uint64_t{teb64} + 0x60, &peb64)) return 0;
  if (!ReadRemote(process, peb64 + 0xF8, &table64)) return 0;
  return table64;
}

}  // namespace

Program::Program(const std::string& commandLine, const std::string& tempDir) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  WideText command = Utf16(commandLine);
  std::wstring environment = tempDir.empty() ? std::wstring() : Environment(tempDir);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
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

std::vector<HWND> Program::Dialogs() const {
  DialogSearch search{process_.dwProcessId, {}};
  EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::WaitForDialog(DWORD timeoutMs) const {
  HWND dialog = nullptr;
  PumpUntil([&] {
    std::vector<HWND> dialogs = Dialogs();
    dialog = dialogs.empty() ? nullptr : dialogs[0];
    return dialog != nullptr;
  }, timeoutMs);
  return dialog;
}

DWORD Program::WaitForExit(DWORD timeoutMs) {
  if (!process_.hProcess) return STILL_ACTIVE;
  WaitForSingleObject(process_.hProcess, timeoutMs);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::string Program::ModuleFile(const char* name) const {
  HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_.dwProcessId);
  if (modules == INVALID_HANDLE_VALUE) return std::string();
  std::string file;
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(modules, &module); more && file.empty(); more = Module32NextW(modules, &module))
    if (lstrcmpiW(module.szModule, Utf16(name).c_str()) == 0) file = Utf8(module.szExePath);
  CloseHandle(modules);
  return file;
}

int Program::GdiObjects() const {
  uint64_t table = GdiTableAddress(process_.hProcess, process_.hThread);
  std::vector<GdiHandleEntry> entries(kGdiTableSlots);
  SIZE_T got = 0;
  if (table == 0 || table >= 0x100000000ull ||
      !ReadProcessMemory(process_.hProcess, reinterpret_cast<void*>(static_cast<uintptr_t>(table)), entries.data(),
                         entries.size() * sizeof entries[0], &got) ||
      got != entries.size() * sizeof entries[0])
    return -1;
  int live = 0;
  for (const GdiHandleEntry& entry : entries) live += entry.type != 0;
  return live;
}

size_t Program::CommittedBytes() const {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  uintptr_t address = 0;
  while (VirtualQueryEx(process_.hProcess, reinterpret_cast<void*>(address), &region, sizeof region) ==
         sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump();
    Sleep(1);
  }
  return true;
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

int HighDpiScale() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 96 ? (dpi + 48) / 96 : 0;
}

int LongRunLength(int full, int quick) {
  char soak[8];
  return GetEnvironmentVariableA("SOAK", soak, sizeof soak) > 0 ? full : quick;
}

namespace {

struct MonitorCount {
  int count = 0;
  RECT other = {};
};

BOOL CALLBACK CountMonitor(HMONITOR handle, HDC, RECT*, LPARAM param) {
  MonitorCount* found = reinterpret_cast<MonitorCount*>(param);
  MONITORINFO info;
  info.cbSize = sizeof info;
  found->count++;
  if (GetMonitorInfoA(handle, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY)) found->other = info.rcMonitor;
  return TRUE;
}

}  // namespace

bool SecondMonitor(RECT* monitor) {
  MonitorCount found;
  EnumDisplayMonitors(nullptr, nullptr, CountMonitor, reinterpret_cast<LPARAM>(&found));
  if (found.count != 2) return false;
  *monitor = found.other;
  return true;
}

PlantedWinmm::PlantedWinmm(const std::string& folder) : folder_(folder) {
  CopyFileW(Utf16(WindowsPath(PLANTED_WINMM)).c_str(), Utf16(folder + "\\winmm.dll").c_str(), FALSE);
}

PlantedWinmm::~PlantedWinmm() {
  for (const std::wstring& key : overridden_) {
    RegDeleteKeyW(HKEY_CURRENT_USER, (key + L"\\DllOverrides").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  }
}

std::string PlantedWinmm::CopyIn(const std::string& program) {
  const std::string name = program.substr(program.find_last_of("/\\") + 1);
  const std::string copy = folder_ + "\\" + name;
  if (!CopyFileW(Utf16(WindowsPath(program)).c_str(), Utf16(copy).c_str(), FALSE)) return std::string();
  // What WINEDLLOVERRIDES="winmm=n,b" would say, for this program alone.
  overridden_.push_back(L"Software\\Wine\\AppDefaults\\" + std::wstring(Utf16(name).c_str()));
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, (overridden_.back() + L"\\DllOverrides").c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return std::string();
  }
  static const wchar_t kNativeFirst[] = L"native,builtin";
  const LSTATUS set =
      RegSetValueExW(key, L"winmm", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
  RegCloseKey(key);
  return set == ERROR_SUCCESS ? copy : std::string();
}

bool PlantedWinmm::Loaded() const { return FileExists(folder_ + "\\planted-winmm-was-loaded"); }

std::string WindowsPath(const std::string& path) {
  if (path.size() > 1 && path[1] == ':') return path;
  std::string result = "Z:" + path;
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}
