#include "gdi_owners.h"

bool GdiBitmap::LoadFromResource(HINSTANCE module, UINT id) {
  Reset(LoadBitmapA(module, MAKEINTRESOURCEA(id)));
  return handle_ != nullptr;
}

bool GdiBitmap::CreateScreenCompatible(int width, int height) {
  DisplayDc screen;
  Reset(CreateCompatibleBitmap(screen, width, height));
  return handle_ != nullptr;
}

bool GdiBitmap::CreateScaled(HBITMAP source, int scale) {
  BITMAP size;
  if (source == nullptr || !GetObjectA(source, sizeof size, &size)) {
    Reset();
    return false;
  }
  GdiBitmap scaled;
  if (scaled.CreateScreenCompatible(size.bmWidth * scale, size.bmHeight * scale)) {
    MemoryDc from(source);
    MemoryDc to(scaled);
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, size.bmWidth * scale, size.bmHeight * scale, from, 0, 0, size.bmWidth, size.bmHeight,
               SRCCOPY);
  }
  Swap(scaled);
  return handle_ != nullptr;
}

void GdiBitmap::Reset(HBITMAP bitmap) {
  DeleteObject(handle_);
  handle_ = bitmap;
}

void GdiBitmap::Swap(GdiBitmap& other) {
  HBITMAP held = handle_;
  handle_ = other.handle_;
  other.handle_ = held;
}

int GdiBitmap::Width() const {
  if (!handle_) return 0;
  BITMAP bm;
  GetObjectA(handle_, sizeof bm, &bm);
  return bm.bmWidth;
}

int GdiBitmap::Height() const {
  if (!handle_) return 0;
  BITMAP bm;
  GetObjectA(handle_, sizeof bm, &bm);
  return bm.bmHeight;
}

HRGN CopyRegion(HRGN region) {
  if (region == nullptr) return nullptr;
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  if (copy != nullptr && CombineRgn(copy, region, nullptr, RGN_COPY) == ERROR) {
    DeleteObject(copy);
    copy = nullptr;
  }
  return copy;
}
