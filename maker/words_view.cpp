#include "words_view.h"

#include "preview_view.h"

const char kWordsViewClass[] = "LoopvueWords";

ATOM WordsView::Register(HINSTANCE instance) { return RegisterControlClass(instance, kWordsViewClass, WindowProc); }

void WordsView::Attach(HWND control) {
  hwnd = control;
  SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

int WordsView::Show(const std::wstring& words, int width, int scale, int maxHeight) {
  words_ = words;
  band_->height = 0;
  if (!words_.empty()) {
    font_.Reset(CreateWordsFont(scale));
    const WindowDc dc(hwnd);
    const SelectedObject font(dc, font_);
    band_->Layout(dc, words_.c_str(), static_cast<int>(words_.size()), width, maxHeight, kWordsBandMargin * scale);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  return band_->height;
}

void WordsView::Paint() {
  PaintDc dc(hwnd);
  if (words_.empty()) return;
  RECT client;
  GetClientRect(hwnd, &client);
  const SelectedObject font(dc, font_);
  band_->Draw(dc, client);
}

LRESULT CALLBACK WordsView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WordsView* view = reinterpret_cast<WordsView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (view != nullptr && message == WM_PAINT) {
    view->Paint();
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, message, wParam, lParam);
}
