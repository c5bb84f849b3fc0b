// Owners of the GDI handles the programs use, one class for each way a handle is
// given back. Each holds its handle privately, gives it back in its destructor
// and cannot be copied: a copy would give it back twice. Read one where a handle
// is wanted: it converts to its handle.
#pragma once

#include <windows.h>

// A bitmap, deleted on Reset and destruction.
class GdiBitmap {
 public:
  GdiBitmap() = default;
  ~GdiBitmap() { Reset(); }
  GdiBitmap(const GdiBitmap&) = delete;
  GdiBitmap& operator=(const GdiBitmap&) = delete;

  operator HBITMAP() const { return handle_; }

  // Bitmap `id` of `module`, in place of the one held.
  bool LoadFromResource(HINSTANCE module, UINT id);
  // A bitmap of the screen's format, in place of the one held.
  bool CreateScreenCompatible(int width, int height);
  // `source` enlarged `scale` times, each pixel an exact square, in place of
  // the one held.
  bool CreateScaled(HBITMAP source, int scale);
  // Deletes the bitmap held; from now on holds `bitmap`.
  void Reset(HBITMAP bitmap = nullptr);
  // Trades bitmaps with `other`, so a bitmap made on the side replaces this one
  // and the one it replaces goes with `other`.
  void Swap(GdiBitmap& other);
  // 0 when empty.
  int Width() const;
  int Height() const;

 private:
  HBITMAP handle_ = nullptr;
};

// A GDI object that is deleted with DeleteObject on Reset and destruction: a
// palette, a region, a pen.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  operator Handle() const { return handle_; }

  // Deletes the object held; from now on holds `handle`.
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using GdiPalette = GdiObject<HPALETTE>;
using GdiRegion = GdiObject<HRGN>;
using GdiPen = GdiObject<HPEN>;

// A new region of the shape of `region`, for a caller that hands it on
// (SetWindowRgn keeps the region it is given); null for none.
HRGN CopyRegion(HRGN region);

// A device context that is deleted: one that CreateDCA or CreateCompatibleDC made.
class GdiDc {
 public:
  explicit GdiDc(HDC dc) : dc_(dc) {}
  ~GdiDc() { DeleteDC(dc_); }
  GdiDc(const GdiDc&) = delete;
  GdiDc& operator=(const GdiDc&) = delete;

  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// A device context for the whole screen.
class DisplayDc : public GdiDc {
 public:
  DisplayDc() : GdiDc(CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {}
};

// A memory device context with a bitmap selected. The DC's own bitmap goes back in
// before the DC is deleted, so the bitmap is free to be selected elsewhere or
// deleted; the bitmap's owner must outlive this one.
class MemoryDc : public GdiDc {
 public:
  explicit MemoryDc(HBITMAP bitmap) : GdiDc(CreateCompatibleDC(nullptr)), previous_(SelectObject(*this, bitmap)) {}
  ~MemoryDc() { SelectObject(*this, previous_); }

 private:
  HGDIOBJ previous_;
};

// The client area's device context of a window, from the system's cache: released,
// never deleted.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() { ReleaseDC(window_, dc_); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The device context of one WM_PAINT. Ending it validates what it was to repaint,
// so a window procedure makes one for every WM_PAINT, drawing or not.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { BeginPaint(window, &paint_); }
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  operator HDC() const { return paint_.hdc; }

 private:
  HWND window_;
  PAINTSTRUCT paint_;
};

// An object selected into a device context; what was selected before goes back
// in when this one goes, so the object is free to be deleted after it.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A logical palette selected into a device context as the foreground palette. The
// palette selected before goes back in when this one goes, as a background
// palette with `restoreInBackground`.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette, bool restoreInBackground = false)
      : dc_(dc), previous_(SelectPalette(dc, palette, FALSE)), restoreInBackground_(restoreInBackground) {}
  ~SelectedPalette() { SelectPalette(dc_, previous_, restoreInBackground_); }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;

 private:
  HDC dc_;
  HPALETTE previous_;
  bool restoreInBackground_;
};
