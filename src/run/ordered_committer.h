// The committer of a run: puts the finished copies of the run's board on the disk, several at
// once (the system then writes them out together, instead of one journal commit per file), and
// under their output names in file order, while the workers correct the next files. So the cost
// of making every output survive a power cut stays off the path of the correction, and a file
// under its output name is always complete. Copies of files that a cancellation drops are
// deleted.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "run/file_board.h"

// What the committer does to the files; the platform's calls unless a test replaces them.
class CopyOperations {
 public:
  virtual ~CopyOperations() = default;
  // Puts the data of the closed file on the disk.
  virtual bool flush(const std::wstring& copy);
  // Renames the copy onto the output name, replacing an earlier file of that name.
  virtual bool place(const std::wstring& copy, const std::wstring& outputPath);
  virtual void discard(const std::wstring& copy);
};

class OrderedCommitter {
 public:
  // Starts `threadCount` threads on the board's commit jobs, with `operations` (not owned).
  OrderedCommitter(FileBoard& board, CopyOperations& operations, int threadCount = kThreads);
  // Waits for the threads, which stop once the board has finished.
  ~OrderedCommitter();

  OrderedCommitter(const OrderedCommitter&) = delete;
  OrderedCommitter& operator=(const OrderedCommitter&) = delete;

  // Flushes that wait on the disk side by side; a few are enough for the system to group them.
  static constexpr int kThreads = 8;

 private:
  static void commit(FileBoard& board, CopyOperations& operations);

  std::vector<std::thread> threads_;
};
