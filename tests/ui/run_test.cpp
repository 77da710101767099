// Runs started from the dialog's Execute button: the running look during the run, and a Yes and
// a No to "処理を中止しますか？" given mid-file by a click on the Cancel button.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "test_support.h"
#include "ui/resource.h"

using guitest::BoxAnswerer;
using guitest::ShellRecorder;

namespace {

// A model view that counts as loaded.
class LoadedModel : public RunModel {
 public:
  bool isLoaded() const override { return true; }
  void setZone(int) override {}
};

// A corrector that reads a file in 20 reports, as the real one reports every 32 records, and
// writes the output file when it gets to the end. It notes what it saw on the way.
class SteppingCorrector : public FileCorrector {
 public:
  explicit SteppingCorrector(HWND* dialog) : dialog_(dialog) {}

  FileResult correctDmFile(const std::wstring& inputPath, const std::wstring& outputPath,
                           Progress& progress, FileOutcome&) override {
    started.push_back(inputPath);
    const int reports = 20;
    for (int i = 0; i < reports; ++i) {
      if (progress.SetPosition(i * 32, reports * 32) != 0) return FileResult::Cancelled;
      // The running look, as the user sees it in the middle of a file.
      runningLookSeen = runningLookSeen || (guitest::itemText(*dialog_, IDC_EXECUTE) == L"キャンセル" &&
                                            IsWindowVisible(GetDlgItem(*dialog_, IDC_PROGRESS)) &&
                                            !IsWindowEnabled(GetDlgItem(*dialog_, IDC_INPUT_FOLDER)));
      Sleep(3);
    }
    testsupport::writeBytes(outputPath, "corrected");
    return FileResult::Corrected;
  }

  std::vector<std::wstring> started;
  bool runningLookSeen = false;

 private:
  HWND* dialog_;
};

// A thread timer clicks the Cancel button once the bar has passed 30 % of a file, from inside the
// run's own message pump, as a user's click would arrive.
HWND timerDialog = nullptr;
bool cancelClicked = false;
LONG_PTR barWhenClicked = -1;

void CALLBACK clickCancelMidFile(HWND, UINT, UINT_PTR timer, DWORD) {
  if (cancelClicked || timerDialog == nullptr) return;
  LONG_PTR bar = SendDlgItemMessageW(timerDialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
  if (bar < 30) return;
  cancelClicked = true;
  barWhenClicked = bar;
  KillTimer(nullptr, timer);
  SendDlgItemMessageW(timerDialog, IDC_EXECUTE, BM_CLICK, 0, 0);
  // Then the title bar's close button and the system menu's Close: the run's pump drops both.
  // (Posted after the question, whose own modal loop would act on them.)
  PostMessageW(timerDialog, WM_NCLBUTTONDOWN, HTCLOSE, 0);
  PostMessageW(timerDialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

class RunTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    for (const char* name : {"a.dm", "b.dm", "c.dm"}) {
      testsupport::writeBytes(input_.path() / name, "DM");
    }
    dialog = openDialog(&model_, &corrector_);
    SetDlgItemTextW(dialog, IDC_INPUT_FOLDER, input_.wide().c_str());
    SetDlgItemTextW(dialog, IDC_OUTPUT_FOLDER, output_.wide().c_str());
    SetDlgItemTextW(dialog, IDC_YEAR, L"13");
    SetDlgItemTextW(dialog, IDC_MONTH, L"4");
    timerDialog = dialog;
    cancelClicked = false;
    barWhenClicked = -1;
  }

  void TearDown() override {
    timerDialog = nullptr;
    DialogFixture::TearDown();
  }

  // Execute, with the timer armed.
  void executeWithCancelClick() {
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &clickCancelMidFile);
    SendDlgItemMessageW(dialog, IDC_EXECUTE, BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
  }

  bool outputExists(const wchar_t* name) { return testsupport::exists(output_.path() / name); }

  testsupport::ScratchFolder input_;
  testsupport::ScratchFolder output_;
  LoadedModel model_;
  HWND dialog = nullptr;
  SteppingCorrector corrector_{&dialog};
};

TEST_F(RunTest, answering_yes_stops_the_run_in_the_current_file) {
  BoxAnswerer boxes(IDYES);
  ShellRecorder shell;
  executeWithCancelClick();

  ASSERT_TRUE(cancelClicked);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, L"処理を中止しますか？");
  EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");
  EXPECT_EQ(boxes.seen()[0].owner, dialog);
  EXPECT_TRUE(boxes.seen()[0].hasYesNo);
  EXPECT_EQ(boxes.seen()[0].icon, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_TRUE(corrector_.runningLookSeen);
  EXPECT_TRUE(IsWindow(dialog)) << "the close button did nothing during the run";

  // The first file was cancelled mid-way; the others were never started.
  EXPECT_EQ(corrector_.started.size(), 1u);
  EXPECT_FALSE(outputExists(L"a.dm"));
  const std::wstring& log = dialog_->job().log.text();
  size_t cancelLine = log.find(L"----キャンセル----\r\n");
  size_t interrupted = log.find(L"中断しました\r\n");
  ASSERT_NE(cancelLine, std::wstring::npos) << testing::PrintToString(log);
  ASSERT_NE(interrupted, std::wstring::npos);
  EXPECT_LT(cancelLine, interrupted);
  EXPECT_EQ(dialog_->job().state.running, 0);
  EXPECT_EQ(dialog_->job().state.cancelRequested, 1);

  // Back to the idle look; the log file is handed to the shell, owned by the dialog.
  EXPECT_EQ(guitest::itemText(dialog, IDC_EXECUTE), L"実行");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_INPUT_FOLDER)));
  ASSERT_EQ(ShellRecorder::calls().size(), 1u);
  const guitest::ShellCall& call = ShellRecorder::calls()[0];
  EXPECT_EQ(call.owner, dialog);
  EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(call.path, std::wstring(temp) + L"Ostrand.txt");
  std::string bytes = testsupport::readBytes(call.path);
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);
}

// Without a program for text files the shell opens nothing; a message box then names the run
// log file's full path, with the caption and icon of the other OK boxes.
TEST_F(RunTest, a_run_log_that_cannot_be_opened_is_named_in_a_message) {
  BoxAnswerer boxes;
  ShellRecorder shell(SE_ERR_NOASSOC);
  SendDlgItemMessageW(dialog, IDC_EXECUTE, BM_CLICK, 0, 0);

  ASSERT_EQ(ShellRecorder::calls().size(), 1u);
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"Ostrand.txt";
  EXPECT_EQ(ShellRecorder::calls()[0].path, log);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, L"ログファイルを開けませんでした。\r\nテキストエディターなどで、"
                                  L"次のファイルを開いてください。\r\n" + log);
  EXPECT_EQ(boxes.seen()[0].caption, L"Larkspan2");
  EXPECT_EQ(boxes.seen()[0].owner, dialog);
  EXPECT_EQ(boxes.seen()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_TRUE(testsupport::exists(log));
  EXPECT_EQ(guitest::itemText(dialog, IDC_EXECUTE), L"実行");
}

TEST_F(RunTest, answering_no_lets_the_run_go_on) {
  BoxAnswerer boxes(IDNO);
  ShellRecorder shell;
  executeWithCancelClick();

  ASSERT_TRUE(cancelClicked);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, L"処理を中止しますか？");
  EXPECT_EQ(corrector_.started.size(), 3u);
  EXPECT_TRUE(outputExists(L"a.dm"));
  EXPECT_TRUE(outputExists(L"b.dm"));
  EXPECT_TRUE(outputExists(L"c.dm"));
  const std::wstring& log = dialog_->job().log.text();
  EXPECT_EQ(log.find(L"キャンセル"), std::wstring::npos);
  EXPECT_EQ(log.find(L"中断しました"), std::wstring::npos);
  EXPECT_EQ(dialog_->job().state.cancelRequested, 0);
  EXPECT_EQ(ShellRecorder::calls().size(), 1u);
  EXPECT_EQ(guitest::itemText(dialog, IDC_EXECUTE), L"実行");
}

}  // namespace
