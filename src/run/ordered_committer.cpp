#include "run/ordered_committer.h"

#include "platform/platform.h"

bool CopyOperations::flush(const std::wstring& copy) { return platform::flushFileToDisk(copy); }

bool CopyOperations::place(const std::wstring& copy, const std::wstring& outputPath) {
  return platform::replaceFile(copy, outputPath);
}

void CopyOperations::discard(const std::wstring& copy) { platform::deleteFile(copy); }

OrderedCommitter::OrderedCommitter(FileBoard& board, CopyOperations& operations, int threadCount) {
  if (threadCount < 1) threadCount = 1;
  for (int i = 0; i < threadCount; ++i) {
    threads_.emplace_back(&OrderedCommitter::commit, std::ref(board), std::ref(operations));
  }
}

OrderedCommitter::~OrderedCommitter() {
  for (std::thread& thread : threads_) thread.join();
}

void OrderedCommitter::commit(FileBoard& board, CopyOperations& operations) {
  for (;;) {
    const FileBoard::CommitJob job = board.nextCommitJob();
    bool succeeded = true;
    switch (job.kind) {
      case FileBoard::CommitJob::Stop:
        return;
      case FileBoard::CommitJob::Flush:
        succeeded = operations.flush(job.copy);
        break;
      case FileBoard::CommitJob::Place:
        succeeded = operations.place(job.copy, job.outputPath);
        break;
      case FileBoard::CommitJob::Discard:
        operations.discard(job.copy);
        break;
    }
    board.commitJobDone(job, succeeded);
  }
}
