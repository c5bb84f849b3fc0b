#include "dialog_window.h"

#include "peeker_globals.h"

int DialogWindow::Run() {
  MSG msg = {};
  while (IsWindow(hwnd)) {
    if (GetMessageA(&msg, nullptr, 0, 0) != 1) break;
    if (!IsDialogMessageA(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  hwnd = nullptr;
  return static_cast<int>(msg.wParam);
}

HWND DialogWindow::Create(WORD templateId, HWND owner) {
  g_pendingDialog = this;
  return CreateDialogParamA(g_instance, MAKEINTRESOURCEA(templateId), owner, StaticDialogProc, 0);
}

LRESULT DialogWindow::SetCheck(int id, bool on) {
  return SendDlgItemMessageA(hwnd, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogWindow::IsChecked(int id) { return SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogWindow* object = BoundObject(hwnd, g_pendingDialog);
  return object ? object->DialogProc(msg, wParam, lParam) : FALSE;
}
