// The command line of the batch front end, and how it turns into the job's settings.
//
//   ostrand-batch [--settings FILE] [--in DIR] [--out DIR] [--par FILE] [--year N] [--month N]
//                 [--number TEXT] [--org TEXT] [--zone N] [--log FILE] [--report FILE]
//                 [--dry-run] [--quiet] [--jobs N]
//
// Every option that takes a value accepts it as the next argument or after '=' ("--in=DIR").
// An option given twice counts with its last value.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/job_settings.h"

struct BatchOptions {
  std::optional<std::wstring> settingsFile;
  std::optional<std::wstring> inputFolder;
  std::optional<std::wstring> outputFolder;
  std::optional<std::wstring> parameterFile;
  std::optional<int> year;
  std::optional<int> month;
  std::optional<std::wstring> adviceNumber;
  std::optional<std::wstring> organisation;
  std::optional<int> zone;  // 1 to 19 selects list entry zone - 1; anything else no entry
  std::optional<std::wstring> logFile;
  std::optional<int> jobs;  // workers, 1 or more; none: one per logical processor
  std::optional<std::wstring> reportFile;  // ends in .json or .html (checked when parsed)
  bool dryRun = false;
  bool quiet = false;
  bool help = false;
};

enum class ParseResult { Ok, Help, UsageError };

// Parses the arguments after the program name. On UsageError `error` says what is wrong (one line
// in Japanese, without the usage text).
ParseResult parseBatchArguments(const std::vector<std::wstring>& args, BatchOptions& options,
                                std::wstring& error);

// The usage text (--help), in Japanese, every line at most 79 columns wide; ends with a line end.
std::wstring batchUsage();

// The summary line that follows a run on stderr, without its line end: the files corrected,
// refused and failed, the points and sheet corners that could not be corrected, and whether the
// run was cancelled.
std::wstring batchSummaryLine(int corrected, int refused, int failed, long long pointsNotCorrected,
                              long long cornersNotCorrected, bool cancelled);

// Overrides the fields of `settings` that the options name, except the parameter file, which
// becomes `parameterPath` only once it has loaded. "--zone N" ticks the fallback-zone
// checkbox and selects list entry N - 1; an N outside 1 to 19 leaves the list without a
// selection (-1), as a settings value "Kei" outside 0 to 18 does.
void applyBatchOptions(const BatchOptions& options, JobSettings& settings);

// The job settings without a settings file: the settings file's defaults for the given date
// (year modulo 100, month, zone list entry 8 (zone 9), checkbox not ticked, texts empty).
JobSettings defaultJobSettings(int currentYear, int currentMonth);
