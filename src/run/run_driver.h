// The run: Execute (button 3308), runJob and the run log file.
#pragma once

#include <string>
#include <vector>

#include "common/message_log.h"
#include "run/file_outcome.h"
#include "run/job_settings.h"
#include "run/ordered_committer.h"
#include "run/run_host.h"

class FileBoard;

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
            FileCorrectorFactory& correctors, RunHost& host);

  // The number of workers that correct the files side by side; 0 (the default) gives one per
  // logical processor. Every output byte, log line and result is the same for every count.
  void setWorkerCount(int count) { workerCount_ = count; }
  // Replaces what the run does to put finished copies in place (tests make it fail).
  void setCopyOperations(CopyOperations& operations) { copyOperations_ = &operations; }

  // The Execute command. During a run: asks "処理を中止しますか？" (the workers wait for the
  // answer) and on Yes confirms the cancellation. Otherwise: startRun, then, when the log is not
  // empty, writes the run log file "Ostrand.txt" in the temporary folder and opens it.
  void execute();

  // Execute without the run log file: empties the log, resets the point error count, runJob.
  // The batch front end's whole run.
  void startRun();

  // A confirmed cancellation: sets cancelRequested and logs "----キャンセル----". During the
  // file loop the run stops at the first file not yet finished, and the line goes into the log
  // after the line "<input> から <output>" of that file, followed by "中断しました".
  void confirmCancel();

  // The run itself (checks, scan, index zone, the file loop).
  void runJob();

  // A dry run: the output folder is not created (the corrector is told separately not to write).
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

  const RunSummary& summary() const { return summary_; }

 private:
  // The file loop: the workers correct, the committer puts the copies in place, and this thread
  // writes every file's lines into the log in file order and keeps the front end alive.
  void correctFiles(const std::vector<std::wstring>& dmFiles, int fallbackZone,
                    Progress& progress);
  void followRun(FileBoard& board, Progress& progress);

  JobSettings& settings_;
  RunState& state_;
  MessageLog& log_;
  RunModel& model_;
  FileCorrectorFactory& correctors_;
  RunHost& host_;
  RunSummary summary_;
  int workerCount_ = 0;
  CopyOperations platformCopyOperations_;
  CopyOperations* copyOperations_ = &platformCopyOperations_;
  FileBoard* board_ = nullptr;  // the board of the file loop while it runs
  bool cancelConfirmed_ = false;
  bool dryRun_ = false;
};
