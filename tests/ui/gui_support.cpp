#include "gui_support.h"

#include <algorithm>

#include "ui/shell_open.h"

namespace guitest {

namespace {

BoxAnswerer* activeAnswerer = nullptr;
std::vector<ShellCall> recordedCalls;
INT_PTR recordedResult = 42;

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The icon of a message box, recognised by comparing the shared system icons.
UINT boxIcon(HWND box) {
  HICON exclamation = LoadIconW(nullptr, IDI_EXCLAMATION);
  HICON question = LoadIconW(nullptr, IDI_QUESTION);
  UINT found = 0;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (className(child) != L"Static") continue;
    HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (icon == nullptr) continue;
    if (icon == exclamation) found = MB_ICONEXCLAMATION;
    if (icon == question) found = MB_ICONQUESTION;
  }
  return found;
}

INT_PTR recordShellCall(HWND owner, const std::wstring& path, int showCommand) {
  recordedCalls.push_back(ShellCall{owner, path, showCommand});
  return recordedResult;
}

}  // namespace

BoxAnswerer::BoxAnswerer(int yesNoAnswer) : yesNoAnswer_(yesNoAnswer) {
  activeAnswerer = this;
  hook_ = SetWindowsHookExW(WH_CBT, &BoxAnswerer::hookProc, nullptr, GetCurrentThreadId());
}

BoxAnswerer::~BoxAnswerer() {
  if (pollTimer_ != 0) KillTimer(nullptr, pollTimer_);
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  activeAnswerer = nullptr;
}

LRESULT CALLBACK BoxAnswerer::hookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && activeAnswerer != nullptr) {
    activeAnswerer->onActivate(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A message box is a dialog of class #32770 with an owner; its text is the static control
// 0xFFFF. Other owned dialogs (the About box) are recorded with their caption only.
void BoxAnswerer::onActivate(HWND window) {
  if (className(window) != L"#32770") return;
  HWND owner = GetWindow(window, GW_OWNER);
  if (owner == nullptr) return;
  // Each box is recorded and answered once, however often it is activated.
  if (GetPropW(window, L"guitest.seen") != nullptr) return;
  SetPropW(window, L"guitest.seen", reinterpret_cast<HANDLE>(1));

  SeenBox box;
  box.caption = windowText(window);
  box.owner = owner;
  HWND text = GetDlgItem(window, 0xFFFF);
  if (text != nullptr) box.text = windowText(text);
  box.hasYesNo = GetDlgItem(window, IDYES) != nullptr && GetDlgItem(window, IDNO) != nullptr;
  box.icon = boxIcon(window);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    LONG style = GetWindowLongW(child, GWL_STYLE);
    LONG kind = style & BS_TYPEMASK;
    // The box itself is not shown yet while it activates: look at the children's own style.
    bool shown = (style & WS_VISIBLE) != 0;
    if (className(child) == L"Button" && shown &&
        (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)) {
      box.buttons.push_back(windowText(child));
    }
    if (className(child) == L"Static" && shown) box.labels.push_back(windowText(child));
  }
  seen_.push_back(box);
  bool messageBox = text != nullptr;
  if (!messageBox && ready_) {
    waiting_ = window;
    pollStart_ = GetTickCount();
    pollTimer_ = SetTimer(nullptr, 0, 50, &BoxAnswerer::pollReady);
    return;
  }
  answer(window, box.hasYesNo ? yesNoAnswer_ : IDOK);
}

void BoxAnswerer::answer(HWND window, int command) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, command)));
}

void CALLBACK BoxAnswerer::pollReady(HWND, UINT, UINT_PTR timer, DWORD) {
  BoxAnswerer* self = activeAnswerer;
  if (self == nullptr || self->waiting_ == nullptr) {
    KillTimer(nullptr, timer);
    return;
  }
  if (!self->ready_(self->waiting_) && GetTickCount() - self->pollStart_ < 10000) return;
  KillTimer(nullptr, timer);
  answer(self->waiting_, IDOK);
  self->waiting_ = nullptr;
}

ShellRecorder::ShellRecorder(INT_PTR result) {
  recordedCalls.clear();
  recordedResult = result;
  setShellOpener(&recordShellCall);
}

ShellRecorder::~ShellRecorder() { setShellOpener(nullptr); }

const std::vector<ShellCall>& ShellRecorder::calls() { return recordedCalls; }

std::wstring windowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

std::wstring itemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

void pump(HWND dialog) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void pressKey(HWND dialog, UINT virtualKey) {
  HWND target = GetFocus();
  if (target == nullptr) target = dialog;
  MSG message = {};
  message.hwnd = target;
  message.message = WM_KEYDOWN;
  message.wParam = virtualKey;
  message.lParam = 1;
  if (!IsDialogMessageW(dialog, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  pump(IsWindow(dialog) ? dialog : nullptr);
}

void typeKey(HWND dialog, UINT virtualKey, DWORD milliseconds) {
  SetForegroundWindow(dialog);
  INPUT keys[2] = {};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = static_cast<WORD>(virtualKey);
  keys[1] = keys[0];
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    pump(IsWindow(dialog) ? dialog : nullptr);
  }
}

}  // namespace guitest
