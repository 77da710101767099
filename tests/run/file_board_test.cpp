// The board of a run, driven by hand from the test's thread as workers, committer and run's thread
// would drive it: the order files start in, outcomes and copies in file order whatever order the
// files finish in, the cut of a cancellation, failed flushes and renames, the limit of finished
// files waiting, and the hold of the cancel question.
#include "run/file_board.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace {

using Job = FileBoard::CommitJob;
using namespace std::chrono_literals;

std::vector<FileBoard::File> filesOfSizes(const std::vector<std::int64_t>& sizes) {
  std::vector<FileBoard::File> files;
  for (size_t i = 0; i < sizes.size(); ++i) {
    FileBoard::File file;
    file.task.inputPath = L"in/" + std::to_wstring(i) + L".dm";
    file.task.outputPath = L"out/" + std::to_wstring(i) + L".dm";
    file.size = sizes[i];
    files.push_back(file);
  }
  return files;
}

std::vector<int> takeAll(FileBoard& board) {
  std::vector<int> taken;
  int index = -1;
  while (board.takeFile(index)) taken.push_back(index);
  return taken;
}

std::wstring copyOf(int index) { return L"out/" + std::to_wstring(index) + L".dm.tmp"; }

void finishCorrected(FileBoard& board, int index) {
  FileLog log;
  log.logLine(L"lines of %d", index);
  FileOutcome outcome;
  outcome.points = 100 + index;
  board.finishFile(index, FileResult::Corrected, log, outcome, copyOf(index));
}

// Takes the next commit job, which must be of this kind and file, and reports it done.
void expectJob(FileBoard& board, Job::Kind kind, int index, bool succeeded = true) {
  const Job job = board.nextCommitJob();
  EXPECT_EQ(job.kind, kind);
  EXPECT_EQ(job.index, kind == Job::Discard ? -1 : index);
  if (kind != Job::Stop) EXPECT_EQ(job.copy, copyOf(index));
  if (kind == Job::Place) EXPECT_EQ(job.outputPath, L"out/" + std::to_wstring(index) + L".dm");
  board.commitJobDone(job, succeeded);
}

std::vector<int> takeOutcomes(FileBoard& board) {
  std::vector<int> taken;
  FileBoard::FinalFile outcome;
  while (board.takeFinalFile(outcome)) taken.push_back(outcome.index);
  return taken;
}

TEST(FileBoardTest, several_workers_take_the_largest_files_first_one_worker_the_list_order) {
  const std::vector<std::int64_t> sizes = {10, 500, 20, 500, 0, 300};
  FileBoard one(filesOfSizes(sizes), 1, 100);
  EXPECT_EQ(takeAll(one), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  FileBoard several(filesOfSizes(sizes), 3, 100);
  EXPECT_EQ(takeAll(several), (std::vector<int>{1, 3, 5, 2, 0, 4}));
  EXPECT_EQ(several.totalBytes(), 1330);
  EXPECT_EQ(several.lowestInWork(), 0);
}

TEST(FileBoardTest, copies_are_flushed_as_they_come_and_placed_and_taken_in_file_order) {
  FileBoard board(filesOfSizes({1, 1, 1}), 3, 100);
  EXPECT_EQ(takeAll(board).size(), 3u);
  finishCorrected(board, 2);
  finishCorrected(board, 1);
  expectJob(board, Job::Flush, 1);  // the lowest first
  expectJob(board, Job::Flush, 2);
  EXPECT_TRUE(takeOutcomes(board).empty());  // both wait for file 0
  EXPECT_EQ(board.lowestInWork(), 0);
  finishCorrected(board, 0);
  EXPECT_EQ(board.lowestInWork(), -1);
  expectJob(board, Job::Flush, 0);
  expectJob(board, Job::Place, 0);
  expectJob(board, Job::Place, 1);
  expectJob(board, Job::Place, 2);
  EXPECT_FALSE(board.finished());  // the run's thread has not taken them
  FileBoard::FinalFile outcome;
  ASSERT_TRUE(board.takeFinalFile(outcome));
  EXPECT_EQ(outcome.index, 0);
  EXPECT_EQ(outcome.result, FileResult::Corrected);
  EXPECT_EQ(outcome.log.text(), L"lines of 0\r\n");
  EXPECT_EQ(outcome.outcome.points, 100);  // as the corrector noted it
  EXPECT_EQ(takeOutcomes(board), (std::vector<int>{1, 2}));
  EXPECT_TRUE(board.finished());
  expectJob(board, Job::Stop, -1);
}

TEST(FileBoardTest, a_file_without_a_copy_needs_no_committer) {
  FileBoard board(filesOfSizes({1, 1}), 2, 100);
  takeAll(board);
  FileLog log;
  log.logLine(L"refused");
  board.finishFile(1, FileResult::Refused, log, FileOutcome(), L"");
  board.finishFile(0, FileResult::Failed, FileLog(), FileOutcome(), L"");
  FileBoard::FinalFile outcome;
  ASSERT_TRUE(board.takeFinalFile(outcome));
  EXPECT_EQ(outcome.result, FileResult::Failed);
  ASSERT_TRUE(board.takeFinalFile(outcome));
  EXPECT_EQ(outcome.result, FileResult::Refused);
  EXPECT_EQ(outcome.log.text(), L"refused\r\n");
  EXPECT_TRUE(board.finished());
}

TEST(FileBoardTest, a_copy_that_cannot_be_flushed_or_renamed_fails_its_file_and_is_deleted) {
  FileBoard board(filesOfSizes({1, 1, 1}), 1, 100);
  takeAll(board);
  finishCorrected(board, 0);
  finishCorrected(board, 1);
  finishCorrected(board, 2);
  expectJob(board, Job::Flush, 0, false);
  expectJob(board, Job::Discard, 0);  // failed at once: nothing to place
  expectJob(board, Job::Flush, 1);
  expectJob(board, Job::Place, 1, false);
  expectJob(board, Job::Discard, 1);
  expectJob(board, Job::Flush, 2);
  expectJob(board, Job::Place, 2);
  std::vector<FileBoard::FinalFile> outcomes(3);
  for (FileBoard::FinalFile& outcome : outcomes) ASSERT_TRUE(board.takeFinalFile(outcome));
  EXPECT_EQ(outcomes[0].result, FileResult::Failed);
  EXPECT_EQ(outcomes[0].log.text(), L"lines of 0\r\nout/0.dm 書き込み失敗\r\n");
  EXPECT_EQ(outcomes[0].outcome.reason, L"out/0.dm 書き込み失敗");
  EXPECT_EQ(outcomes[1].result, FileResult::Failed);
  EXPECT_EQ(outcomes[1].log.text(), L"lines of 1\r\nout/1.dm 書き込み失敗\r\n");
  EXPECT_EQ(outcomes[1].outcome.reason, L"out/1.dm 書き込み失敗");
  EXPECT_EQ(outcomes[1].outcome.points, 101);
  EXPECT_EQ(outcomes[2].result, FileResult::Corrected);
  EXPECT_TRUE(board.finished());
}

TEST(FileBoardTest, a_cancel_keeps_the_files_before_the_first_unfinished_one) {
  // Files 0 and 1 finished, 2 in work, 3 finished and flushing, 4 finished, 5 in work, 6 not
  // started: the cut is 2.
  FileBoard board(filesOfSizes({1, 1, 1, 1, 1, 1, 1}), 3, 100);
  int index = -1;
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(board.takeFile(index));
  finishCorrected(board, 0);
  finishCorrected(board, 1);
  finishCorrected(board, 3);
  finishCorrected(board, 4);
  const Job flushing0 = board.nextCommitJob();
  EXPECT_EQ(flushing0.index, 0);
  const Job flushing1 = board.nextCommitJob();
  const Job flushing3 = board.nextCommitJob();
  EXPECT_EQ(flushing3.index, 3);
  board.commitJobDone(flushing1, true);

  EXPECT_EQ(board.cancel(), 2);
  EXPECT_EQ(board.cancel(), 2);  // once only
  EXPECT_TRUE(board.cancelled());
  EXPECT_FALSE(board.takeFile(index));
  EXPECT_TRUE(board.checkCancelled());

  expectJob(board, Job::Discard, 4);  // finished after the cut: deleted at once
  board.commitJobDone(flushing0, true);
  expectJob(board, Job::Place, 0);    // before the cut: still put in place
  expectJob(board, Job::Place, 1);
  board.commitJobDone(flushing3, true);
  expectJob(board, Job::Discard, 3);  // once its flush is done
  // The files in work end: as cancelled, or finished after all; nothing of either is kept.
  board.finishFile(2, FileResult::Cancelled, FileLog(), FileOutcome(), L"");
  finishCorrected(board, 5);
  expectJob(board, Job::Discard, 5);
  EXPECT_EQ(takeOutcomes(board), (std::vector<int>{0, 1}));
  EXPECT_TRUE(board.finished());
  EXPECT_EQ(board.cut(), 2);
  expectJob(board, Job::Stop, -1);
}

TEST(FileBoardTest, a_cancel_after_every_file_is_finished_keeps_them_all) {
  FileBoard board(filesOfSizes({1, 1}), 2, 100);
  takeAll(board);
  finishCorrected(board, 1);
  finishCorrected(board, 0);
  EXPECT_EQ(board.cancel(), 2);
  expectJob(board, Job::Flush, 0);
  expectJob(board, Job::Place, 0);  // placing the next in order comes before more flushing
  expectJob(board, Job::Flush, 1);
  expectJob(board, Job::Place, 1);
  EXPECT_EQ(takeOutcomes(board), (std::vector<int>{0, 1}));
  EXPECT_TRUE(board.finished());
}

TEST(FileBoardTest, a_file_cancelled_of_its_own_accord_cancels_the_run_there) {
  FileBoard board(filesOfSizes({1, 1, 1}), 1, 100);
  int index = -1;
  ASSERT_TRUE(board.takeFile(index));
  board.finishFile(0, FileResult::Refused, FileLog(), FileOutcome(), L"");
  ASSERT_TRUE(board.takeFile(index));
  board.finishFile(1, FileResult::Cancelled, FileLog(), FileOutcome(), L"");
  EXPECT_TRUE(board.cancelled());
  EXPECT_EQ(board.cut(), 1);
  EXPECT_FALSE(board.takeFile(index));
  EXPECT_EQ(takeOutcomes(board), std::vector<int>{0});
  EXPECT_TRUE(board.finished());
}

TEST(FileBoardTest, a_full_limit_lets_only_the_file_that_holds_the_others_up_start) {
  // Start order by size: 0, 3, 2, 1; at most one finished file may wait to be taken.
  FileBoard board(filesOfSizes({40, 10, 20, 30}), 2, 1);
  auto takeLater = [&board] {
    return std::async(std::launch::async, [&board] {
      int taken = -1;
      return board.takeFile(taken) ? taken : -2;
    });
  };
  int index = -1;
  ASSERT_TRUE(board.takeFile(index));
  EXPECT_EQ(index, 0);
  ASSERT_TRUE(board.takeFile(index));
  EXPECT_EQ(index, 3);
  board.finishFile(3, FileResult::Refused, FileLog(), FileOutcome(), L"");

  // File 3 waits for file 0, which is in work: nothing may start.
  auto first = takeLater();
  EXPECT_EQ(first.wait_for(50ms), std::future_status::timeout);
  // Now file 1 holds the others up and has not started: it starts, before file 2.
  board.finishFile(0, FileResult::Refused, FileLog(), FileOutcome(), L"");
  EXPECT_EQ(first.get(), 1);

  auto second = takeLater();
  EXPECT_EQ(second.wait_for(50ms), std::future_status::timeout);
  EXPECT_EQ(takeOutcomes(board), std::vector<int>{0});  // file 3 still waits for file 1
  EXPECT_EQ(second.wait_for(20ms), std::future_status::timeout);
  board.finishFile(1, FileResult::Refused, FileLog(), FileOutcome(), L"");
  EXPECT_EQ(second.get(), 2);
}

TEST(FileBoardTest, a_held_run_lets_no_worker_go_on_until_it_is_released_or_cancelled) {
  FileBoard board(filesOfSizes({1, 1, 1}), 2, 100);
  int index = -1;
  ASSERT_TRUE(board.takeFile(index));
  board.hold(true);
  auto report = std::async(std::launch::async, [&board] { return board.checkCancelled(); });
  auto start = std::async(std::launch::async, [&board] {
    int taken = -1;
    return board.takeFile(taken);
  });
  EXPECT_EQ(report.wait_for(50ms), std::future_status::timeout);
  EXPECT_EQ(start.wait_for(0ms), std::future_status::timeout);
  board.hold(false);
  EXPECT_FALSE(report.get());
  EXPECT_TRUE(start.get());

  board.hold(true);
  auto held = std::async(std::launch::async, [&board] { return board.checkCancelled(); });
  EXPECT_EQ(held.wait_for(20ms), std::future_status::timeout);
  board.cancel();
  EXPECT_TRUE(held.get());
}

TEST(FileBoardTest, the_bytes_done_add_up) {
  FileBoard board(filesOfSizes({100, 250}), 2, 100);
  board.addBytesDone(30);
  board.addBytesDone(250);
  EXPECT_EQ(board.bytesDone(), 280);
  EXPECT_EQ(board.totalBytes(), 350);
}

}  // namespace
