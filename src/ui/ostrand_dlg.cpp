#include "ui/ostrand_dlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "common/text_format.h"
#include "run/local_date.h"
#include "run/settings_file.h"
#include "ui/about_dlg.h"
#include "ui/app_name.h"
#include "ui/folder_browser.h"
#include "ui/integer_field.h"
#include "ui/j_progress.h"
#include "ui/manual.h"
#include "ui/resource.h"
#include "ui/shell_open.h"

namespace {

const int kZoneCount = 19;

// "%1 から %2 までの整数を入力してください。" with both bounds filled in.
std::wstring rangeMessage(int lo, int hi) {
  std::wstring text = L"%1 から %2 までの整数を入力してください。";
  text.replace(text.find(L"%1"), 2, formatText(L"%d", lo));
  text.replace(text.find(L"%2"), 2, formatText(L"%d", hi));
  return text;
}

}  // namespace

COstrandDlg::COstrandDlg(RunModel* runModel, FileCorrectorFactory* correctors)
    : job_(std::make_unique<Job>()) {
  driver_ = std::make_unique<RunDriver>(job_->settings, job_->state, job_->log,
                                        runModel ? *runModel : job_->modelForRun,
                                        correctors ? *correctors : job_->correctors, *this);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  largeIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  LocalYearMonth today = currentLocalYearMonth();
  readJobSettings(settingsPath(), job_->settings, today.year, today.month);
}

COstrandDlg::~COstrandDlg() {
  if (window_ != nullptr && !modal_) DestroyWindow(window_);
  if (largeIcon_ != nullptr) DestroyIcon(largeIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

INT_PTR COstrandDlg::DoModal() {
  modal_ = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OSTRAND_DIALOG), nullptr,
                         &COstrandDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND COstrandDlg::CreateModeless(HWND owner) {
  modal_ = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OSTRAND_DIALOG), owner,
                            &COstrandDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

// The dialog's messages go to the object whose pointer WM_INITDIALOG stored with the window.
INT_PTR CALLBACK COstrandDlg::DialogProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<COstrandDlg*>(lParam)->window_ = window;
  }
  auto* dialog = reinterpret_cast<COstrandDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  INT_PTR result = dialog->handleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->window_ = nullptr;
  }
  return result;
}

INT_PTR COstrandDlg::handleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam);
    case WM_PAINT:
      return OnPaintIconic();
    case WM_QUERYDRAGICON:
      // One of the messages whose dialog-procedure result is the answer itself.
      return reinterpret_cast<INT_PTR>(largeIcon_);
    case WM_HELP:
      OnHelp();
      return TRUE;
    case WM_SETCURSOR:
      if (waitCursorCount_ > 0) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL COstrandDlg::OnInitDialog() {
  beginWaitCursor();
  showFields();

  HMENU systemMenu = GetSystemMenu(window_, FALSE);
  if (systemMenu != nullptr) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, L"バージョン情報 (&A)...");
  }

  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  ShowWindow(GetDlgItem(window_, IDC_PROGRESS), SW_HIDE);
  ShowWindow(GetDlgItem(window_, IDC_STATUS_LINE), SW_HIDE);

  if (!job_->settings.parameterPath.empty()) loadParameters(job_->settings.parameterPath);

  HWND zoneList = GetDlgItem(window_, IDC_ZONE_LIST);
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    std::wstring entry = formatText(L" %02d 系", zone);
    SendMessageW(zoneList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  int index = job_->settings.fallbackZoneIndex;
  SendMessageW(zoneList, CB_SETCURSEL, (index >= 0 && index < kZoneCount) ? index : -1, 0);
  updateZoneListEnabled();

  endWaitCursor();
  return TRUE;  // the dialog manager puts the focus on the first control (box 3101)
}

// The showing direction of the data exchange. The zone list is still empty here; its selection is
// set once it is filled.
void COstrandDlg::showFields() {
  JobSettings& settings = job_->settings;
  SetDlgItemTextW(window_, IDC_INPUT_FOLDER, settings.inputFolder.c_str());
  SetDlgItemTextW(window_, IDC_OUTPUT_FOLDER, settings.outputFolder.c_str());
  SetDlgItemTextW(window_, IDC_YEAR, formatText(L"%d", settings.year).c_str());
  SetDlgItemTextW(window_, IDC_MONTH, formatText(L"%d", settings.month).c_str());
  SetDlgItemTextW(window_, IDC_ADVICE_NUMBER, settings.adviceNumber.c_str());
  SetDlgItemTextW(window_, IDC_ORGANISATION, settings.organisation.c_str());
  if (settings.useFallbackZone < 0 || settings.useFallbackZone > 2) settings.useFallbackZone = 0;
  CheckDlgButton(window_, IDC_USE_FALLBACK_ZONE, settings.useFallbackZone);
}

void COstrandDlg::OnCommand(int id, int notification) {
  // During a run the disabled controls keep commands away; only Execute (now Cancel) is served.
  if (job_->state.running != 0 && id != IDC_EXECUTE) return;
  switch (id) {
    case IDOK:
      break;  // Enter does nothing
    case IDCANCEL:
      endDialog(IDCANCEL);  // ends without writing anything
      break;
    case IDC_BROWSE_INPUT:
      if (notification == BN_CLICKED) chooseFolder(IDC_INPUT_FOLDER, L"入力データフォルダーを指定", false);
      break;
    case IDC_BROWSE_OUTPUT:
      if (notification == BN_CLICKED) chooseFolder(IDC_OUTPUT_FOLDER, L"出力フォルダーを指定", true);
      break;
    case IDC_BROWSE_PARAMETER:
      if (notification == BN_CLICKED) chooseParameterFile();
      break;
    case IDC_EXECUTE:
      if (notification == BN_CLICKED) OnExecute();
      break;
    case IDC_USE_FALLBACK_ZONE:
      if (notification == BN_CLICKED) updateZoneListEnabled();
      break;
    default:
      break;
  }
}

BOOL COstrandDlg::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal(window_);
    return TRUE;
  }
  return FALSE;  // the default handling
}

// A minimised dialog shows the application icon centred in its client area.
BOOL COstrandDlg::OnPaintIconic() {
  if (!IsIconic(window_)) return FALSE;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window_, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, largeIcon_);
  EndPaint(window_, &paint);
  return TRUE;
}

void COstrandDlg::OnHelp() {
  if (job_->state.running != 0) return;  // the help key is not a command of a running dialog
  const std::wstring path = manualPath();
  const INT_PTR result = shellOpen(nullptr, path, SW_SHOW);
  if (shellOpened(result)) return;
  // A machine without a PDF viewer opens nothing and says nothing: name the file instead.
  if (result == SE_ERR_FNF || result == SE_ERR_PNF) {
    showMessage(formatText(L"マニュアルが見つかりませんでした。\r\n%s", path));
  } else {
    showMessage(formatText(L"マニュアルを開けませんでした。\r\nPDFを表示できるプログラムで、"
                           L"次のファイルを開いてください。\r\n%s",
                           path));
  }
}

void COstrandDlg::endDialog(int result) {
  if (modal_) {
    EndDialog(window_, result);
  } else {
    DestroyWindow(window_);
  }
}

void COstrandDlg::OnExecute() { driver_->execute(); }

std::wstring COstrandDlg::controlText(int id) const {
  HWND control = GetDlgItem(window_, id);
  int length = GetWindowTextLengthW(control);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(control, buffer.data(), length + 1);
  return std::wstring(buffer.data());
}

void COstrandDlg::failAt(int id, const std::wstring& message) {
  showMessage(message);
  HWND control = GetDlgItem(window_, id);
  SetFocus(control);
  SendMessageW(control, EM_SETSEL, 0, -1);
}

bool COstrandDlg::readIntegerBox(int id, int& value) {
  if (readIntegerField(controlText(id), value)) return true;
  failAt(id, L"整数を入力してください。");
  return false;
}

bool COstrandDlg::checkRange(int id, int value, int lo, int hi) {
  if (value >= lo && value <= hi) return true;
  failAt(id, rangeMessage(lo, hi));
  return false;
}

// The reading direction of the data exchange, in the order of the fields; then the range checks;
// then the settings file. A failure stops the exchange after its message: later fields are not
// read and nothing is written.
bool COstrandDlg::readFields(JobSettings& settings) {
  settings.inputFolder = controlText(IDC_INPUT_FOLDER);
  settings.outputFolder = controlText(IDC_OUTPUT_FOLDER);
  if (!readIntegerBox(IDC_YEAR, settings.year)) return false;
  if (!readIntegerBox(IDC_MONTH, settings.month)) return false;
  settings.adviceNumber = controlText(IDC_ADVICE_NUMBER);
  settings.organisation = controlText(IDC_ORGANISATION);
  settings.useFallbackZone = IsDlgButtonChecked(window_, IDC_USE_FALLBACK_ZONE) == BST_CHECKED ? 1 : 0;
  settings.fallbackZoneIndex =
      static_cast<int>(SendDlgItemMessageW(window_, IDC_ZONE_LIST, CB_GETCURSEL, 0, 0));
  if (!checkRange(IDC_YEAR, settings.year, 0, 99)) return false;
  if (!checkRange(IDC_MONTH, settings.month, 1, 12)) return false;
  writeJobSettings(settingsPath(), settings);
  return true;
}

void COstrandDlg::showMessage(const std::wstring& text) {
  MessageBoxW(window_, text.c_str(), kApplicationName, MB_OK | MB_ICONEXCLAMATION);
}

bool COstrandDlg::askYesNo(const std::wstring& text) {
  return MessageBoxW(window_, text.c_str(), kApplicationName, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void COstrandDlg::beginWaitCursor() {
  ++waitCursorCount_;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void COstrandDlg::endWaitCursor() {
  if (waitCursorCount_ > 0) --waitCursorCount_;
  if (waitCursorCount_ == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

std::unique_ptr<Progress> COstrandDlg::createProgress() {
  return std::make_unique<JProgress>(window_, job_->state, IDC_PROGRESS);
}

void COstrandDlg::openRunLog(const std::wstring& path) {
  // Without a program for text files the shell opens nothing: name the file so that the user can
  // open it by hand.
  if (shellOpened(shellOpen(window_, path, SW_SHOWNORMAL))) return;
  showMessage(formatText(L"ログファイルを開けませんでした。\r\nテキストエディターなどで、"
                         L"次のファイルを開いてください。\r\n%s",
                         path));
}

void COstrandDlg::chooseFolder(int boxId, const wchar_t* caption, bool allowNewFolders) {
  std::wstring path;
  if (browseForFolder(controlText(boxId), caption, window_, allowNewFolders, path) == 1) {
    SetDlgItemTextW(window_, boxId, path.c_str());
  }
}

void COstrandDlg::chooseParameterFile() {
  static const wchar_t kFilter[] = L"補正パラメータファイル(*.par)\0*.par\0";
  // Room for the longest path the system takes; the initial name is the remembered file.
  std::vector<wchar_t> fileName(32768, L'\0');
  job_->settings.parameterPath.copy(fileName.data(), fileName.size() - 1);
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = window_;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = fileName.data();
  dialog.nMaxFile = static_cast<DWORD>(fileName.size());
  dialog.lpstrTitle = L"補正パラメータファイルの指定";
  dialog.lpstrDefExt = L"par";
  dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
  if (GetOpenFileNameW(&dialog)) loadParameters(fileName.data());
}

// The dialog's load step: the header text goes into the parameter box and the path is remembered;
// a file that fails to load changes neither and is reported.
void COstrandDlg::loadParameters(const std::wstring& path) {
  beginWaitCursor();
  std::wstring headerText;
  if (::loadParameters(job_->model, path, headerText)) {
    SetDlgItemTextW(window_, IDC_PARAMETER_TEXT, headerText.c_str());
    job_->settings.parameterPath = path;
  } else {
    showMessage(L"指定のパラメーターを読み込めませんでした");
  }
  endWaitCursor();
}

void COstrandDlg::updateZoneListEnabled() {
  EnableWindow(GetDlgItem(window_, IDC_ZONE_LIST),
               IsDlgButtonChecked(window_, IDC_USE_FALLBACK_ZONE) == BST_CHECKED);
}
