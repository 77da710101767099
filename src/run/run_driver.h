// The run: Execute (button 3308), runJob and the run log file.
#pragma once

#include <string>

#include "common/message_log.h"
#include "run/job_settings.h"
#include "run/run_host.h"

// Counts of one run, for the batch front end's summary line (the run itself logs no summary).
struct RunSummary {
  bool started = false;    // the file loop was reached (every check passed)
  bool cancelled = false;  // the loop ended on a cancelled file
  int corrected = 0;
  int refused = 0;
  int failed = 0;
};

class RunDriver {
 public:
  RunDriver(JobSettings& settings, RunState& state, MessageLog& log, RunModel& model,
            FileCorrector& corrector, RunHost& host);

  // The Execute command. During a run: asks "処理を中止しますか？" and on Yes confirms the
  // cancellation. Otherwise: startRun, then, when the log is not empty, writes the run log file
  // "Ostrand.txt" in the temporary folder and opens it.
  void execute();

  // Execute without the run log file: empties the log, resets the point error count, runJob.
  // The batch front end's whole run.
  void startRun();

  // A confirmed cancellation: sets cancelRequested and logs "----キャンセル----".
  void confirmCancel();

  // The run itself (checks, scan, index zone, the file loop).
  void runJob();

  const RunSummary& summary() const { return summary_; }

 private:
  JobSettings& settings_;
  RunState& state_;
  MessageLog& log_;
  RunModel& model_;
  FileCorrector& corrector_;
  RunHost& host_;
  RunSummary summary_;
};
