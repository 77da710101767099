#include "run/run_driver.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "platform/platform.h"
#include "run/file_board.h"
#include "run/folder_scan.h"
#include "run/index_zone.h"
#include "run/path_operations.h"
#include "run/run_log_file.h"
#include "run/worker_pool.h"

namespace {

// How often the run's thread looks at the board: it takes the outcomes that have become final,
// shows the progress and drains the dialog's messages, which keeps the dialog responsive.
constexpr std::chrono::milliseconds kTick(10);

// Finished files that may wait to be put in place behind an earlier one before the workers start
// only that one: a bound on the lines and temporary files held, far above what the largest-first
// order needs.
constexpr int kPendingLimit = 1024;

// Shows the front end's wait cursor for as long as it lives, whichever way the run leaves.
class WaitCursor {
 public:
  explicit WaitCursor(RunHost& host) : host_(host) { host_.beginWaitCursor(); }
  ~WaitCursor() { host_.endWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  RunHost& host_;
};

// The checks before a run, each a line of one message box, in this order.
std::wstring collectCheckLines(const JobSettings& settings, const RunModel& model) {
  std::wstring lines;
  if (settings.inputFolder.empty()) lines += L"入力データフォルダーが指定されていません\r\n";
  if (settings.outputFolder.empty()) lines += L"出力データフォルダーが指定されていません\r\n";
  if (!model.isLoaded()) lines += L"補正パラメーターが読み込まれていません\r\n";
  if (settings.year < 0 || settings.year > 99) lines += L"作成年は0から99で指定してください\r\n";
  if (settings.month < 1 || settings.month > 12) lines += L"作成月は1から12で指定してください\r\n";
  return lines;
}

// The two folders are one when their texts are equal ignoring the case of A to Z, and also when
// they are one folder under two spellings ("./in", a link, a short name ...): writing the outputs
// into the input folder would truncate every input file as its output is created.
bool sameFolder(const std::wstring& inputFolder, const std::wstring& outputFolder) {
  if (equalIgnoringAsciiCase(inputFolder, outputFolder)) return true;
  return platform::sameFileObject(inputFolder, outputFolder);
}

// The name and extension of a file found by the scan. On Windows this is splitFileName's name and
// extension. Linux allows a backslash inside a name, which splitFileName takes for a separator:
// there "x\b.dm" and "b.dm" would both become the output "b.dm", the second overwriting the
// first, so the name is cut at the platform's own separator only.
std::wstring fileNameOf(const std::wstring& path) {
  const PathParts parts = splitFileName(path);
  if (platform::folderSeparator() == L'\\') return parts.name + parts.extension;
  return path.substr(path.find_last_of(platform::folderSeparator()) + 1);
}

// The size of a file in bytes, 0 when it cannot be found: the run's progress whole, and the order
// in which the workers take the files.
std::int64_t fileSizeOf(const std::wstring& path) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) return 0;
  std::int64_t size = 0;
  if (platform::seekFile(file, 0, SEEK_END)) size = platform::tellFile(file);
  std::fclose(file);
  return size > 0 ? size : 0;
}

// Holds the workers for as long as it lives (the cancel question is open).
class HeldWorkers {
 public:
  explicit HeldWorkers(FileBoard* board) : board_(board) {
    if (board_ != nullptr) board_->hold(true);
  }
  ~HeldWorkers() {
    if (board_ != nullptr) board_->hold(false);
  }
  HeldWorkers(const HeldWorkers&) = delete;
  HeldWorkers& operator=(const HeldWorkers&) = delete;

 private:
  FileBoard* board_;
};

}  // namespace

namespace {

// The sum of one count over every file of the run.
template <typename Count>
long long sumOverFiles(const std::vector<FileOutcome>& files, Count FileOutcome::*count) {
  long long total = 0;
  for (const FileOutcome& file : files) total += file.*count;
  return total;
}

}  // namespace

long long RunSummary::points() const { return sumOverFiles(files, &FileOutcome::points); }

long long RunSummary::pointsCorrected() const {
  return sumOverFiles(files, &FileOutcome::pointsCorrected);
}

long long RunSummary::pointsNotCorrected() const {
  return sumOverFiles(files, &FileOutcome::pointsNotCorrected);
}

long long RunSummary::cornersNotCorrected() const {
  return sumOverFiles(files, &FileOutcome::cornersNotCorrected);
}

bool RunSummary::everythingCorrected() const {
  return !cancelled && corrected == static_cast<int>(files.size()) && pointsNotCorrected() == 0 &&
         cornersNotCorrected() == 0;
}

RunDriver::RunDriver(JobSettings& settings, RunState& state, MessageLog& log, RunModel& model,
                     FileCorrectorFactory& correctors, RunHost& host)
    : settings_(settings),
      state_(state),
      log_(log),
      model_(model),
      correctors_(correctors),
      host_(host) {}

void RunDriver::execute() {
  if (state_.running == 1) {
    // A click on the Cancel button, dispatched from inside the run's own progress call. The
    // workers wait for the answer, as the run waits for it when it corrects one file at a time.
    // Once confirmed, the run is only finishing what it keeps: nothing more to ask.
    if (state_.cancelRequested != 0) return;
    HeldWorkers held(board_);
    if (host_.askYesNo(L"処理を中止しますか？")) confirmCancel();
    return;
  }

  startRun();
  if (log_.empty()) return;  // stopped at a check, which showed its own message

  const std::wstring path = runLogFilePath();
  if (!writeRunLogFile(path, log_.text())) {
    host_.showMessage(formatText(L"ログファイル %s を作成できませんでした", path));
    return;
  }
  host_.openRunLog(path);
}

void RunDriver::startRun() {
  log_.clear();
  state_.pointErrorCount = 0;
  runJob();
}

void RunDriver::confirmCancel() {
  state_.cancelRequested = 1;
  if (board_ == nullptr) {
    log_.logLine(L"----キャンセル----");
    return;
  }
  // The line waits for its place in the log: after the files that are kept.
  cancelConfirmed_ = true;
  board_->cancel();
}

void RunDriver::runJob() {
  summary_ = RunSummary{};
  WaitCursor waitCursor(host_);

  if (!host_.readFields(settings_)) return;

  const std::wstring checkLines = collectCheckLines(settings_, model_);
  if (!checkLines.empty()) {
    host_.showMessage(checkLines);
    return;
  }

  ensureTrailingBackslash(settings_.inputFolder);
  ensureTrailingBackslash(settings_.outputFolder);
  if (sameFolder(settings_.inputFolder, settings_.outputFolder)) {
    host_.showMessage(L"入力フォルダーと出力フォルダーが一致しています。");
    return;
  }

  std::vector<std::wstring> dmFiles, dmiFiles, idxFiles;
  scanInputFolder(settings_.inputFolder, dmFiles, dmiFiles, idxFiles);
  if (dmFiles.empty()) {
    host_.showMessage(L"指定のフォルダーにDMファイルが見つかりませんでした");
    return;
  }

  // The folder's zone from its first index file: the .idx files count only when there is no
  // .dmi file, and a .dmi file that yields no zone does not lead to them.
  int zone = 0;
  const std::vector<std::wstring>& indexFiles = !dmiFiles.empty() ? dmiFiles : idxFiles;
  if (indexFiles.empty()) {
    log_.logLine(L"インデックスファイル なし");
  } else {
    const std::wstring& indexPath = indexFiles.front();
    zone = readIndexZone(indexPath);
    if (zone <= 0) {
      log_.logLine(L"インデックスファイル %s  不良\u3000系情報不定", indexPath);
    } else {
      log_.logLine(L"インデックスファイル %s  から\u3000%d 系\u3000と判定", indexPath, zone);
    }
  }
  if (zone <= 0 && settings_.useFallbackZone == 1) zone = settings_.fallbackZoneIndex + 1;
  const int fallbackZone = zone;
  summary_.fallbackZone = fallbackZone;

  // A folder that cannot be created shows up as each file's failure to open its output. A dry
  // run creates nothing.
  if (!dryRun_) createFolderPath(settings_.outputFolder);

  state_.running = 1;
  state_.cancelRequested = 0;
  summary_.started = true;
  std::unique_ptr<Progress> progress = host_.createProgress();
  progress->Begin();

  correctFiles(dmFiles, fallbackZone, *progress);

  state_.running = 0;
  progress.reset();  // restores the front end's idle look
}

void RunDriver::correctFiles(const std::vector<std::wstring>& dmFiles, int fallbackZone,
                             Progress& progress) {
  std::vector<FileBoard::File> files;
  summary_.files.resize(dmFiles.size());
  for (size_t i = 0; i < dmFiles.size(); ++i) {
    // Every output file lands directly in the output folder under the input file's name; each
    // file starts from the run's fallback zone, which its sheet number may replace.
    FileBoard::File file;
    file.task = FileTask{dmFiles[i], settings_.outputFolder + fileNameOf(dmFiles[i]), fallbackZone};
    file.size = fileSizeOf(dmFiles[i]);
    summary_.files[i].inputPath = file.task.inputPath;
    summary_.files[i].outputPath = file.task.outputPath;
    files.push_back(file);
  }
  const int workers = workerCount_ > 0 ? workerCount_ : WorkerPool::defaultCount();
  FileBoard board(std::move(files), workers, kPendingLimit);
  cancelConfirmed_ = false;
  board_ = &board;
  {
    OrderedCommitter committer(board, *copyOperations_);
    WorkerPool pool(board, correctors_, workers);
    followRun(board, progress);
  }
  board_ = nullptr;

  // A cancelled run ends as a run of one file after the other ends when it is cancelled in the
  // cut file: that file's line, the cancel line, "中断しました".
  const int cut = board.cut();
  if (cut < board.fileCount()) {
    const FileTask& task = board.file(cut).task;
    log_.logLine(L"%s から %s", task.inputPath, task.outputPath);
    summary_.cancelled = true;
    FileOutcome& outcome = summary_.files[static_cast<size_t>(cut)];
    outcome.started = true;
    outcome.result = FileResult::Cancelled;
    outcome.reason = L"中断しました";
  }
  if (cancelConfirmed_) log_.logLine(L"----キャンセル----");
  if (summary_.cancelled) log_.logLine(L"中断しました");
}

// The run's thread while the workers correct: takes every file whose outcome is final, in file
// order, into the log and the summary; shows the lowest-numbered file in work and the bytes done
// of the whole run; and drains the front end's input, which is where a cancellation arrives.
void RunDriver::followRun(FileBoard& board, Progress& progress) {
  const int fileCount = board.fileCount();
  int shown = -1;
  for (;;) {
    FileBoard::FinalFile final;
    while (board.takeFinalFile(final)) {
      const FileTask& task = board.file(final.index).task;
      log_.logLine(L"%s から %s", task.inputPath, task.outputPath);
      appendFileLog(log_, final.log, state_.pointErrorCount);
      FileOutcome& outcome = summary_.files[static_cast<size_t>(final.index)];
      outcome = std::move(final.outcome);
      outcome.result = final.result;
      if (final.result == FileResult::Corrected) ++summary_.corrected;
      if (final.result == FileResult::Refused) ++summary_.refused;
      if (final.result == FileResult::Failed) ++summary_.failed;
    }
    if (board.finished()) return;

    const int inWork = board.lowestInWork();
    if (inWork >= 0 && inWork != shown) {
      shown = inWork;
      const FileTask& task = board.file(inWork).task;
      progress.SetText(formatText(L"[%d/%d] %s ==> %s", inWork + 1, fileCount, task.inputPath,
                                  task.outputPath));
    }
    if (progress.SetPosition(board.bytesDone(), board.totalBytes()) != 0 && !board.cancelled()) {
      board.cancel();
    }
    board.waitForNews(kTick);
  }
}
