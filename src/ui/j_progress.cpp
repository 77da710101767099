#include "ui/j_progress.h"

#include <commctrl.h>

#include "ui/resource.h"

JProgress::JProgress(HWND dialog, RunState& state, int progressBarId)
    : dialog_(dialog), state_(state), progressBarId_(progressBarId) {}

JProgress::~JProgress() {
  for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetWindowLongW(child, GWL_ID);
    if (id == IDC_STATUS_LINE || id == IDC_PROGRESS) {
      ShowWindow(child, SW_HIDE);
    } else {
      EnableWindow(child, TRUE);
    }
    if (id == IDC_EXECUTE) SetWindowTextW(child, L"実行");
  }
  EnableWindow(GetDlgItem(dialog_, IDC_ZONE_LIST),
               IsDlgButtonChecked(dialog_, IDC_USE_FALLBACK_ZONE) == BST_CHECKED);
}

int JProgress::Begin() {
  HWND bar = GetDlgItem(dialog_, progressBarId_);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  state_.cancelRequested = 0;
  for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetWindowLongW(child, GWL_ID);
    if (id == IDC_STATUS_LINE || id == IDC_PROGRESS) {
      ShowWindow(child, SW_SHOW);
    } else {
      EnableWindow(child, FALSE);
    }
    if (id == IDC_EXECUTE) {
      SetWindowTextW(child, L"キャンセル");
      EnableWindow(child, TRUE);
    }
  }
  pumpMessages();
  return 1;
}

int JProgress::SetRatio(double ratio) {
  // Truncated toward zero; a ratio outside 0 to 1 (or not a number) is held to the bar's range
  // rather than converted out of the int range.
  double percent = ratio * 100.0;
  int position = 0;
  if (percent >= 100.0) {
    position = 100;
  } else if (percent > 0.0) {
    position = static_cast<int>(percent);
  }
  SendDlgItemMessageW(dialog_, progressBarId_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  pumpMessages();
  return state_.cancelRequested;
}

int JProgress::SetPosition(std::int64_t done, std::int64_t total) {
  double ratio = 0.0;
  if (total != 0) ratio = static_cast<double>(done) / static_cast<double>(total);
  return SetRatio(ratio);
}

void JProgress::SetText(const std::wstring& text) {
  SetDlgItemTextW(dialog_, IDC_STATUS_LINE, text.c_str());
  pumpMessages();
}

bool JProgress::isDroppedDuringRun(UINT message) {
  switch (message) {
    case WM_CONTEXTMENU:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case WM_SYSCOMMAND:
    case WM_INITMENU:
    case WM_MENUSELECT:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

void JProgress::pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to consume: the loop that owns the program's end must still see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (isDroppedDuringRun(message.message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}
