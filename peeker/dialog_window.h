// A modeless dialog created from a template, with its own dialog message loop.
#pragma once

#include "window_base.h"

class DialogWindow : public WindowBase {
 public:
  // The dialog loop: dispatches every message of the thread while the dialog
  // exists; returns the last message's wParam.
  int Run() override;
  virtual BOOL DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  HWND Create(WORD templateId, HWND owner);
  LRESULT SetCheck(int id, bool on);
  bool IsChecked(int id);
};

// The dialogs' procedure: binds a new dialog to g_pendingDialog on its first
// message and hands every message to the object.
INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
