#include "ui/about_dlg.h"

#include "ui/resource.h"

INT_PTR CAboutDlg::DoModal(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner,
                         &CAboutDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CAboutDlg::CreateModeless(HWND owner) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner,
                            &CAboutDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

// The box has no behaviour of its own: OK, Enter, Escape and the close box end it.
INT_PTR CALLBACK CAboutDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
