// The run: Execute (button 3308), runJob and the run log file.
#pragma once

#include <string>
#include <vector>

#include "common/message_log.h"
#include "run/file_outcome.h"
#include "run/job_settings.h"
#include "run/run_host.h"

// What one run did, for the batch front end's summary line and report (the run itself logs no
// summary).
struct RunSummary {
  bool started = false;    // the file loop was reached (every check passed)
  bool cancelled = false;  // the loop ended on a cancelled file
  int fallbackZone = 0;    // the run's fallback zone (index file or zone list); 0 when none
  int corrected = 0;
  int refused = 0;
  int failed = 0;
  // One outcome per DM file of the scan, in run order; the files after a cancelled one are
  // there too, not started.
  std::vector<FileOutcome> files;

  // Totals over the files.
  long long points() const;
  long long pointsCorrected() const;
  long long pointsNotCorrected() const;
  long long cornersNotCorrected() const;
  // True when every DM file was corrected with every point and sheet corner.
  bool everythingCorrected() const;
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

  // A dry run: the output folder is not created (the corrector is told separately not to write).
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

  const RunSummary& summary() const { return summary_; }

 private:
  JobSettings& settings_;
  RunState& state_;
  MessageLog& log_;
  RunModel& model_;
  FileCorrector& corrector_;
  RunHost& host_;
  RunSummary summary_;
  bool dryRun_ = false;
};
