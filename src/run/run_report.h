// The run report: what a run did to each DM file, for scripts (JSON) and for people (a Japanese
// HTML page with a table of the files and a map of the sheets of each zone). Both are made from
// the run's summary, so they say what the log and the output files say.
#pragma once

#include <string>

#include "run/run_driver.h"

// What the report says about the run besides its files.
struct RunDescription {
  std::wstring parameterFile;  // the parameter file that was loaded
  int parameterId = 0;         // its identifier, the one written into the history entries
  std::wstring headerText;     // its header lines, each followed by CR LF
  std::wstring inputFolder;    // as the run used them, ending with the folder separator
  std::wstring outputFolder;
  bool dryRun = false;         // nothing was written to the output folder
};

enum class ReportFormat { None, Json, Html };

// The format that a report file's extension names: ".json", or ".html" / ".htm" (letters in any
// case); None for any other name.
ReportFormat reportFormatOf(const std::wstring& path);

// The JSON report, UTF-8. Top level "parameterFile", "parameterId", "headerText", "inputFolder",
// "outputFolder", "fallbackZone" (null when the run had none), "cancelled", "summary" (file and
// point counts) and "files": one object per DM file in run order with "input", "output",
// "status" ("corrected", "refused", "failed", "cancelled", "notStarted"), "reason" (the log line
// that says why, or null), "zone", "unit" (null when not known), "points", "pointsCorrected",
// "pointsNotCorrected", "corner0" ({"before": [X, Y], "after": [X, Y]} in metres; null when the
// corners were not read, "after" null when they were not corrected) and "shift" ({"meanX",
// "meanY", "maxMetres"} over the corrected points, X north and Y east, metres; null when no
// point was corrected). Metres are written with 3 decimals, shifts with 4.
std::string runReportJson(const RunDescription& run, const RunSummary& summary);

// The HTML report, UTF-8: one self-contained page (nothing from elsewhere), well-formed as XML.
std::string runReportHtml(const RunDescription& run, const RunSummary& summary);

// The report in the given format (None gives an empty text).
std::string runReport(ReportFormat format, const RunDescription& run, const RunSummary& summary);

// The status word of a file in the JSON report.
const char* reportStatusName(const FileOutcome& file);
