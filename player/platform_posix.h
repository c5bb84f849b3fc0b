// The few Windows kernel calls of the player's core, mapped onto the C library so
// the core builds and runs natively. Semantics follow the Windows documentation as
// far as the core relies on them: results, sizes and terminators.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD COLORREF;
// Paths are bytes here; the core calls the wide Windows functions by their
// names, over these bytes.
typedef char PathChar;
#define PATH_TEXT(text) text

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define FILE_BEGIN 0u
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define GMEM_FIXED 0u
#define ERROR_SHARING_VIOLATION 32u
#define BI_RGB 0

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct BITMAPINFO;

// Global memory: a fixed block is its own handle, and locking it is a no-op.
inline HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }
inline LPVOID GlobalLock(HGLOBAL block) { return block; }
inline HGLOBAL GlobalHandle(LPCVOID pointer) { return const_cast<void*>(pointer); }
inline BOOL GlobalUnlock(HGLOBAL) { return FALSE; }
inline HGLOBAL GlobalFree(HGLOBAL block) {
  std::free(block);
  return nullptr;
}

// Files: a handle is a stdio stream.
inline HANDLE CreateFileW(const PathChar* path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  const char* mode = (access & GENERIC_WRITE) ? (disposition == CREATE_ALWAYS ? "wb" : "r+b") : "rb";
  FILE* file = std::fopen(path, mode);
  return file ? static_cast<HANDLE>(file) : INVALID_HANDLE_VALUE;
}

inline BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* done, void*) {
  FILE* stream = static_cast<FILE*>(file);
  if (file == nullptr || file == INVALID_HANDLE_VALUE || buffer == nullptr) {
    if (done) *done = 0;
    return FALSE;
  }
  size_t got = std::fread(buffer, 1, count, stream);
  if (done) *done = static_cast<DWORD>(got);
  return std::ferror(stream) ? FALSE : TRUE;
}

inline BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* done, void*) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE || buffer == nullptr) return FALSE;
  size_t put = std::fwrite(buffer, 1, count, static_cast<FILE*>(file));
  if (done) *done = static_cast<DWORD>(put);
  return put == count ? TRUE : FALSE;
}

inline DWORD SetFilePointer(HANDLE file, LONG offset, LONG*, DWORD) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return INVALID_SET_FILE_POINTER;
  if (std::fseek(static_cast<FILE*>(file), offset, SEEK_SET) != 0) return INVALID_SET_FILE_POINTER;
  return static_cast<DWORD>(offset);
}

inline BOOL CloseHandle(HANDLE file) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return FALSE;
  return std::fclose(static_cast<FILE*>(file)) == 0 ? TRUE : FALSE;
}

inline BOOL DeleteFileW(const PathChar* path) { return std::remove(path) == 0 ? TRUE : FALSE; }

// The C library has no sharing modes: no open fails for a file held elsewhere.
inline DWORD GetLastError() { return 0; }

// Environment: the result is the length copied, or the size needed (terminator
// included) when the buffer is too small, or 0 when the variable is unset or empty.
inline DWORD GetEnvironmentVariableW(const PathChar* name, PathChar* buffer, DWORD size) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return 0;
  size_t length = std::strlen(value);
  if (length + 1 > size) return static_cast<DWORD>(length + 1);
  std::memcpy(buffer, value, length + 1);
  return static_cast<DWORD>(length);
}

inline BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  return (value ? setenv(name, value, 1) : unsetenv(name)) == 0 ? TRUE : FALSE;
}

// There is no Windows directory here; the system's temporary directory stands in.
inline UINT GetWindowsDirectoryW(PathChar* buffer, UINT size) {
  static const char kDirectory[] = "/tmp";
  if (sizeof kDirectory > size) return sizeof kDirectory;
  std::memcpy(buffer, kDirectory, sizeof kDirectory);
  return sizeof kDirectory - 1;
}
