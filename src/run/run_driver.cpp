#include "run/run_driver.h"

#include <memory>
#include <vector>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "platform/platform.h"
#include "run/folder_scan.h"
#include "run/index_zone.h"
#include "run/path_operations.h"
#include "run/run_log_file.h"

namespace {

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

}  // namespace

long long RunSummary::points() const {
  long long total = 0;
  for (const FileOutcome& file : files) total += file.points;
  return total;
}

long long RunSummary::pointsCorrected() const {
  long long total = 0;
  for (const FileOutcome& file : files) total += file.pointsCorrected;
  return total;
}

long long RunSummary::pointsNotCorrected() const {
  long long total = 0;
  for (const FileOutcome& file : files) total += file.pointsNotCorrected;
  return total;
}

long long RunSummary::cornersNotCorrected() const {
  long long total = 0;
  for (const FileOutcome& file : files) total += file.cornersNotCorrected;
  return total;
}

bool RunSummary::everythingCorrected() const {
  return !cancelled && corrected == static_cast<int>(files.size()) && pointsNotCorrected() == 0 &&
         cornersNotCorrected() == 0;
}

RunDriver::RunDriver(JobSettings& settings, RunState& state, MessageLog& log, RunModel& model,
                     FileCorrector& corrector, RunHost& host)
    : settings_(settings),
      state_(state),
      log_(log),
      model_(model),
      corrector_(corrector),
      host_(host) {}

void RunDriver::execute() {
  if (state_.running == 1) {
    // A click on the Cancel button, dispatched from inside the run's own progress call.
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
  log_.logLine(L"----キャンセル----");
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

  const int fileCount = static_cast<int>(dmFiles.size());
  summary_.files.resize(dmFiles.size());
  for (size_t i = 0; i < dmFiles.size(); ++i) {
    summary_.files[i].inputPath = dmFiles[i];
    // Every output file lands directly in the output folder under the input file's name.
    summary_.files[i].outputPath = settings_.outputFolder + fileNameOf(dmFiles[i]);
  }
  for (int i = 0; i < fileCount; ++i) {
    FileOutcome& outcome = summary_.files[static_cast<size_t>(i)];
    const std::wstring& inputPath = outcome.inputPath;
    const std::wstring& outputPath = outcome.outputPath;

    progress->SetText(formatText(L"[%d/%d] %s ==> %s", i + 1, fileCount, inputPath, outputPath));
    log_.logLine(L"%s から %s", inputPath, outputPath);
    // The corrector replaces the model's zone with the one a file's sheet number yields: each
    // file starts again from the run's fallback zone.
    model_.setZone(fallbackZone);

    outcome.started = true;
    const FileResult result = corrector_.correctDmFile(inputPath, outputPath, *progress, outcome);
    outcome.result = result;
    if (result == FileResult::Cancelled) {
      summary_.cancelled = true;
      log_.logLine(L"中断しました");
      outcome.reason = L"中断しました";
      break;
    }
    if (result == FileResult::Corrected) ++summary_.corrected;
    if (result == FileResult::Refused) ++summary_.refused;
    if (result == FileResult::Failed) ++summary_.failed;
  }

  state_.running = 0;
  progress.reset();  // restores the front end's idle look
}
