// The batch front end as the run's host: the job settings come from the command line (and the
// settings file it names), refusals go to stderr, nothing is asked, and progress goes to the
// console.
#pragma once

#include <memory>
#include <string>

#include "run/job_settings.h"
#include "run/run_driver.h"
#include "run/run_host.h"

class BatchHost : public RunHost {
 public:
  // `assembled`: the settings the run starts from (settings file or defaults, then the flags).
  // `showProgress`: draw the bar (stderr is a terminal and the front end is not quiet).
  BatchHost(const JobSettings& assembled, RunState& state, bool showProgress);

  // The run whose confirmCancel a Ctrl-C calls; set before the run starts.
  void setDriver(RunDriver* driver) { driver_ = driver; }

  // True once the run has shown a refusal (a message box in the dialog).
  bool refused() const { return refused_; }

  // The assembled settings; no settings file is written.
  bool readFields(JobSettings& settings) override;
  // The text on stderr; remembers that the run was refused.
  void showMessage(const std::wstring& text) override;
  // Never asked: Ctrl-C is a cancel that is already confirmed. Answers No.
  bool askYesNo(const std::wstring& text) override;
  void beginWaitCursor() override {}
  void endWaitCursor() override {}
  std::unique_ptr<Progress> createProgress() override;
  // The batch front end writes no run log file and opens nothing.
  void openRunLog(const std::wstring& path) override;

 private:
  JobSettings assembled_;
  RunState& state_;
  bool showProgress_;
  RunDriver* driver_ = nullptr;
  bool refused_ = false;
};
