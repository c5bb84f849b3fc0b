// Owner of one GDI bitmap handle, deleted on reset and destruction.
#pragma once

#include <windows.h>

class GdiBitmap {
 public:
  GdiBitmap() = default;
  ~GdiBitmap() { Reset(); }
  // Copies the handle only: the one copy made is of an empty bitmap, appended to a
  // list before its frame is loaded.
  GdiBitmap(const GdiBitmap&) = default;
  GdiBitmap& operator=(const GdiBitmap&) = delete;

  // Loads bitmap `id` of the program, releasing any bitmap held before.
  BOOL LoadFromResource(UINT id);
  // A display-compatible bitmap; the caller empties this owner first.
  BOOL CreateScreenCompatible(int width, int height);
  void Reset();
  int Width() const;
  int Height() const;

  HBITMAP handle = nullptr;
};
