#include "about_dialog.h"

#include <mmsystem.h>

#include "blit.h"
#include "display_scale.h"
#include "gdi_owners.h"
#include "peeker_globals.h"
#include "random.h"
#include "resource.h"
#include "sprite_clip.h"

bool aboutBusy;

const char* const aboutCaptions[kAboutCaptionCount] = {
    "Zorblatt,Mastor Of All Cheese",       "It's Zorblatt Time Baby",      "Zorblatt Is Your Best Friend",
    "Zorblatt Is Now In Control",          "Zorblatt Is Going To Get You", "Zorblatt,Ruler Of All Squishy Things",
    "Zorblatt,Half Man,Half Man",
};

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
// A wave resource of the module, played to its end before the call returns.
const DWORD kGoodbyeSoundFlags = SND_RESOURCE | SND_SYNC;

}  // namespace

void AboutDialog::Open(HWND owner) {
  LoadArt(kDesignDpi);
  Create(IDD_ABOUT, owner);
  // Only the dialog knows the DPI of the monitor it opened on.
  const UINT dpi = DpiOfWindow(hwnd);
  if (PixelScale(dpi) != artScale) LoadArt(dpi);
  FitLayoutToArt();
}

namespace {

// The dialog units of the template's font at 96 DPI, as the dialog manager
// measures them: a quarter of its average letter's width, an eighth of its height.
SIZE DesignDialogUnits() {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(kAboutFontPoints, kDesignDpi, 72);
  lstrcpyA(font.lfFaceName, kAboutFontFace);
  GdiObject<HFONT> made(CreateFontIndirectA(&font));
  GdiDc dc(CreateCompatibleDC(nullptr));
  SelectedObject selected(dc, made);
  TEXTMETRICA metrics;
  SIZE letters = {0, 0};
  const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (!GetTextMetricsA(dc, &metrics) || !GetTextExtentPoint32A(dc, kLetters, 52, &letters)) return SIZE{0, 0};
  return SIZE{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace

// The dialog manager lays the dialog out in its font's units, which grow with
// the DPI but not always by as much as the art's whole number (at 150% by 1.5
// against 2, and a font's sizes never quite in step). The controls and the
// dialog take the art's scale of the design's 96 DPI layout instead, so that
// the art keeps its places beside the buttons.
void AboutDialog::FitLayoutToArt() {
  const SIZE design = DesignDialogUnits();
  RECT units = {0, 0, 4, 8};
  if (hwnd == nullptr || design.cx == 0 || !MapDialogRect(hwnd, &units) || units.right == 0 || units.bottom == 0) return;
  const int toX = artScale * design.cx, fromX = units.right, toY = artScale * design.cy, fromY = units.bottom;
  if (toX == fromX && toY == fromY) return;
  for (HWND control = GetWindow(hwnd, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(control, MulDiv(r.left, toX, fromX), MulDiv(r.top, toY, fromY), MulDiv(r.right - r.left, toX, fromX),
               MulDiv(r.bottom - r.top, toY, fromY), FALSE);
  }
  RECT window, client;
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + MulDiv(client.right, toX, fromX) - client.right,
               window.bottom - window.top + MulDiv(client.bottom, toY, fromY) - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutDialog::LoadArt(UINT dpi) {
  artTop.LoadFromResource(g_instance, IDB_ABOUT_TITLE);
  artMiddle.LoadFromResource(g_instance, IDB_ABOUT_MIDDLE);
  artBottom.LoadFromResource(g_instance, IDB_ABOUT_BOTTOM);
  artScale = PixelScale(dpi);
  if (artScale == 1) return;
  GdiBitmap* const art[] = {&artTop, &artMiddle, &artBottom};
  for (GdiBitmap* picture : art) {
    GdiBitmap scaled;
    scaled.CreateScaled(*picture, artScale);
    picture->Swap(scaled);
  }
}

BOOL AboutDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_INITDIALOG:
      SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(aboutCaptions[RandomInRange(0, kAboutCaptionCount - 1)]));
      if (audioOn) SetCheck(IDC_AUDIO, true);
      return TRUE;  // the focus goes to the first tab stop, Kill
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: the dialog manager scales the rest.
      LoadArt(HIWORD(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return FALSE;
  }
  return FALSE;
}

void AboutDialog::OnPaint() {
  PaintDc dc(hwnd);
  // The keyed blit needs black text and a white background, which the
  // dialog's own erase may have left otherwise.
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, kWhite);
  const int k = artScale;
  MemoryDc top(artTop);
  BlitCopy(dc, 25 * k, 12 * k, artTop.Width(), artTop.Height(), top, 0, 0, artTop.Width(), artTop.Height());
  MemoryDc middle(artMiddle);
  BlitKeyed(dc, 10 * k, 40 * k, artMiddle.Width(), artMiddle.Height(), middle, 0, 0, artMiddle.Width(),
            artMiddle.Height(), kWhite);
  MemoryDc bottom(artBottom);
  BlitKeyed(dc, 10 * k, 63 * k, artBottom.Width(), artBottom.Height(), bottom, 0, 0, artBottom.Width(),
            artBottom.Height(), kWhite);
}

void AboutDialog::OnCommand(WORD id) {
  if (id == IDOK) killRequested = true;
  if (id == IDOK || id == IDCANCEL) {
    if (audioOn) PlaySoundByOrdinal(MAKEINTRESOURCEA(IDW_GOODBYE), GetModuleHandleA(nullptr), kGoodbyeSoundFlags);
    DestroyWindow(hwnd);
  } else if (id == IDC_AUDIO) {
    audioOn = IsChecked(IDC_AUDIO);
  }
}
