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
#include "run/run_report.h"
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

bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
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
      return usageError(formatText(L"設定ファイル %s を読めません", *options.settingsFile));
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
  std::wstring headerText;
  if (!parameterPath.empty()) {
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
  driver.setDryRun(options.dryRun);
  job->correctors.setDryRun(options.dryRun);
  driver.startRun();

  const RunSummary& summary = driver.summary();
  if (host.refused() || !summary.started) return kExitRefused;  // the refusal is on stderr; no log

  // The log's bytes are those of a file, whatever the console: a console gets the same text as
  // wide characters.
  const std::string logBytes = platform::toAnsiCodePage(job->log.text());
  writeLog(stdout, job->log.text(), logBytes);
  int status = summary.cancelled ? kExitCancelled
               : summary.everythingCorrected() ? kExitAllCorrected
                                               : kExitIncomplete;
  if (options.logFile && !writeFileBytes(*options.logFile, logBytes)) {
    writeText(stderr,
              formatText(L"ostrand-batch: ログファイル %s に書き込めませんでした\n", *options.logFile));
    if (status != kExitCancelled) status = kExitRefused;
  }
  if (options.reportFile) {
    RunDescription run;
    run.parameterFile = assembled.parameterPath;
    run.parameterId = job->model.parameterId();
    run.headerText = headerText;
    run.inputFolder = job->settings.inputFolder;
    run.outputFolder = job->settings.outputFolder;
    run.dryRun = options.dryRun;
    const std::string report = runReport(reportFormatOf(*options.reportFile), run, summary);
    if (!writeFileBytes(*options.reportFile, report)) {
      writeText(stderr, formatText(L"ostrand-batch: レポート %s を書き込めませんでした\n",
                                   *options.reportFile));
      if (status != kExitCancelled) status = kExitRefused;
    }
  }
  writeText(stderr, batchSummaryLine(summary.corrected, summary.refused, summary.failed,
                                     summary.pointsNotCorrected(), summary.cornersNotCorrected(),
                                     summary.cancelled) +
                        L"\n");
  return status;
}
