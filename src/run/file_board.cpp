#include "run/file_board.h"

#include "common/text_format.h"

#include <algorithm>
#include <numeric>
#include <utility>

FileBoard::FileBoard(std::vector<File> files, int workerCount, int pendingLimit)
    : files_(std::move(files)),
      startOrder_(files_.size()),
      pendingLimit_(pendingLimit < 1 ? 1 : pendingLimit),
      states_(files_.size()) {
  for (const File& f : files_) totalBytes_ += f.size;
  std::iota(startOrder_.begin(), startOrder_.end(), 0);
  if (workerCount > 1) {
    // Largest first; files of equal size in list order.
    std::stable_sort(startOrder_.begin(), startOrder_.end(),
                     [this](int a, int b) { return files_[a].size > files_[b].size; });
  }
}

// ---- Workers ----------------------------------------------------------------------------------

bool FileBoard::takeFile(int& index) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (cancelled_) return false;
    if (held_) {
      ++workersWaiting_;
      workersWake_.wait(lock);
      --workersWaiting_;
      continue;
    }
    while (nextStart_ < startOrder_.size() &&
           states_[static_cast<size_t>(startOrder_[nextStart_])].stage != Stage::Waiting) {
      ++nextStart_;
    }
    if (nextStart_ == startOrder_.size()) return false;
    int candidate = startOrder_[nextStart_];
    if (pending_ >= pendingLimit_) {
      // The waiting files are held up by an earlier one: only that one may start, or nothing.
      if (lowestUnfinished_ >= fileCount() ||
          states_[static_cast<size_t>(lowestUnfinished_)].stage != Stage::Waiting) {
        ++workersWaiting_;
        workersWake_.wait(lock);
        --workersWaiting_;
        continue;
      }
      candidate = lowestUnfinished_;
    }
    states_[static_cast<size_t>(candidate)].stage = Stage::InWork;
    inWork_.insert(candidate);
    index = candidate;
    return true;
  }
}

void FileBoard::finishFile(int index, FileResult result, FileLog log, FileOutcome outcome,
                           std::wstring finishedCopy) {
  std::lock_guard<std::mutex> lock(mutex_);
  // A corrector stops with Cancelled only when the run is cancelled; should one stop so of its
  // own accord, the run is cancelled there all the same.
  if (result == FileResult::Cancelled && !cancelled_) {
    cancelled_ = true;
    held_ = false;
    cut_ = lowestUnfinished_;
    for (int i = cut_; i < fileCount(); ++i) dropLocked(i);
  }
  State& state = states_[static_cast<size_t>(index)];
  inWork_.erase(index);
  state.stage = Stage::Finished;
  state.result = result;
  state.log = std::move(log);
  state.outcome = std::move(outcome);
  state.copy = std::move(finishedCopy);
  while (lowestUnfinished_ < fileCount() &&
         states_[static_cast<size_t>(lowestUnfinished_)].stage >= Stage::Finished) {
    ++lowestUnfinished_;
  }
  if (state.dropped) {
    if (!state.copy.empty()) toDiscard_.push_back(std::move(state.copy));
    state.copy.clear();
    state.log.clear();
    state.outcome = FileOutcome();
  } else {
    ++pending_;
    if (!state.copy.empty()) toFlush_.insert(index);
  }
  advanceLocked();
  wakeWorkersLocked();  // the first unfinished file may have moved on
  wakeCommitterLocked();
  if (finishedLocked()) wakeRunLocked();
}

bool FileBoard::checkCancelled() {
  if (held_) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++workersWaiting_;
    workersWake_.wait(lock, [this] { return !held_ || cancelled_; });
    --workersWaiting_;
  }
  return cancelled_;
}

// ---- The committer ----------------------------------------------------------------------------

FileBoard::CommitJob FileBoard::nextCommitJob() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    CommitJob job;
    if (!toDiscard_.empty()) {
      job.kind = CommitJob::Discard;
      job.copy = std::move(toDiscard_.front());
      toDiscard_.pop_front();
    } else if (nextToPlace_ < limit() && !placing_ &&
               states_[static_cast<size_t>(nextToPlace_)].stage == Stage::Finished &&
               states_[static_cast<size_t>(nextToPlace_)].flush == Flush::Done) {
      // advanceLocked leaves a file here only when its copy is on the disk and is to be placed.
      job.kind = CommitJob::Place;
      job.index = nextToPlace_;
      job.copy = states_[static_cast<size_t>(nextToPlace_)].copy;
      job.outputPath = files_[static_cast<size_t>(nextToPlace_)].task.outputPath;
      placing_ = true;
    } else if (!toFlush_.empty()) {
      job.kind = CommitJob::Flush;
      job.index = *toFlush_.begin();
      toFlush_.erase(toFlush_.begin());
      State& state = states_[static_cast<size_t>(job.index)];
      state.flush = Flush::Running;
      job.copy = state.copy;
    } else if (finishedLocked()) {
      committerWake_.notify_all();  // the other committer threads stop too
      return job;                   // Stop
    } else {
      ++committerWaiting_;
      committerWake_.wait(lock);
      --committerWaiting_;
      continue;
    }
    ++jobsOut_;
    // More jobs waiting: another thread takes the next one meanwhile.
    if (committerHasWorkLocked()) wakeCommitterLocked();
    return job;
  }
}

void FileBoard::commitJobDone(const CommitJob& job, bool succeeded) {
  std::lock_guard<std::mutex> lock(mutex_);
  --jobsOut_;
  if (job.kind == CommitJob::Flush) {
    State& state = states_[static_cast<size_t>(job.index)];
    state.flush = succeeded ? Flush::Done : Flush::Failed;
    if (state.dropped) {
      toDiscard_.push_back(std::move(state.copy));
      state.copy.clear();
    }
  } else if (job.kind == CommitJob::Place) {
    State& state = states_[static_cast<size_t>(job.index)];
    placing_ = false;
    if (succeeded) {
      state.copy.clear();
    } else {
      writeFailedLocked(state, job.index);
    }
    makeFinalLocked(job.index);
  }
  advanceLocked();
  wakeCommitterLocked();
  if (finishedLocked()) wakeRunLocked();
}

// ---- The run's thread -------------------------------------------------------------------------

bool FileBoard::takeFinalFile(FinalFile& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (nextToTake_ >= limit()) return false;
  State& state = states_[static_cast<size_t>(nextToTake_)];
  if (state.stage != Stage::Final) return false;
  file.index = nextToTake_;
  file.result = state.result;
  file.log = std::move(state.log);
  file.outcome = std::move(state.outcome);
  state.log.clear();
  state.outcome = FileOutcome();
  state.stage = Stage::Taken;
  ++nextToTake_;
  --pending_;
  wakeWorkersLocked();                                 // room for another file
  if (finishedLocked()) committerWake_.notify_all();  // it stops
  return true;
}

void FileBoard::waitForNews(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  runWake_.wait_for(lock, timeout, [this] { return version_ != versionSeen_; });
  versionSeen_ = version_;
}

int FileBoard::lowestInWork() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inWork_.empty() ? -1 : *inWork_.begin();
}

int FileBoard::cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cancelled_) {
    cancelled_ = true;
    cut_ = lowestUnfinished_;
    for (int i = cut_; i < fileCount(); ++i) dropLocked(i);
    advanceLocked();
  }
  held_ = false;
  workersWake_.notify_all();
  committerWake_.notify_all();
  wakeRunLocked();
  return cut_;
}

int FileBoard::cut() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_ ? cut_ : fileCount();
}

void FileBoard::hold(bool held) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = held && !cancelled_;
  workersWake_.notify_all();
}

bool FileBoard::finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finishedLocked();
}

// ---- Inside the lock --------------------------------------------------------------------------

bool FileBoard::finishedLocked() const {
  return nextToTake_ == limit() && inWork_.empty() && jobsOut_ == 0 && toDiscard_.empty();
}

// A file at or after the cut: nothing of it is kept. A copy whose flush is running is deleted
// once the flush is done; a file still in work is dropped when its worker finishes it.
void FileBoard::dropLocked(int index) {
  State& state = states_[static_cast<size_t>(index)];
  if (state.dropped) return;
  state.dropped = true;
  if (state.stage != Stage::Finished) return;
  --pending_;
  toFlush_.erase(index);
  if (!state.copy.empty() && state.flush != Flush::Running) {
    toDiscard_.push_back(std::move(state.copy));
    state.copy.clear();
  }
  state.log.clear();
  state.outcome = FileOutcome();
}

void FileBoard::writeFailedLocked(State& state, int index) {
  state.result = FileResult::Failed;
  state.outcome.reason =
      formatText(L"%s 書き込み失敗", files_[static_cast<size_t>(index)].task.outputPath);
  state.log.logLine(L"%s", state.outcome.reason);
  if (!state.copy.empty()) toDiscard_.push_back(std::move(state.copy));
  state.copy.clear();
}

void FileBoard::makeFinalLocked(int index) {
  states_[static_cast<size_t>(index)].stage = Stage::Final;
  nextToPlace_ = index + 1;
  if (nextToPlace_ == limit()) wakeRunLocked();  // the last outcome: no need to wait for a tick
}

// Gives a final outcome, in file order, to every finished file that needs no placing: one
// without a copy, or whose copy could not be put on the disk. Stops at a copy that is still to
// be flushed or placed (nextCommitJob hands out its Place job).
void FileBoard::advanceLocked() {
  while (!placing_ && nextToPlace_ < limit()) {
    State& state = states_[static_cast<size_t>(nextToPlace_)];
    if (state.stage != Stage::Finished) return;
    if (!state.copy.empty()) {
      if (state.flush == Flush::Failed) {
        writeFailedLocked(state, nextToPlace_);
      } else {
        return;  // to be flushed, or placed next
      }
    }
    makeFinalLocked(nextToPlace_);
  }
}

bool FileBoard::committerHasWorkLocked() const {
  if (!toDiscard_.empty() || !toFlush_.empty()) return true;
  return nextToPlace_ < limit() && !placing_ &&
         states_[static_cast<size_t>(nextToPlace_)].stage == Stage::Finished &&
         states_[static_cast<size_t>(nextToPlace_)].flush == Flush::Done;
}

void FileBoard::wakeWorkersLocked() {
  if (workersWaiting_ > 0) workersWake_.notify_all();
}

void FileBoard::wakeCommitterLocked() {
  if (committerWaiting_ == 0) return;
  if (finishedLocked()) {
    committerWake_.notify_all();
  } else if (committerHasWorkLocked()) {
    committerWake_.notify_one();
  }
}

void FileBoard::wakeRunLocked() {
  ++version_;
  runWake_.notify_one();
}
