#include "preview_view.h"

#include "display_scale.h"
#include "indexed_bitmap_draw.h"

const char kPreviewClass[] = "LoopvuePreview";

ATOM RegisterControlClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass);
}

ATOM PreviewView::Register(HINSTANCE instance) { return RegisterControlClass(instance, kPreviewClass, WindowProc); }

void PreviewView::Attach(HWND control) {
  hwnd = control;
  SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void PreviewView::Show(const IndexedBitmap* canvas, HPALETTE palette, int width, int height) {
  ShowNothing();
  canvas_ = canvas;
  palette_ = palette;
  width_ = width;
  height_ = height;
  scale_ = canvas->width > 0 ? width / canvas->width : 1;
  if (scale_ < 1) scale_ = 1;
  if (Shrunk() && fullSize_.CreateScreenCompatible(canvas->width, canvas->height)) {
    MemoryDc fullSizeDc(fullSize_);
    SelectedPalette selected(fullSizeDc, palette);
    ::RealizePalette(fullSizeDc);
    DrawIndexedBitmap(canvas, fullSizeDc, 0, 0);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void PreviewView::ShowNothing() {
  fullSize_.Reset();
  canvas_ = nullptr;
  palette_ = nullptr;
  InvalidateRect(hwnd, nullptr, FALSE);
}

bool PreviewView::Shrunk() const {
  return canvas_ != nullptr && (width_ != canvas_->width * scale_ || height_ != canvas_->height * scale_);
}

void PreviewView::CanvasChanged(const RECT& rect) {
  if (canvas_ == nullptr) return;
  if (!Shrunk()) {
    const RECT shown = {rect.left * scale_, rect.top * scale_, rect.right * scale_, rect.bottom * scale_};
    InvalidateRect(hwnd, &shown, FALSE);
    return;
  }
  // Only what changed is drawn again at full size; the scaled copy then takes
  // the rectangle it covers, rounded outwards.
  {
    MemoryDc fullSizeDc(fullSize_);
    SelectedPalette selected(fullSizeDc, palette_);
    ::RealizePalette(fullSizeDc);
    IntersectClipRect(fullSizeDc, rect.left, rect.top, rect.right, rect.bottom);
    DrawIndexedBitmap(canvas_, fullSizeDc, 0, 0);
  }
  RECT shown = {MulDiv(rect.left, width_, canvas_->width) - 1, MulDiv(rect.top, height_, canvas_->height) - 1,
                MulDiv(rect.right, width_, canvas_->width) + 1, MulDiv(rect.bottom, height_, canvas_->height) + 1};
  InvalidateRect(hwnd, &shown, FALSE);
}

void PreviewView::RealizePalette() {
  if (palette_ == nullptr) return;
  {
    WindowDc dc(hwnd);
    SelectedPalette selected(dc, palette_);
    ::RealizePalette(dc);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void PreviewView::Paint() {
  PaintDc dc(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  if (canvas_ == nullptr) {
    PaintText(dc, client);
    return;
  }
  SelectedPalette selected(dc, palette_);
  ::RealizePalette(dc);
  if (!Shrunk()) {
    DrawIndexedBitmap(canvas_, dc, 0, 0, scale_);
    return;
  }
  // Shrinking averages the pixels it drops instead of keeping one of each few.
  MemoryDc fullSizeDc(fullSize_);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, 0, 0, width_, height_, fullSizeDc, 0, 0, canvas_->width, canvas_->height, SRCCOPY);
}

// The control's text in the middle of a dashed frame: where files may be dropped.
void PreviewView::PaintText(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  {
    const GdiPen pen(CreatePen(PS_DOT, 1, GetSysColor(COLOR_GRAYTEXT)));
    const SelectedObject dashed(dc, pen);
    const SelectedObject hollow(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
  }

  char text[512];
  GetWindowTextA(hwnd, text, sizeof text);
  const SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(hwnd), WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT box = client;
  const int margin = MulDiv(12, static_cast<int>(DpiOfWindow(hwnd)), kDesignDpi);
  InflateRect(&box, -margin, -margin);
  RECT measured = box;
  DrawTextA(dc, text, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
  OffsetRect(&box, 0, (box.bottom - box.top - (measured.bottom - measured.top)) / 2);
  DrawTextA(dc, text, -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CALLBACK PreviewView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PreviewView* view = reinterpret_cast<PreviewView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (view != nullptr) {
    if (message == WM_PAINT) {
      view->Paint();
      return 0;
    }
    if (message == WM_SETTEXT) {
      LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return result;
    }
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, message, wParam, lParam);
}
