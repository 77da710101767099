// The main dialog (template 1001): the folders, the parameter box, the history entry's fields,
// the fallback zone, and the Execute button that starts and cancels runs. It owns the Job (the
// user's entries, the run's flags, the message log, the correction model and the DM file
// corrector) for the program's lifetime, and is the run's host: its data exchange, message boxes,
// wait cursor, progress object and the opening of the run log file.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "dm/job.h"
#include "run/run_driver.h"
#include "run/run_host.h"

class COstrandDlg : public RunHost {
 public:
  // Sets up the job (the model's zone projections) and reads the settings file into its
  // JobSettings. `runModel` and `correctors`, when given, take the place of the job's own in runs
  // (tests use them); the dialog does not own them. Runs have one worker per logical processor.
  explicit COstrandDlg(RunModel* runModel = nullptr, FileCorrectorFactory* correctors = nullptr);
  ~COstrandDlg() override;

  COstrandDlg(const COstrandDlg&) = delete;
  COstrandDlg& operator=(const COstrandDlg&) = delete;

  // Runs the dialog modally; returns when the Cancel command (Escape, the close box) ends it.
  INT_PTR DoModal();
  // Creates the dialog modeless from the same template (tests, screenshots). The Cancel command
  // then destroys the window.
  HWND CreateModeless(HWND owner = nullptr);

  HWND window() const { return window_; }
  Job& job() { return *job_; }
  RunDriver& driver() { return *driver_; }

  // The Execute command of button 3308: starts a run, or during a run asks whether to stop it.
  void OnExecute();

  // RunHost
  bool readFields(JobSettings& settings) override;
  void showMessage(const std::wstring& text) override;
  bool askYesNo(const std::wstring& text) override;
  void beginWaitCursor() override;
  void endWaitCursor() override;
  std::unique_ptr<Progress> createProgress() override;
  void openRunLog(const std::wstring& path) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  BOOL OnInitDialog();
  void OnCommand(int id, int notification);
  BOOL OnSysCommand(WPARAM command);
  BOOL OnPaintIconic();
  void OnHelp();
  void endDialog(int result);

  void showFields();
  void chooseFolder(int boxId, const wchar_t* caption, bool allowNewFolders);
  void chooseParameterFile();
  void loadParameters(const std::wstring& path);
  void updateZoneListEnabled();
  std::wstring controlText(int id) const;
  // Reads box `id` by the integer rule; on failure shows the message and puts the focus there.
  bool readIntegerBox(int id, int& value);
  // Checks value against lo..hi; on failure shows the range message and puts the focus on `id`.
  bool checkRange(int id, int value, int lo, int hi);
  void failAt(int id, const std::wstring& message);

  std::unique_ptr<Job> job_;
  std::unique_ptr<RunDriver> driver_;
  HWND window_ = nullptr;
  bool modal_ = false;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  int waitCursorCount_ = 0;
};
