// The DM files of a run and where each of them stands, shared by the run's own thread, its
// workers and its committer. Files are numbered 0 to n - 1 in the order of the file list.
//
// A file goes from waiting to in work (a worker corrects it) to finished (the worker's outcome,
// its log lines and, when corrected, its complete copy under a temporary name). The committer
// puts every finished copy on the disk as soon as it can, several at once, and then under its
// output name strictly in file order: a copy waits until every earlier file is in place. A file
// whose outcome is final is then taken by the run's thread, again in file order, which writes
// its lines into the run's log. So everything a user sees comes out in file order, whatever order
// the workers finish in.
//
// A cancellation fixes the cut: the first file not finished by its worker at that moment. The
// files before it are still put in place; the cut file and every later one leave nothing (their
// copies are deleted, their lines dropped), so the run ends as a run of one file after the other
// would have ended had it been cancelled in the cut file.
//
// Every operation takes the board's lock; the cancel flag and the bytes done are also readable
// without it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/file_log.h"
#include "run/file_outcome.h"
#include "run/run_host.h"

class FileBoard {
 public:
  // One DM file of the run, as the scan found it. Never changed once the board is made, so a
  // worker reads it without the lock.
  struct File {
    FileTask task;
    std::int64_t size = 0;  // bytes, 0 when unknown
  };

  // A file whose outcome is final (its copy, if any, is in place), as the run's thread takes it.
  struct FinalFile {
    int index = -1;
    FileResult result = FileResult::Failed;
    FileLog log;
    FileOutcome outcome;  // as the corrector filled it (and the committer, when it failed)
  };

  // What the committer is to do next.
  struct CommitJob {
    enum Kind { Flush, Place, Discard, Stop };
    Kind kind = Stop;
    int index = -1;
    std::wstring copy;        // the finished copy (its temporary name)
    std::wstring outputPath;  // Place: the name it goes under
  };

  // `workerCount` workers take the files: the largest first when there are several, so that a
  // very large file does not start last and leave the other workers idle at the end; in list
  // order when there is one. At most `pendingLimit` finished files wait to be taken before the
  // workers start only the file that holds them up.
  FileBoard(std::vector<File> files, int workerCount, int pendingLimit);

  FileBoard(const FileBoard&) = delete;
  FileBoard& operator=(const FileBoard&) = delete;

  int fileCount() const { return static_cast<int>(files_.size()); }
  const File& file(int index) const { return files_[static_cast<size_t>(index)]; }

  // ---- Workers ------------------------------------------------------------------------------

  // The next file for a worker. Blocks while the run is held, and while the finished files
  // waiting to be taken fill the limit (unless the file that holds them up is still waiting: that
  // one may start). False when no file is left to start or the run is cancelled.
  bool takeFile(int& index);
  // A worker's outcome of file `index`: the file's log lines, what the corrector noted of it, and
  // for a corrected file its finished copy (empty when the corrector wrote none).
  void finishFile(int index, FileResult result, FileLog log, FileOutcome outcome,
                  std::wstring finishedCopy);
  // Counts bytes read by a worker into the run's whole.
  void addBytesDone(std::int64_t bytes) { bytesDone_.fetch_add(bytes, std::memory_order_relaxed); }
  // True once the run is cancelled. While the run is held, waits until it is released first.
  bool checkCancelled();

  // ---- The committer ------------------------------------------------------------------------

  // The next job; blocks until there is one. Stop once nothing more will happen.
  CommitJob nextCommitJob();
  // A job is done: the copy is on the disk (Flush), under its output name (Place), deleted
  // (Discard); `succeeded` false when the system refused. A copy that cannot be flushed or
  // placed makes its file Failed with "<output path> 書き込み失敗" at the end of its lines,
  // which is then also its outcome's reason.
  void commitJobDone(const CommitJob& job, bool succeeded);

  // ---- The run's thread ---------------------------------------------------------------------

  // Moves out the next file in list order whose outcome is final, when there is one.
  bool takeFinalFile(FinalFile& file);
  // Returns after `timeout`, or sooner once the last outcome is final, the run has finished or
  // it is cancelled. (The run's thread looks at the board every tick anyway: waking it for every
  // file would cost more than it gives.)
  void waitForNews(std::chrono::milliseconds timeout);
  // The lowest-numbered file that a worker is correcting, or -1 when none is.
  int lowestInWork() const;
  std::int64_t bytesDone() const { return bytesDone_.load(std::memory_order_relaxed); }
  std::int64_t totalBytes() const { return totalBytes_; }

  // Cancels the run (once; later calls change nothing) and releases a hold. Returns the cut:
  // the first file not finished now, or the number of files when every one is finished.
  int cancel();
  bool cancelled() const { return cancelled_.load(); }
  int cut() const;
  // Makes the workers wait at their next report, and before their next file, while `held` (the
  // cancel question is open).
  void hold(bool held);
  // True when nothing more will happen: every outcome up to the cut (or all) is taken, no
  // worker corrects a file and the committer has nothing left to do.
  bool finished() const;

 private:
  enum class Stage { Waiting, InWork, Finished, Final, Taken };
  enum class Flush { NotYet, Running, Done, Failed };

  struct State {
    Stage stage = Stage::Waiting;
    bool dropped = false;  // at or after the cut of a cancelled run
    Flush flush = Flush::NotYet;
    FileResult result = FileResult::Failed;
    FileLog log;
    FileOutcome outcome;
    std::wstring copy;
  };

  int limit() const { return cancelled_ ? cut_ : fileCount(); }
  bool finishedLocked() const;
  bool committerHasWorkLocked() const;
  void dropLocked(int index);
  void writeFailedLocked(State& state, int index);
  void makeFinalLocked(int index);
  void advanceLocked();
  // Wakes whoever waits for what just changed: the workers (a file may start, the hold ended),
  // the committer (a job is there, or nothing more will come), the run's thread (news).
  void wakeWorkersLocked();
  void wakeCommitterLocked();
  void wakeRunLocked();

  const std::vector<File> files_;
  std::int64_t totalBytes_ = 0;
  std::vector<int> startOrder_;
  int pendingLimit_;

  mutable std::mutex mutex_;
  std::condition_variable workersWake_;
  std::condition_variable committerWake_;
  std::condition_variable runWake_;
  int workersWaiting_ = 0;
  int committerWaiting_ = 0;
  std::vector<State> states_;
  size_t nextStart_ = 0;        // position in startOrder_ from which waiting files are looked for
  int lowestUnfinished_ = 0;    // first file waiting or in work
  int nextToPlace_ = 0;         // first file whose outcome is not final
  bool placing_ = false;        // a Place job for nextToPlace_ is out
  int nextToTake_ = 0;          // first file not taken by the run's thread
  int pending_ = 0;             // finished files, not dropped, not yet taken
  int jobsOut_ = 0;             // committer jobs handed out and not yet done
  std::set<int> inWork_;
  std::set<int> toFlush_;       // finished copies not yet on the disk, lowest first
  std::deque<std::wstring> toDiscard_;  // copies to delete (dropped, or failed to flush or place)
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> held_{false};
  int cut_ = 0;
  unsigned long long version_ = 0;      // counts the wake-ups of the run's thread
  unsigned long long versionSeen_ = 0;  // by waitForNews
  std::atomic<std::int64_t> bytesDone_{0};
};
