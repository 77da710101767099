// Drives the real Ostrand.exe from outside, as a user would, for the end-to-end test:
// starts it, waits for its dialog, clicks 実行, waits for the run to end (the button reads 実行
// again and the run log file "Ostrand.txt" exists in the temporary folder), closes the viewer the
// program opened for the log, or, where no program opens text files, reads and answers the
// message box that names the log instead; copies the log to <log copy>; presses F1 and answers
// the message box that a missing manual gives; and ends the program with the dialog's Cancel
// command. Prints what it did (message texts in UTF-8, their line ends as " | "). When 実行
// brings up a message box instead (a refusal before the run), prints its text as
// "ui_driver: message box: <text>" (UTF-8), answers it with OK and ends the program the same way.
// Exits 0 after a run, 3 after a refusal, 1 on any failure.
// With a <screenshot folder>, each message box is held on screen until <folder>\<name>.go exists,
// after <folder>\<name>.ready has been written with its rectangle ("x y width height"); the
// names are "log-box" and "manual-box".
// With --cancel-at=N it clicks キャンセル once the progress bar has reached N % and answers はい
// to the question "処理を中止しますか？"; the run must then end cancelled.
//   ui_driver [--cancel-at=N] <path of Ostrand.exe> <log copy path> [<screenshot folder>]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

const DWORD kTimeoutMs = 90000;

std::wstring controlText(HWND control) {
  // One large WM_GETTEXT, with a timeout so that a busy program cannot hang the driver.
  static wchar_t buffer[4096];
  buffer[0] = L'\0';
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                      2000, &copied);
  return buffer;
}

struct Search {
  DWORD processId;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK findWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (search->processId != 0 && processId != search->processId) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (search->title != nullptr && std::wstring(title) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

HWND topWindow(DWORD processId, const wchar_t* title) {
  Search search{processId, title, nullptr};
  EnumWindows(&findWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool fail(const char* what) {
  std::printf("ui_driver: %s\n", what);
  std::fflush(stdout);
  return false;
}

// The text of a message box (its static control 0xFFFF), printed in UTF-8 on one line.
void printMessageBox(HWND box) {
  std::wstring text = controlText(GetDlgItem(box, 0xFFFF));
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L'|';
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  std::printf("ui_driver: message box: %s\n", bytes.c_str());
  std::fflush(stdout);
}

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring screenshots;  // the screenshot folder; empty when none is given

// Prints "ui_driver: <what>: <text>" in UTF-8, line ends as " | ".
void report(const char* what, const std::wstring& text) {
  std::wstring shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    shown += text[i] == L'\n' ? std::wstring(L" | ") : std::wstring(1, text[i]);
  }
  std::string bytes(shown.size() * 4 + 1, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), static_cast<int>(shown.size()),
                                         bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                         nullptr);
  bytes.resize(static_cast<size_t>(length > 0 ? length : 0));
  std::printf("ui_driver: %s: %s\n", what, bytes.c_str());
  std::fflush(stdout);
}

// A message box of the program, waited for at most `milliseconds`; nullptr when none came.
HWND waitForBox(DWORD processId, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    HWND box = topWindow(processId, L"Larkspan2");
    if (box != nullptr) return box;
    Sleep(50);
  } while (GetTickCount() - start < milliseconds);
  return nullptr;
}

// Reports the box's text (its static control, id 0xFFFF), holds it for a screenshot when asked,
// and answers it with OK.
void answerBox(HWND box, const char* what, const wchar_t* shotName) {
  Sleep(300);
  report(what, controlText(GetDlgItem(box, 0xFFFF)));
  if (!screenshots.empty()) {
    RECT rect;
    GetWindowRect(box, &rect);
    FILE* ready = _wfopen((screenshots + L"\\" + shotName + L".ready").c_str(), L"wb");
    if (ready != nullptr) {
      std::fprintf(ready, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top);
      std::fclose(ready);
    }
    const std::wstring go = screenshots + L"\\" + shotName + L".go";
    const DWORD start = GetTickCount();
    while (!fileExists(go) && GetTickCount() - start < 60000) Sleep(50);
  }
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
}

// Closes every visible top-level window of the viewer the program started for its log; false
// when none came.
bool closeViewers(DWORD ownProcess, DWORD programProcess) {
  for (int round = 0; round < 50; ++round) {
    bool closed = false;
    HWND window = GetTopWindow(nullptr);
    for (; window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
      DWORD processId = 0;
      GetWindowThreadProcessId(window, &processId);
      if (processId == ownProcess || processId == programProcess || !IsWindowVisible(window)) continue;
      wchar_t title[256] = {};
      GetWindowTextW(window, title, 256);
      if (std::wstring(title).find(L"Ostrand.txt") != std::wstring::npos) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        closed = true;
      }
    }
    if (closed) return true;
    Sleep(100);
  }
  return false;
}

// The Yes button of the question box, when the box asks to stop the processing.
HWND questionYesButton(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (controlText(child).find(L"処理を中止しますか") != std::wstring::npos) {
      return GetDlgItem(box, IDYES);
    }
  }
  return nullptr;
}

enum class Outcome { Failed, Ran, Refused };

Outcome drive(const std::wstring& program, const std::wstring& logCopy, int cancelAt) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring runLog = std::wstring(temp) + L"Ostrand.txt";
  DeleteFileW(runLog.c_str());

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    fail("Ostrand.exe does not start");
    return Outcome::Failed;
  }
  CloseHandle(process.hThread);

  Outcome outcome = Outcome::Failed;
  HWND dialog = nullptr;
  DWORD start = GetTickCount();
  while (dialog == nullptr && GetTickCount() - start < kTimeoutMs) {
    dialog = topWindow(process.dwProcessId, L"Larkspan Ver2");
    if (topWindow(process.dwProcessId, L"Larkspan2") != nullptr) break;  // a message box
    Sleep(100);
  }
  HWND button = dialog != nullptr ? GetDlgItem(dialog, 3308) : nullptr;
  if (dialog == nullptr || button == nullptr) {
    fail("no dialog (or a message box at start)");
  } else {
    Sleep(500);
    std::printf("ui_driver: dialog up, parameter box begins \"%.40ls\"\n",
                controlText(GetDlgItem(dialog, 3103)).c_str());
    // Posted, not sent: the click may open a message box, which would block a sent message.
    PostMessageW(button, BM_CLICK, 0, 0);
    bool sawRunning = false;
    bool ended = false;
    bool refused = false;
    bool cancelClicked = false;
    bool answered = false;
    while (GetTickCount() - start < kTimeoutMs) {
      // A box that names the log comes after the end of the run (the log exists by then); the
      // question after a click on キャンセル is answered; any other box is a refusal before the
      // run.
      HWND box = topWindow(process.dwProcessId, L"Larkspan2");
      std::wstring label = controlText(button);
      if (label == L"キャンセル") sawRunning = true;
      if (label == L"実行" && fileExists(runLog)) {
        ended = true;
        break;
      }
      if (box != nullptr && cancelClicked && !answered) {
        if (HWND yes = questionYesButton(box)) {
          PostMessageW(yes, BM_CLICK, 0, 0);
          answered = true;
          std::printf("ui_driver: answered the question with はい\n");
          Sleep(200);
          continue;
        }
      }
      if (cancelAt >= 0 && !cancelClicked && box == nullptr && label == L"キャンセル") {
        DWORD_PTR position = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, 9001), PBM_GETPOS, 0, 0, SMTO_NORMAL, 2000,
                            &position);
        if (static_cast<int>(position) >= cancelAt) {
          PostMessageW(button, BM_CLICK, 0, 0);
          cancelClicked = true;
          std::printf("ui_driver: clicked キャンセル at %d %%\n", static_cast<int>(position));
        }
      }
      if (box != nullptr) {
        Sleep(200);  // its text is set before it shows; give it time to settle all the same
        printMessageBox(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        refused = true;
        break;
      }
      Sleep(50);
    }
    std::printf("ui_driver: running look seen: %s\n", sawRunning ? "yes" : "no (run too short)");
    if (refused) {
      // Wait for the box to go before the dialog is closed.
      while (topWindow(process.dwProcessId, L"Larkspan2") != nullptr &&
             GetTickCount() - start < kTimeoutMs) {
        Sleep(50);
      }
      outcome = Outcome::Refused;
    } else if (ended && cancelAt >= 0 && !answered) {
      fail("the run ended before it could be cancelled");
    } else if (ended) {
      report("run log", runLog);
      // Either a viewer opens the log, or the program names it in a message box.
      HWND box = waitForBox(process.dwProcessId, 5000);
      if (box != nullptr) {
        answerBox(box, "message box after the run", L"log-box");
      } else if (closeViewers(GetCurrentProcessId(), process.dwProcessId)) {
        std::printf("ui_driver: viewer closed\n");
      }
      if (CopyFileW(runLog.c_str(), logCopy.c_str(), FALSE) != 0) {
        outcome = Outcome::Ran;
      } else {
        fail("cannot copy the run log file");
      }
      std::printf("ui_driver: run ended, status line \"%ls\" hidden: %s\n",
                  controlText(GetDlgItem(dialog, 3751)).c_str(),
                  IsWindowVisible(GetDlgItem(dialog, 3751)) ? "no" : "yes");
      // The help key, typed through the system's input queue into the dialog (only typed keys
      // become the help command), with no manual beside the program.
      SetForegroundWindow(dialog);
      Sleep(300);
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
      box = waitForBox(process.dwProcessId, 5000);
      if (box != nullptr) {
        answerBox(box, "message box after F1", L"manual-box");
      } else {
        std::printf("ui_driver: no message box after F1\n");
      }
    } else {
      fail("the run did not end in time");
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    fail("Ostrand.exe did not end after its Cancel command");
    outcome = Outcome::Failed;
  }
  CloseHandle(process.hProcess);
  return outcome;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int cancelAt = -1;
  const std::wstring cancelOption = L"--cancel-at=";
  if (argc > 1 && std::wstring(argv[1]).rfind(cancelOption, 0) == 0) {
    cancelAt = _wtoi(argv[1] + cancelOption.size());
    ++argv;
    --argc;
  }
  if (argc != 3 && argc != 4) {
    std::printf("usage: ui_driver [--cancel-at=N] <Ostrand.exe> <log copy> [<screenshot folder>]\n");
    return 2;
  }
  if (argc == 4) screenshots = argv[3];
  switch (drive(argv[1], argv[2], cancelAt)) {
    case Outcome::Ran: return 0;
    case Outcome::Refused: return 3;
    case Outcome::Failed: break;
  }
  return 1;
}
