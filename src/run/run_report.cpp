#include "run/run_report.h"

#include "common/wide_text.h"

ReportFormat reportFormatOf(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L'.');
  const std::size_t separator = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)) {
    return ReportFormat::None;
  }
  const std::wstring extension = path.substr(dot);
  if (equalIgnoringAsciiCase(extension, L".json")) return ReportFormat::Json;
  if (equalIgnoringAsciiCase(extension, L".html") || equalIgnoringAsciiCase(extension, L".htm")) {
    return ReportFormat::Html;
  }
  return ReportFormat::None;
}

std::string runReport(ReportFormat format, const RunDescription& run, const RunSummary& summary) {
  switch (format) {
    case ReportFormat::Json: return runReportJson(run, summary);
    case ReportFormat::Html: return runReportHtml(run, summary);
    case ReportFormat::None: break;
  }
  return std::string();
}

const char* reportStatusName(const FileOutcome& file) {
  if (!file.started) return "notStarted";
  switch (file.result) {
    case FileResult::Corrected: return "corrected";
    case FileResult::Refused: return "refused";
    case FileResult::Failed: return "failed";
    case FileResult::Cancelled: return "cancelled";
  }
  return "failed";
}
