// The main dialog driven by control id: its start state, the zone list and its checkbox, the data
// exchange with its messages, Enter, Escape, the About box and the help key.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>

#include "common/text_format.h"
#include "dialog_fixture.h"
#include "run/dialog_settings.h"
#include "run/local_date.h"
#include "ui/manual.h"
#include "test_support.h"
#include "ui/resource.h"

using guitest::BoxAnswerer;
using guitest::itemText;
using guitest::ShellRecorder;

namespace {

using DialogTest = DialogFixture;

TEST_F(DialogTest, starts_from_the_defaults_when_the_settings_file_is_missing) {
  HWND dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  LocalYearMonth today = currentLocalYearMonth();

  EXPECT_EQ(guitest::windowText(dialog), L"Larkspan Ver2");
  EXPECT_EQ(itemText(dialog, IDC_INPUT_FOLDER), L"");
  EXPECT_EQ(itemText(dialog, IDC_OUTPUT_FOLDER), L"");
  EXPECT_EQ(itemText(dialog, IDC_PARAMETER_TEXT), L"");
  EXPECT_EQ(itemText(dialog, IDC_YEAR), formatText(L"%d", today.year % 100));
  EXPECT_EQ(itemText(dialog, IDC_MONTH), formatText(L"%d", today.month));
  EXPECT_EQ(itemText(dialog, IDC_ADVICE_NUMBER), L"");
  EXPECT_EQ(itemText(dialog, IDC_ORGANISATION), L"");
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_USE_FALLBACK_ZONE), static_cast<UINT>(BST_UNCHECKED));

  HWND zoneList = GetDlgItem(dialog, IDC_ZONE_LIST);
  EXPECT_EQ(SendMessageW(zoneList, CB_GETCURSEL, 0, 0), 8);
  EXPECT_EQ(guitest::windowText(zoneList), L" 09 系");
  EXPECT_FALSE(IsWindowEnabled(zoneList));

  // Idle look: status line and bar hidden, Execute reads 実行.
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_STATUS_LINE)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
  EXPECT_EQ(itemText(dialog, IDC_EXECUTE), L"実行");
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_INPUT_FOLDER));

  // The application icon, large and small, and the About item of the system menu.
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
  HMENU systemMenu = GetSystemMenu(dialog, FALSE);
  wchar_t item[64] = {};
  ASSERT_GT(GetMenuStringW(systemMenu, IDM_ABOUTBOX, item, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(std::wstring(item), L"バージョン情報 (&A)...");

  // Starting writes nothing.
  EXPECT_FALSE(settingsFileExists());
}

TEST_F(DialogTest, zone_list_holds_the_19_zones) {
  HWND dialog = openDialog();
  HWND zoneList = GetDlgItem(dialog, IDC_ZONE_LIST);
  ASSERT_EQ(SendMessageW(zoneList, CB_GETCOUNT, 0, 0), 19);
  for (int k = 0; k < 19; ++k) {
    wchar_t entry[32] = {};
    SendMessageW(zoneList, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::wstring(entry), formatText(L" %02d 系", k + 1));
  }
}

TEST_F(DialogTest, checkbox_enables_the_zone_list_and_keeps_its_choice) {
  HWND dialog = openDialog();
  HWND zoneList = GetDlgItem(dialog, IDC_ZONE_LIST);
  HWND checkbox = GetDlgItem(dialog, IDC_USE_FALLBACK_ZONE);

  SendMessageW(checkbox, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_USE_FALLBACK_ZONE), static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(IsWindowEnabled(zoneList));
  EXPECT_EQ(SendMessageW(zoneList, CB_GETCURSEL, 0, 0), 8);

  SendMessageW(zoneList, CB_SETCURSEL, 3, 0);
  SendMessageW(checkbox, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(zoneList));
  EXPECT_EQ(SendMessageW(zoneList, CB_GETCURSEL, 0, 0), 3);
}

// A failed exchange shows its one message box and stops: no settings file, no run, no log.
TEST_F(DialogTest, data_exchange_failures_show_their_message_and_write_nothing) {
  struct Case {
    const wchar_t* year;
    const wchar_t* month;
    const wchar_t* message;
    int focusedBox;
  };
  const Case cases[] = {
      {L"", L"4", L"整数を入力してください。", IDC_YEAR},
      {L"abc", L"4", L"整数を入力してください。", IDC_YEAR},
      {L"13", L"", L"整数を入力してください。", IDC_MONTH},
      {L"13", L"四", L"整数を入力してください。", IDC_MONTH},
      {L"2013", L"4", L"0 から 99 までの整数を入力してください。", IDC_YEAR},
      {L"-1", L"4", L"0 から 99 までの整数を入力してください。", IDC_YEAR},
      {L"4294967309", L"4", L"0 から 99 までの整数を入力してください。", IDC_YEAR},
      {L"13", L"13", L"1 から 12 までの整数を入力してください。", IDC_MONTH},
      {L"13", L"0", L"1 から 12 までの整数を入力してください。", IDC_MONTH},
      // Every field is read before the ranges are checked: the empty month is found first.
      {L"2013", L"", L"整数を入力してください。", IDC_MONTH},
  };
  HWND dialog = openDialog();
  ShellRecorder shell;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.year)) + " / " +
                 testing::PrintToString(std::wstring(c.month)));
    SetDlgItemTextW(dialog, IDC_INPUT_FOLDER, L"C:\\in");
    SetDlgItemTextW(dialog, IDC_OUTPUT_FOLDER, L"C:\\out");
    SetDlgItemTextW(dialog, IDC_YEAR, c.year);
    SetDlgItemTextW(dialog, IDC_MONTH, c.month);
    BoxAnswerer boxes;
    SendDlgItemMessageW(dialog, IDC_EXECUTE, BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");
    EXPECT_EQ(boxes.seen()[0].text, c.message);
    EXPECT_EQ(boxes.seen()[0].owner, dialog);
    EXPECT_EQ(boxes.seen()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, c.focusedBox));
    EXPECT_FALSE(settingsFileExists());
    EXPECT_TRUE(dialog_->job().log.empty());
    EXPECT_TRUE(ShellRecorder::calls().empty());
  }
}

// A successful exchange writes every key; the run's own checks come after it.
TEST_F(DialogTest, successful_exchange_writes_the_settings_file_before_the_run_checks) {
  HWND dialog = openDialog();
  SetDlgItemTextW(dialog, IDC_INPUT_FOLDER, L"C:\\入力");
  SetDlgItemTextW(dialog, IDC_OUTPUT_FOLDER, L"C:\\out");
  SetDlgItemTextW(dialog, IDC_YEAR, L"13年");
  SetDlgItemTextW(dialog, IDC_MONTH, L" 4");
  SetDlgItemTextW(dialog, IDC_ADVICE_NUMBER, L"国地達第１号");
  SetDlgItemTextW(dialog, IDC_ORGANISATION, L"測量株式会社");
  SendDlgItemMessageW(dialog, IDC_USE_FALLBACK_ZONE, BM_CLICK, 0, 0);
  SendDlgItemMessageW(dialog, IDC_ZONE_LIST, CB_SETCURSEL, 2, 0);

  BoxAnswerer boxes;
  SendDlgItemMessageW(dialog, IDC_EXECUTE, BM_CLICK, 0, 0);
  // No parameters are loaded, so the run refuses after the exchange.
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, L"補正パラメーターが読み込まれていません\r\n");
  EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");

  ASSERT_TRUE(settingsFileExists());
  JobSettings saved;
  readJobSettings(settingsPath(), saved, 2000, 1);
  EXPECT_EQ(saved.inputFolder, L"C:\\入力");
  EXPECT_EQ(saved.outputFolder, L"C:\\out");
  EXPECT_EQ(saved.year, 13);
  EXPECT_EQ(saved.month, 4);
  EXPECT_EQ(saved.adviceNumber, L"国地達第１号");
  EXPECT_EQ(saved.organisation, L"測量株式会社");
  EXPECT_EQ(saved.parameterPath, L"");
  EXPECT_EQ(saved.fallbackZoneIndex, 2);
  EXPECT_EQ(saved.useFallbackZone, 1);
}

// Remembered values come back at the next start, with the ranges not checked until Execute.
TEST_F(DialogTest, starts_from_a_settings_file) {
  JobSettings stored;
  stored.inputFolder = L"C:\\データ\\in";
  stored.outputFolder = L"C:\\データ\\out";
  stored.year = 2013;
  stored.month = 4;
  stored.adviceNumber = L"助言";
  stored.organisation = L"機関";
  stored.fallbackZoneIndex = 25;
  stored.useFallbackZone = 1;
  writeJobSettings(settingsPath(), stored);

  HWND dialog = openDialog();
  EXPECT_EQ(itemText(dialog, IDC_INPUT_FOLDER), L"C:\\データ\\in");
  EXPECT_EQ(itemText(dialog, IDC_OUTPUT_FOLDER), L"C:\\データ\\out");
  EXPECT_EQ(itemText(dialog, IDC_YEAR), L"2013");
  EXPECT_EQ(itemText(dialog, IDC_MONTH), L"4");
  EXPECT_EQ(itemText(dialog, IDC_ADVICE_NUMBER), L"助言");
  EXPECT_EQ(itemText(dialog, IDC_ORGANISATION), L"機関");
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_USE_FALLBACK_ZONE), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_ZONE_LIST, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ZONE_LIST)));
}

// What the batch program runs from a settings file (settingsAsTheDialogRunsThem) is what the
// dialog's start shows and its data exchange reads back, value by value: the settings file's
// values as its reader gives them (empty, non-numeric, out of range), shown in the controls and
// read from them. A two-state checkbox given 2 (BST_INDETERMINATE) shows ticked.
TEST_F(DialogTest, the_batch_rule_gives_the_job_the_dialog_reads_from_its_settings_file) {
  const struct {
    const char* kei;
    const char* bkei;
    UINT shownCheck;
    int shownSelection;
  } cases[] = {
      {"8", "1", BST_CHECKED, 8},      {"25", "1", BST_CHECKED, CB_ERR},
      {"19", "1", BST_CHECKED, CB_ERR}, {"18", "0", BST_UNCHECKED, 18},
      {"0", "2", BST_CHECKED, 0},      {"-1", "2", BST_CHECKED, CB_ERR},
      {"3", "3", BST_UNCHECKED, 3},    {"abc", "-1", BST_UNCHECKED, 0},
      {"", "abc", BST_UNCHECKED, 8},   {" 7x", "", BST_UNCHECKED, 7},
      {"2147483648", "-2147483649", BST_UNCHECKED, CB_ERR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("Kei=") + c.kei + " BKei=" + c.bkei);
    const std::string text = std::string("[OstrandDlg]\r\nIn=C:\\in\r\nOut=C:\\out\r\n") +
                             "Year=abc\r\nMonth= 4\r\nNumber=n\r\nKikan=k\r\nKei=" + c.kei +
                             "\r\nBKei=" + c.bkei + "\r\n";
    testsupport::writeBytes(std::filesystem::path(settingsPath()), text);
    JobSettings stored;
    readJobSettings(settingsPath(), stored, 2026, 4);
    const JobSettings expected = settingsAsTheDialogRunsThem(stored);

    HWND dialog = openDialog();
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_USE_FALLBACK_ZONE), c.shownCheck);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_ZONE_LIST, CB_GETCURSEL, 0, 0), c.shownSelection);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_ZONE_LIST)) != FALSE,
              c.shownCheck == BST_CHECKED);
    JobSettings read;
    ASSERT_TRUE(dialog_->readFields(read));
    EXPECT_EQ(read.inputFolder, expected.inputFolder);
    EXPECT_EQ(read.outputFolder, expected.outputFolder);
    EXPECT_EQ(read.year, expected.year);
    EXPECT_EQ(read.month, expected.month);
    EXPECT_EQ(read.adviceNumber, expected.adviceNumber);
    EXPECT_EQ(read.organisation, expected.organisation);
    EXPECT_EQ(read.useFallbackZone, expected.useFallbackZone);
    EXPECT_EQ(read.fallbackZoneIndex, expected.fallbackZoneIndex);
    EXPECT_EQ(read.useFallbackZone, c.shownCheck == BST_CHECKED ? 1 : 0);
    EXPECT_EQ(read.fallbackZoneIndex, c.shownSelection);
    dialog_.reset();
  }
}

TEST_F(DialogTest, a_remembered_parameter_file_that_no_longer_loads_is_reported_at_start) {
  JobSettings stored;
  stored.parameterPath = L"C:\\no such folder\\grid.par";
  writeJobSettings(settingsPath(), stored);
  BoxAnswerer boxes;
  HWND dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, L"指定のパラメーターを読み込めませんでした");
  EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");
  EXPECT_EQ(dialog_->job().settings.parameterPath, L"C:\\no such folder\\grid.par");
  EXPECT_EQ(itemText(dialog, IDC_PARAMETER_TEXT), L"");
}

TEST_F(DialogTest, enter_does_nothing) {
  HWND dialog = openDialog();
  BoxAnswerer boxes;
  ShellRecorder shell;
  for (int id : {IDC_INPUT_FOLDER, IDC_YEAR, IDC_ORGANISATION}) {
    SetFocus(GetDlgItem(dialog, id));
    guitest::pressKey(dialog, VK_RETURN);
    ASSERT_TRUE(IsWindow(dialog));
  }
  SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(boxes.seen().empty());
  EXPECT_TRUE(ShellRecorder::calls().empty());
  EXPECT_FALSE(settingsFileExists());
}

TEST_F(DialogTest, escape_ends_the_dialog_without_writing_the_settings_file) {
  HWND dialog = openDialog();
  SetDlgItemTextW(dialog, IDC_INPUT_FOLDER, L"C:\\changed");
  SetFocus(GetDlgItem(dialog, IDC_YEAR));
  guitest::pressKey(dialog, VK_ESCAPE);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(settingsFileExists());
}

TEST_F(DialogTest, close_command_ends_the_dialog_without_writing_the_settings_file) {
  HWND dialog = openDialog();
  SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  guitest::pump(dialog);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(settingsFileExists());
}

TEST_F(DialogTest, system_menu_item_16_opens_the_about_box) {
  HWND dialog = openDialog();
  BoxAnswerer boxes;
  SendMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].caption, L"バージョン情報 Ostrand");
  EXPECT_EQ(boxes.seen()[0].owner, dialog);
  EXPECT_TRUE(IsWindow(dialog));
}

// The help key hands the manual to the shell: the executable's own name with .pdf when that file
// exists, otherwise Ostrand.pdf beside it; no owner window, SW_SHOW.
TEST_F(DialogTest, help_key_opens_the_manual_beside_the_executable) {
  wchar_t exe[1024] = {};
  GetModuleFileNameW(nullptr, exe, 1024);
  std::wstring exePath = exe;
  std::wstring folder = exePath.substr(0, exePath.rfind(L'\\') + 1);
  std::wstring base = exePath.substr(folder.size());
  base = base.substr(0, base.rfind(L'.'));
  std::wstring ownManual = folder + base + L".pdf";
  std::wstring fallbackManual = folder + L"Ostrand.pdf";

  HWND dialog = openDialog();
  ShellRecorder shell;

  DeleteFileW(ownManual.c_str());
  SetFocus(GetDlgItem(dialog, IDC_OUTPUT_FOLDER));
  guitest::typeKey(dialog, VK_F1);
  ASSERT_EQ(ShellRecorder::calls().size(), 1u);
  EXPECT_EQ(ShellRecorder::calls()[0].path, fallbackManual);
  EXPECT_EQ(ShellRecorder::calls()[0].owner, nullptr);
  EXPECT_EQ(ShellRecorder::calls()[0].showCommand, SW_SHOW);

  HANDLE file = CreateFileW(ownManual.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  guitest::typeKey(dialog, VK_F1);
  DeleteFileW(ownManual.c_str());
  ASSERT_EQ(ShellRecorder::calls().size(), 2u);
  EXPECT_EQ(ShellRecorder::calls()[1].path, ownManual);
}

// When the shell cannot open the manual, a message box says so and names the file's full path,
// with the caption and icon of the program's other OK boxes.
TEST_F(DialogTest, a_manual_that_cannot_be_opened_is_named_in_a_message) {
  wchar_t exe[1024] = {};
  GetModuleFileNameW(nullptr, exe, 1024);
  std::wstring exePath = exe;
  std::wstring folder = exePath.substr(0, exePath.rfind(L'\\') + 1);
  const std::wstring manual = folder + L"Ostrand.pdf";
  const struct {
    const char* name;
    INT_PTR shellResult;
    std::wstring message;
  } cases[] = {
      {"no program for PDF files", SE_ERR_NOASSOC,
       L"マニュアルを開けませんでした。\r\nPDFを表示できるプログラムで、次のファイルを開いてください。\r\n" +
           manual},
      {"no such file", SE_ERR_FNF, L"マニュアルが見つかりませんでした。\r\n" + manual},
      {"opened", 42, L""},
  };
  HWND dialog = openDialog();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShellRecorder shell(c.shellResult);
    BoxAnswerer boxes;
    SetFocus(GetDlgItem(dialog, IDC_OUTPUT_FOLDER));
    guitest::typeKey(dialog, VK_F1);
    ASSERT_EQ(ShellRecorder::calls().size(), 1u);
    if (c.message.empty()) {
      EXPECT_TRUE(boxes.seen().empty());
      continue;
    }
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, c.message);
    EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");
    EXPECT_EQ(boxes.seen()[0].owner, dialog);
    EXPECT_EQ(boxes.seen()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(boxes.seen()[0].hasYesNo);
  }
}

// An empty folder C:\ostrand-browse-<process id>, removed at the end.
class FolderRightUnderC {
 public:
  FolderRightUnderC() : path_(L"C:\\ostrand-browse-" + std::to_wstring(GetCurrentProcessId())) {
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~FolderRightUnderC() { RemoveDirectoryW(path_.c_str()); }
  const std::wstring& wide() const { return path_; }
  std::wstring leaf() const { return path_.substr(3); }

 private:
  std::wstring path_;
};

// The folder browser opens on the box's folder; OK puts that folder with a trailing backslash into
// the box. Only the output folder's browser offers a button for new folders.
TEST_F(DialogTest, folder_choosers_fill_their_box_with_a_trailing_backslash) {
  struct Case {
    int button, box;
    const wchar_t* caption;
    size_t buttonCount;  // OK and Cancel, plus the new-folder button for the output folder
  };
  const Case cases[] = {
      {IDC_BROWSE_INPUT, IDC_INPUT_FOLDER, L"入力データフォルダーを指定", 2},
      {IDC_BROWSE_OUTPUT, IDC_OUTPUT_FOLDER, L"出力フォルダーを指定", 3},
  };
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // A folder right under the drive: Wine's browser sometimes stops short of a folder inside the
  // profile's Temp when it walks its tree to the starting folder.
  FolderRightUnderC folder;
  HWND dialog = openDialog();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    SetDlgItemTextW(dialog, c.box, folder.wide().c_str());
    BoxAnswerer boxes;
    // OK once the browser's tree has reached the starting folder.
    std::wstring leaf = folder.leaf();
    boxes.answerDialogsWhen([&leaf](HWND browser) {
      HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
      HTREEITEM item = TreeView_GetSelection(tree);
      wchar_t text[MAX_PATH] = {};
      TVITEMW data = {};
      data.mask = TVIF_TEXT;
      data.hItem = item;
      data.pszText = text;
      data.cchTextMax = MAX_PATH;
      return item != nullptr && TreeView_GetItem(tree, &data) && leaf == text;
    });
    SendDlgItemMessageW(dialog, c.button, BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].owner, dialog);
    EXPECT_EQ(boxes.seen()[0].buttons.size(), c.buttonCount);
    EXPECT_THAT(boxes.seen()[0].labels, testing::Contains(std::wstring(c.caption)));
    EXPECT_EQ(itemText(dialog, c.box), folder.wide() + L"\\");
  }
  CoUninitialize();
}

// A small parameter file: the title line with its identifier, the rest of the header, the column
// heading, and a few grid points.
void writeParameterFile(const std::filesystem::path& path) {
  std::string text = "Test grid for the dialog  Tarnwick for 7\r\n";
  for (int line = 2; line <= 13; ++line) text += "header line " + std::to_string(line) + "\r\n";
  text += "\r\n\r\n  MeshCode    dB(sec)    dL(sec)\r\n";
  for (int code = 53394500; code < 53394505; ++code) {
    text += std::to_string(code) + "   0.12345   -0.23456   0.00000\r\n";
  }
  testsupport::writeBytes(path, text);
}

// The chooser opens on the remembered file; a file that loads shows its header in the box and
// becomes the remembered path, one that does not is reported and changes nothing. Neither writes
// the settings file.
TEST_F(DialogTest, parameter_chooser_loads_the_chosen_file) {
  testsupport::ScratchFolder folder;
  writeParameterFile(folder.path() / "grid.par");
  testsupport::writeBytes(folder.path() / "broken.par", "not a parameter file\r\n");
  JobSettings stored;
  stored.parameterPath = folder.wide(L"grid.par");
  writeJobSettings(settingsPath(), stored);
  std::string savedBefore = testsupport::readBytes(settingsPath());

  BoxAnswerer boxes;
  HWND dialog = openDialog();
  ASSERT_TRUE(boxes.seen().empty()) << "the remembered file loads at start";
  std::wstring header = itemText(dialog, IDC_PARAMETER_TEXT);
  EXPECT_EQ(header.substr(0, 42), L"Test grid for the dialog  Tarnwick for 7\r\n");
  SetDlgItemTextW(dialog, IDC_PARAMETER_TEXT, L"");

  // OK on the chooser's initial file: the remembered one loads again.
  SendDlgItemMessageW(dialog, IDC_BROWSE_PARAMETER, BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].caption, L"補正パラメータファイルの指定");
  EXPECT_EQ(boxes.seen()[0].owner, dialog);
  EXPECT_EQ(itemText(dialog, IDC_PARAMETER_TEXT), header);

  // A file that does not load: the message, and the box keeps the header of the last good load.
  dialog_->job().settings.parameterPath = folder.wide(L"broken.par");
  SendDlgItemMessageW(dialog, IDC_BROWSE_PARAMETER, BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.seen().size(), 3u);
  EXPECT_EQ(boxes.seen()[2].text, L"指定のパラメーターを読み込めませんでした");
  EXPECT_EQ(boxes.seen()[2].caption, L"Larkspan2");
  EXPECT_EQ(itemText(dialog, IDC_PARAMETER_TEXT), header);

  EXPECT_EQ(testsupport::readBytes(settingsPath()), savedBefore);
}

// The manifest among the resources: common controls 6 are bound, and the process is per-monitor
// DPI aware.
TEST(resources_test, manifest_brings_common_controls_6_and_per_monitor_dpi_awareness) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                       L"comctl32.dll", &data));
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
            DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST(manual_test, chooses_the_own_pdf_before_ostrand_pdf) {
  // A folder that does not exist holds neither file: the fallback name is used.
  EXPECT_EQ(manualPathFor(L"Z:\\no\\such\\Tool.exe"), L"Z:\\no\\such\\Ostrand.pdf");
  EXPECT_EQ(manualPathFor(L"C:\\x.y\\Tool.v2.exe"), L"C:\\x.y\\Ostrand.pdf");
}

}  // namespace
