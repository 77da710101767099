// Helpers for driving the desktop program's windows inside a test: message boxes answered and
// recorded by a hook, the shell's "open" recorded instead of performed, and small window queries.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace guitest {

// A message box (or another owned dialog) as the hook saw it.
struct SeenBox {
  std::wstring caption;
  std::wstring text;   // the message text; empty for a dialog without one
  HWND owner = nullptr;
  bool hasYesNo = false;
  UINT icon = 0;       // MB_ICONEXCLAMATION, MB_ICONQUESTION, or 0 when not recognised
  std::vector<std::wstring> buttons;  // texts of the visible push buttons, in window order
  std::vector<std::wstring> labels;   // texts of the visible static controls, in window order
};

// While it exists, every message box and owned dialog that becomes active on this thread is
// recorded and answered: Yes/No boxes with `yesNoAnswer` (IDYES or IDNO), other message boxes
// with IDOK, other owned dialogs with IDOK as well.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int yesNoAnswer = IDNO);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const std::vector<SeenBox>& seen() const { return seen_; }
  void setYesNoAnswer(int answer) { yesNoAnswer_ = answer; }
  // For owned dialogs that are not message boxes: answer only once `ready(dialog)` holds (polled
  // every 50 ms, at most 10 s), for dialogs that settle after they appear (the folder browser
  // walks its tree to the starting folder).
  void answerDialogsWhen(std::function<bool(HWND)> ready) { ready_ = std::move(ready); }

 private:
  static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK pollReady(HWND, UINT, UINT_PTR timer, DWORD);
  void onActivate(HWND window);
  static void answer(HWND window, int command);

  HHOOK hook_ = nullptr;
  int yesNoAnswer_;
  std::vector<SeenBox> seen_;
  std::function<bool(HWND)> ready_;
  HWND waiting_ = nullptr;
  UINT_PTR pollTimer_ = 0;
  DWORD pollStart_ = 0;
};

// One call of the shell's "open" verb as the program made it.
struct ShellCall {
  HWND owner = nullptr;
  std::wstring path;
  int showCommand = 0;
};

// While it exists, shellOpen records its calls here instead of opening anything, and answers
// each with `result` (by default a success; SE_ERR_NOASSOC when no program is registered).
class ShellRecorder {
 public:
  explicit ShellRecorder(INT_PTR result = 42);
  ~ShellRecorder();
  ShellRecorder(const ShellRecorder&) = delete;
  ShellRecorder& operator=(const ShellRecorder&) = delete;
  static const std::vector<ShellCall>& calls();
};

// The text of a window or of a dialog control.
std::wstring windowText(HWND window);
std::wstring itemText(HWND dialog, int id);

// Processes the thread's pending messages (through the dialog manager when `dialog` is given).
void pump(HWND dialog = nullptr);

// Delivers a key press to the focused control of `dialog` as its message loop would: through the
// dialog manager (Enter, Escape, Tab) and otherwise translated and dispatched.
void pressKey(HWND dialog, UINT virtualKey);

// Types a key through the system's input queue, as a keyboard would, into the foreground dialog,
// and processes messages for `milliseconds` while the key arrives.
void typeKey(HWND dialog, UINT virtualKey, DWORD milliseconds = 300);

}  // namespace guitest
