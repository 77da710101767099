// Runs started from the dialog's Execute button, corrected by the default pool of workers: the
// running look during the run, and a Yes and a No to "処理を中止しますか？" given mid-run by a click
// on the Cancel button.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <mutex>
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
};

// Correctors that read a file in 20 reports, as the real one reports every 32 records, and leave
// a finished copy "corrected" when they get to the end. They note which files they started; they
// touch no window (they run on the workers' threads).
class SteppingCorrectors : public FileCorrectorFactory {
 public:
  std::unique_ptr<FileCorrector> createCorrector() override {
    return std::make_unique<Worker>(*this);
  }
  std::vector<std::wstring> started() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }

 private:
  class Worker : public FileCorrector {
   public:
    explicit Worker(SteppingCorrectors& owner) : owner_(owner) {}
    FileResult correctDmFile(const FileTask& task, FileLog&, Progress& progress, FileOutcome&,
                             std::wstring& finishedCopy) override {
      {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        owner_.started_.push_back(task.inputPath);
      }
      const int reports = 20;
      for (int i = 0; i < reports; ++i) {
        // Positions in bytes of the 2-byte test files: the first report past 0 ends the file's
        // share of the bar.
        if (progress.SetPosition(i, reports) != 0) return FileResult::Cancelled;
        Sleep(3);
      }
      finishedCopy = task.outputPath + L".ostrand-tmp";
      testsupport::writeBytes(finishedCopy, "corrected");
      return FileResult::Corrected;
    }

   private:
    SteppingCorrectors& owner_;
  };

  mutable std::mutex mutex_;
  std::vector<std::wstring> started_;
};

// A thread timer fires inside the run's own message pump on the dialog's thread: it notes the
// running look as the user sees it, and clicks the Cancel button once the bar has passed 30 % of
// the run, as a user's click would arrive.
HWND timerDialog = nullptr;
bool runningLookSeen = false;
bool cancelClicked = false;
LONG_PTR barWhenClicked = -1;

void CALLBACK clickCancelMidRun(HWND, UINT, UINT_PTR timer, DWORD) {
  if (cancelClicked || timerDialog == nullptr) return;
  runningLookSeen = runningLookSeen ||
                    (guitest::itemText(timerDialog, IDC_EXECUTE) == L"キャンセル" &&
                     IsWindowVisible(GetDlgItem(timerDialog, IDC_PROGRESS)) &&
                     IsWindowVisible(GetDlgItem(timerDialog, IDC_STATUS_LINE)) &&
                     guitest::itemText(timerDialog, IDC_STATUS_LINE).rfind(L"[", 0) == 0 &&
                     !IsWindowEnabled(GetDlgItem(timerDialog, IDC_INPUT_FOLDER)));
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

const wchar_t* const kNames[] = {L"a.dm", L"b.dm", L"c.dm", L"d.dm", L"e.dm", L"f.dm"};

class RunTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    for (const wchar_t* name : kNames) {
      testsupport::writeBytes(input_.path() / name, "DM");
      testsupport::writeBytes(output_.path() / name, "earlier");
    }
    dialog = openDialog(&model_, &correctors_);
    SetDlgItemTextW(dialog, IDC_INPUT_FOLDER, input_.wide().c_str());
    SetDlgItemTextW(dialog, IDC_OUTPUT_FOLDER, output_.wide().c_str());
    SetDlgItemTextW(dialog, IDC_YEAR, L"13");
    SetDlgItemTextW(dialog, IDC_MONTH, L"4");
    timerDialog = dialog;
    runningLookSeen = false;
    cancelClicked = false;
    barWhenClicked = -1;
  }

  void TearDown() override {
    timerDialog = nullptr;
    DialogFixture::TearDown();
  }

  // Execute, with the timer armed.
  void executeWithCancelClick() {
    UINT_PTR timer = SetTimer(nullptr, 0, 10, &clickCancelMidRun);
    SendDlgItemMessageW(dialog, IDC_EXECUTE, BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
  }

  std::string output(const wchar_t* name) { return testsupport::readBytes(output_.path() / name); }
  std::wstring fileLine(const wchar_t* name) {
    return input_.wide(name) + L" から " + output_.wide(name) + L"\r\n";
  }

  testsupport::ScratchFolder input_;
  testsupport::ScratchFolder output_;
  LoadedModel model_;
  SteppingCorrectors correctors_;
  HWND dialog = nullptr;
};

TEST_F(RunTest, answering_yes_keeps_the_files_before_the_first_unfinished_one) {
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
  EXPECT_TRUE(runningLookSeen);
  EXPECT_TRUE(IsWindow(dialog)) << "the close button did nothing during the run";

  // The files before the cut are the new ones, the cut file and every later one keep the
  // earlier file of their name; the log ends at the cut file's line with the two cancel lines.
  size_t cut = 0;
  while (cut < 6 && output(kNames[cut]) == "corrected") ++cut;
  ASSERT_LT(cut, 6u) << "the run was not stopped";
  std::wstring expected = L"インデックスファイル なし\r\n";
  for (size_t i = 0; i < cut; ++i) expected += fileLine(kNames[i]);
  expected += fileLine(kNames[cut]) + L"----キャンセル----\r\n中断しました\r\n";
  for (size_t i = cut; i < 6; ++i) EXPECT_EQ(output(kNames[i]), "earlier") << i;
  const std::wstring& log = dialog_->job().log.text();
  EXPECT_EQ(log, expected);
  EXPECT_EQ(dialog_->job().state.running, 0);
  EXPECT_EQ(dialog_->job().state.cancelRequested, 1);
  EXPECT_FALSE(testsupport::exists(output_.path() / "f.dm.ostrand-tmp"));

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
  EXPECT_EQ(correctors_.started().size(), 6u);
  for (const wchar_t* name : kNames) EXPECT_EQ(output(name), "corrected");
  const std::wstring& log = dialog_->job().log.text();
  EXPECT_EQ(log.find(L"キャンセル"), std::wstring::npos);
  EXPECT_EQ(log.find(L"中断しました"), std::wstring::npos);
  EXPECT_EQ(dialog_->job().state.cancelRequested, 0);
  EXPECT_EQ(ShellRecorder::calls().size(), 1u);
  EXPECT_EQ(guitest::itemText(dialog, IDC_EXECUTE), L"実行");
}

}  // namespace
