#include "gdi_bitmap.h"

#include "peeker_globals.h"

BOOL GdiBitmap::LoadFromResource(UINT id) {
  Reset();
  handle = LoadBitmapA(g_instance, MAKEINTRESOURCEA(id & 0xFFFF));
  return handle != nullptr;
}

BOOL GdiBitmap::CreateScreenCompatible(int width, int height) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  handle = CreateCompatibleBitmap(display, width, height);
  DeleteDC(display);
  return handle != nullptr;
}

void GdiBitmap::Reset() {
  DeleteObject(handle);
  handle = nullptr;
}

int GdiBitmap::Width() const {
  if (!handle) return 0;
  BITMAP bm;
  GetObjectA(handle, sizeof bm, &bm);
  return bm.bmWidth;
}

int GdiBitmap::Height() const {
  if (!handle) return 0;
  BITMAP bm;
  GetObjectA(handle, sizeof bm, &bm);
  return bm.bmHeight;
}
