// The About dialog opened by a click on the character: a joke caption, art, Kill,
// Continue and the Audio switch.
#pragma once

#include "dialog_window.h"
#include "gdi_owners.h"

const int kAboutCaptionCount = 7;
// The font of the dialog's template.
const int kAboutFontPoints = 8;
const char kAboutFontFace[] = "MS Sans Serif";
extern const char* const aboutCaptions[kAboutCaptionCount];
// Set while a click is being handled, the dialog's whole life included.
extern bool aboutBusy;

class AboutDialog : public DialogWindow {
 public:
  BOOL DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Loads the art and creates the dialog, owned by `owner`.
  void Open(HWND owner);

  bool audioOn = true;
  bool killRequested = false;
  GdiBitmap artTop;
  GdiBitmap artMiddle;
  GdiBitmap artBottom;
  // How many times its size the art is drawn: the dialog's DPI's whole-number
  // scale, as the template's font scales the rest of the dialog.
  int artScale = 1;

 private:
  void LoadArt(UINT dpi);
  void FitLayoutToArt();
  void OnPaint();
  void OnCommand(WORD id);
};
