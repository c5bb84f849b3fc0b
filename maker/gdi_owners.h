// Owners of the GDI handles the preview keeps between paints; each releases its
// handle in its destructor and cannot be copied.
#pragma once

#include <windows.h>

// A palette, bitmap or other object deleted with DeleteObject.
class GdiObject {
 public:
  GdiObject() = default;
  ~GdiObject() { Reset(nullptr); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  // Takes `object`, deleting the one held before.
  void Reset(HGDIOBJ object) {
    if (handle != nullptr) DeleteObject(handle);
    handle = object;
  }

  HGDIOBJ handle = nullptr;
};

// A memory device context; whatever was selected into it is selected out again
// before it is deleted, so the objects' owners can delete them.
class MemoryDc {
 public:
  MemoryDc() = default;
  ~MemoryDc() { Reset(); }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  // A context compatible with the screen, holding `bitmap`.
  void Create(HBITMAP bitmap) {
    Reset();
    dc = CreateCompatibleDC(nullptr);
    oldBitmap = SelectObject(dc, bitmap);
  }
  void Reset() {
    if (dc == nullptr) return;
    SelectObject(dc, oldBitmap);
    if (oldPalette != nullptr) SelectPalette(dc, oldPalette, FALSE);
    DeleteDC(dc);
    dc = nullptr;
    oldPalette = nullptr;
  }
  void SelectPaletteOnce(HPALETTE palette) {
    HPALETTE old = SelectPalette(dc, palette, FALSE);
    if (oldPalette == nullptr) oldPalette = old;
    RealizePalette(dc);
  }

  HDC dc = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HPALETTE oldPalette = nullptr;
};
