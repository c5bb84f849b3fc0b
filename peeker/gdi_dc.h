// Owners of device contexts, released in their destructors.
#pragma once

#include <windows.h>

class GdiDc {
 public:
  GdiDc() = default;
  ~GdiDc() { DeleteDC(dc); }
  GdiDc(const GdiDc&) = delete;
  GdiDc& operator=(const GdiDc&) = delete;

  HDC dc = nullptr;
};

// A device context for the whole screen.
class DisplayDc : public GdiDc {
 public:
  DisplayDc() { dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr); }
};

// A memory device context with a bitmap selected, which it gives back before the
// context is deleted. It never owns the bitmap.
class MemoryDc : public GdiDc {
 public:
  explicit MemoryDc(HBITMAP bitmap) {
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~MemoryDc() { SelectObject(dc, previous); }

  HGDIOBJ previous;
};
