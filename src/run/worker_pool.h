// The workers of a run: one thread each, each with a DM file corrector of its own (its zone, its
// cell cache, its reader and writer), taking one file after the other from the run's board until
// none is left or the run is cancelled. A worker touches no window and no state of the front end:
// everything it has to tell goes onto the board.
#pragma once

#include <memory>
#include <thread>
#include <vector>

#include "run/file_board.h"
#include "run/run_host.h"

class WorkerPool {
 public:
  // Makes `count` correctors (on this thread) and starts a worker for each.
  WorkerPool(FileBoard& board, FileCorrectorFactory& correctors, int count);
  // Waits for every worker to end; the board must have run out of files or be cancelled.
  ~WorkerPool();

  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The count of workers a run has by default: one per logical processor.
  static int defaultCount();

 private:
  static void work(FileBoard& board, FileCorrector& corrector);

  std::vector<std::unique_ptr<FileCorrector>> correctors_;
  std::vector<std::thread> threads_;
};
