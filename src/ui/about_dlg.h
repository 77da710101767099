// The About box (template 100): the application icon, "Larkspan Ver2" and an OK button.
#pragma once

#include <windows.h>

class CAboutDlg {
 public:
  // Runs the box modally, owned by `owner`; returns the command that closed it.
  INT_PTR DoModal(HWND owner);
  // Creates the box modeless (for tests and screenshots); the caller destroys it.
  HWND CreateModeless(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
