#include "batch/batch_program.h"

#include <cstdio>
#include <memory>

#include "batch/batch_host.h"
#include "batch/batch_options.h"
#include "batch/console.h"
#include "batch/interrupt.h"
#include "common/text_format.h"
#include "dm/job.h"
#include "platform/platform.h"
#include "run/dialog_settings.h"
#include "run/local_date.h"
#include "run/run_driver.h"
#include "run/settings_file.h"

namespace {

int usageError(const std::wstring& error) {
  writeText(stderr, L"ostrand-batch: " + error + L"\n" + batchUsage());
  return kExitUsage;
}

bool fileExists(const std::wstring& path) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool writeLogFile(const std::wstring& path, const std::string& bytes) {
  std::FILE* file = platform::openFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return (std::fclose(file) == 0) && written;
}

}  // namespace

int runBatchProgram(const std::vector<std::wstring>& args) {
  setBinaryMode(stdout);
  setBinaryMode(stderr);
  installInterruptHandler();

  BatchOptions options;
  std::wstring error;
  switch (parseBatchArguments(args, options, error)) {
    case ParseResult::UsageError: return usageError(error);
    case ParseResult::Help: writeText(stdout, batchUsage()); return kExitAllCorrected;
    case ParseResult::Ok: break;
  }

  // The job: the settings file when one is named, else the defaults; then the flags.
  const LocalYearMonth today = currentLocalYearMonth();
  JobSettings assembled = defaultJobSettings(today.year, today.month);
  if (options.settingsFile) {
    // A full path, so that a bare file name means the current folder's file on Windows too.
    const std::wstring settingsFile = platform::fullPath(*options.settingsFile);
    // A settings file that does not exist would silently give every default: most likely a typo.
    if (!fileExists(settingsFile) || platform::folderEntryExists(settingsFile)) {
      return usageError(L"cannot read the settings file " + *options.settingsFile);
    }
    readJobSettings(settingsFile, assembled, today.year, today.month);
    // The job that the dialog runs from this file: its start and its data exchange.
    assembled = settingsAsTheDialogRunsThem(assembled);
  }
  applyBatchOptions(options, assembled);

  auto job = std::make_unique<Job>();

  // The parameter file, loaded as the dialog loads it (the flag, else the settings' "Par").
  const std::wstring parameterPath =
      options.parameterFile ? *options.parameterFile : assembled.parameterPath;
  if (!parameterPath.empty()) {
    std::wstring headerText;
    if (!loadParameters(job->model, parameterPath, headerText)) {
      writeText(stderr, L"指定のパラメーターを読み込めませんでした\n");
      return kExitRefused;
    }
    assembled.parameterPath = parameterPath;
  }

  const bool showProgress = !options.quiet && isTerminal(stderr);
  BatchHost host(assembled, job->state, showProgress);
  RunDriver driver(job->settings, job->state, job->log, job->modelForRun, job->correctors, host);
  driver.setWorkerCount(options.jobs.value_or(0));
  host.setDriver(&driver);
  driver.startRun();

  const RunSummary& summary = driver.summary();
  if (host.refused() || !summary.started) return kExitRefused;  // the refusal is on stderr; no log

  const std::string logBytes = platform::toConsoleText(job->log.text(), stdout);
  writeBytes(stdout, logBytes);
  int status = summary.cancelled ? kExitCancelled
               : (summary.refused == 0 && summary.failed == 0) ? kExitAllCorrected
                                                                : kExitIncomplete;
  if (options.logFile && !writeLogFile(*options.logFile, logBytes)) {
    writeText(stderr, L"ostrand-batch: cannot write the log file " + *options.logFile + L"\n");
    if (status != kExitCancelled) status = kExitRefused;
  }
  writeText(stderr, formatText(L"ostrand-batch: %d corrected, %d refused, %d failed%s\n",
                               summary.corrected, summary.refused, summary.failed,
                               summary.cancelled ? L", cancelled" : L""));
  return status;
}
