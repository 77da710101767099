// Puts the desktop program's windows into the states the documentation shows, one after the
// other, for screenshots taken from outside (tests/ui/take_screenshots.sh):
//   idle     the main dialog after its start, with the sample's entries and parameter file
//   running  the main dialog in the middle of a run (the second of four files at 40 %)
//   about    the About box over the main dialog
// For each state it writes <markers>\<state>.ready holding the window's screen rectangle
// ("x y width height") and waits until <markers>\<state>.go exists.
//   ui_look <markers folder> <parameter file> <input folder> <output folder>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "run/settings_file.h"
#include "ui/about_dlg.h"
#include "ui/j_progress.h"
#include "ui/ostrand_dlg.h"
#include "ui/resource.h"
#include "ui/shell_open.h"

namespace {

std::wstring markers;

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void pumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    JProgress::pumpMessages();
    Sleep(10);
  }
}

// Announces a state with the rectangle of `window` and waits for the go-ahead, keeping the
// windows painted meanwhile.
void holdState(const wchar_t* state, HWND window) {
  pumpFor(800);
  RECT rect;
  GetWindowRect(window, &rect);
  std::wstring ready = markers + L"\\" + state + L".ready";
  FILE* file = _wfopen(ready.c_str(), L"wb");
  if (file != nullptr) {
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
  }
  std::wstring go = markers + L"\\" + state + L".go";
  DWORD start = GetTickCount();
  while (!fileExists(go) && GetTickCount() - start < 60000) {
    JProgress::pumpMessages();
    Sleep(20);
  }
}

class LoadedModel : public RunModel {
 public:
  bool isLoaded() const override { return true; }
};

// Walks each file in 20 reports; holds the "running" state in the second file at 40 % of it. It
// runs on the run's one worker, while the dialog's thread keeps the window painted.
class PausingCorrector : public FileCorrector {
 public:
  explicit PausingCorrector(HWND& dialog) : dialog_(dialog) {}

  FileResult correctDmFile(const FileTask& task, FileLog&, Progress& progress, FileOutcome&,
                           std::wstring&) override {
    ++fileNumber_;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(task.inputPath.c_str(), GetFileExInfoStandard, &data);
    const std::int64_t size = data.nFileSizeLow;
    for (int i = 0; i <= 20; ++i) {
      if (progress.SetPosition(size * i / 20, size) != 0) return FileResult::Cancelled;
      if (fileNumber_ == 2 && i == 8) holdState(L"running", dialog_);
      Sleep(5);
    }
    return FileResult::Corrected;  // with no copy: nothing to put in place
  }

 private:
  HWND& dialog_;
  int fileNumber_ = 0;
};

class PausingCorrectors : public FileCorrectorFactory {
 public:
  HWND dialog = nullptr;
  std::unique_ptr<FileCorrector> createCorrector() override {
    return std::make_unique<PausingCorrector>(dialog);
  }
};

INT_PTR noShell(HWND, const std::wstring&, int) { return 42; }

// Writes <markers>\labels.txt: for every label, checkbox and group box, its id, its width and the
// width its text needs, both in dialog units, so that a clipped text shows as a number.
void measureLabels(HWND dialog) {
  RECT units = {0, 0, 400, 400};
  MapDialogRect(dialog, &units);  // pixels per 400 dialog units
  std::wstring path = markers + L"\\labels.txt";
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return;
  HDC dc = GetDC(dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    std::wstring kind = className;
    if (kind != L"Static" && kind != L"Button") continue;
    wchar_t text[512] = {};
    int length = GetWindowTextW(child, text, 512);
    if (length == 0) continue;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
    SIZE extent;
    GetTextExtentPoint32W(dc, text, length, &extent);
    SelectObject(dc, old);
    RECT rect;
    GetClientRect(child, &rect);
    std::fprintf(out, "id %ld width %.1f needs %.1f (px %ld / %ld)\n",
                 static_cast<long>(GetWindowLongW(child, GWL_ID)), rect.right * 400.0 / units.right,
                 extent.cx * 400.0 / units.right, rect.right, extent.cx);
  }
  LOGFONTW font;
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  wchar_t face[64] = {};
  GetTextFaceW(dc, 64, face);
  SelectObject(dc, old);
  char faceBytes[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, face, -1, faceBytes, sizeof(faceBytes), nullptr, nullptr);
  char requested[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, font.lfFaceName, -1, requested, sizeof(requested), nullptr, nullptr);
  std::fprintf(out, "font requested %s, drawn with %s, height %ld; 400 DLU = %ld x %ld px\n",
               requested, faceBytes, font.lfHeight, units.right, units.bottom);
  ReleaseDC(dialog, dc);
  std::fclose(out);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: ui_look <markers> <parameter file> <input folder> <output folder>\n");
    return 2;
  }
  markers = argv[1];
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  JobSettings settings;
  settings.inputFolder = argv[3];
  settings.outputFolder = argv[4];
  settings.parameterPath = argv[2];
  settings.year = 26;
  settings.month = 4;
  settings.adviceNumber = L"関公第１２３号";
  settings.organisation = L"株式会社見本測量";
  settings.useFallbackZone = 0;
  settings.fallbackZoneIndex = 8;
  writeJobSettings(settingsPath(), settings);

  LoadedModel model;
  PausingCorrectors correctors;
  COstrandDlg dialog(&model, &correctors);
  dialog.driver().setWorkerCount(1);  // the second file is the one in work
  HWND window = dialog.CreateModeless();
  if (window == nullptr) return 1;
  correctors.dialog = window;
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  measureLabels(window);
  holdState(L"idle", window);

  setShellOpener(&noShell);
  SendDlgItemMessageW(window, IDC_EXECUTE, BM_CLICK, 0, 0);

  CAboutDlg about;
  HWND aboutWindow = about.CreateModeless(window);
  RECT main, box;
  GetWindowRect(window, &main);
  GetWindowRect(aboutWindow, &box);
  SetWindowPos(aboutWindow, HWND_TOP, main.left + 40, main.top + 60, 0, 0, SWP_NOSIZE);
  ShowWindow(aboutWindow, SW_SHOW);
  holdState(L"about", aboutWindow);
  DestroyWindow(aboutWindow);
  DeleteFileW(settingsPath().c_str());
  return 0;
}
