#include "run/worker_pool.h"

#include <utility>

namespace {

// The progress object a worker hands its corrector for one file: the bytes read count into the
// run's whole, and every report answers the run's cancel flag (waiting first while the run is
// held for the cancel question).
class WorkerProgress : public Progress {
 public:
  WorkerProgress(FileBoard& board, std::int64_t fileSize) : board_(board), fileSize_(fileSize) {}

  int Begin() override { return 1; }
  int SetRatio(double) override { return board_.checkCancelled() ? 1 : 0; }
  int SetPosition(std::int64_t done, std::int64_t) override {
    count(done);
    return SetRatio(0.0);
  }
  void SetText(const std::wstring&) override {}

  // The whole file counts as read once the worker is done with it, however it ended.
  void finish() { count(fileSize_); }

 private:
  // Positions beyond the size the scan found (a file that grew since) count as its end.
  void count(std::int64_t done) {
    if (done > fileSize_) done = fileSize_;
    if (done > counted_) {
      board_.addBytesDone(done - counted_);
      counted_ = done;
    }
  }

  FileBoard& board_;
  std::int64_t fileSize_;
  std::int64_t counted_ = 0;
};

}  // namespace

WorkerPool::WorkerPool(FileBoard& board, FileCorrectorFactory& correctors, int count) {
  if (count < 1) count = 1;
  for (int i = 0; i < count; ++i) correctors_.push_back(correctors.createCorrector());
  for (int i = 0; i < count; ++i) {
    threads_.emplace_back(&WorkerPool::work, std::ref(board), std::ref(*correctors_[i]));
  }
}

WorkerPool::~WorkerPool() {
  for (std::thread& thread : threads_) thread.join();
}

int WorkerPool::defaultCount() {
  const unsigned processors = std::thread::hardware_concurrency();
  return processors > 0 ? static_cast<int>(processors) : 1;
}

void WorkerPool::work(FileBoard& board, FileCorrector& corrector) {
  int index = 0;
  while (board.takeFile(index)) {
    const FileBoard::File& file = board.file(index);
    WorkerProgress progress(board, file.size);
    FileLog log;
    FileOutcome outcome;
    outcome.inputPath = file.task.inputPath;
    outcome.outputPath = file.task.outputPath;
    outcome.started = true;
    std::wstring finishedCopy;
    const FileResult result =
        corrector.correctDmFile(file.task, log, progress, outcome, finishedCopy);
    progress.finish();
    board.finishFile(index, result, std::move(log), std::move(outcome), std::move(finishedCopy));
  }
}
