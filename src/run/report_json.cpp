// The JSON form of the run report.
#include <cmath>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "run/run_report.h"

namespace {

// A JSON string of wide text: UTF-8, with the quote, the backslash and the control characters
// escaped.
std::string jsonString(const std::wstring& text) {
  std::string out = "\"";
  for (char c : wideToUtf8(text)) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A number of metres with the given decimals; a negative zero is written as 0.
std::string jsonMetres(double value, int decimals) {
  if (!std::isfinite(value)) return "null";
  return formatText("%.*f", decimals, value + 0.0);
}

std::string jsonPoint(const CoordPoint& point) {
  return "[" + jsonMetres(point.north, 3) + ", " + jsonMetres(point.east, 3) + "]";
}

std::string jsonIntOrNull(int value) { return value > 0 ? formatText("%d", value) : "null"; }

std::string fileObject(const FileOutcome& file) {
  std::string out = "    {\n";
  out += "      \"input\": " + jsonString(file.inputPath) + ",\n";
  out += "      \"output\": " + jsonString(file.outputPath) + ",\n";
  out += std::string("      \"status\": \"") + reportStatusName(file) + "\",\n";
  out += "      \"reason\": " + (file.reason.empty() ? "null" : jsonString(file.reason)) + ",\n";
  out += "      \"zone\": " + jsonIntOrNull(file.zone) + ",\n";
  out += "      \"unit\": " + jsonIntOrNull(file.unit) + ",\n";
  out += formatText("      \"points\": %d,\n", file.points);
  out += formatText("      \"pointsCorrected\": %d,\n", file.pointsCorrected);
  out += formatText("      \"pointsNotCorrected\": %d,\n", file.pointsNotCorrected);
  if (file.cornersRead) {
    out += "      \"corner0\": {\"before\": " + jsonPoint(file.corners[0]) + ", \"after\": " +
           (file.cornersCorrected ? jsonPoint(file.corner0After) : "null") + "},\n";
  } else {
    out += "      \"corner0\": null,\n";
  }
  if (file.pointsCorrected > 0) {
    const double count = static_cast<double>(file.pointsCorrected);
    out += "      \"shift\": {\"meanX\": " + jsonMetres(file.shiftSumNorth / count, 4) +
           ", \"meanY\": " + jsonMetres(file.shiftSumEast / count, 4) +
           ", \"maxMetres\": " + jsonMetres(file.shiftMaxMetres, 4) + "}\n";
  } else {
    out += "      \"shift\": null\n";
  }
  return out + "    }";
}

}  // namespace

std::string runReportJson(const RunDescription& run, const RunSummary& summary) {
  std::string out = "{\n";
  out += "  \"parameterFile\": " + jsonString(run.parameterFile) + ",\n";
  out += formatText("  \"parameterId\": %d,\n", run.parameterId);
  out += "  \"headerText\": " + jsonString(run.headerText) + ",\n";
  out += "  \"inputFolder\": " + jsonString(run.inputFolder) + ",\n";
  out += "  \"outputFolder\": " + jsonString(run.outputFolder) + ",\n";
  out += "  \"fallbackZone\": " + jsonIntOrNull(summary.fallbackZone) + ",\n";
  out += std::string("  \"cancelled\": ") + (summary.cancelled ? "true" : "false") + ",\n";
  out += formatText(
      "  \"summary\": {\"corrected\": %d, \"refused\": %d, \"failed\": %d, \"points\": %d, "
      "\"pointsCorrected\": %d, \"pointsNotCorrected\": %d},\n",
      summary.corrected, summary.refused, summary.failed, summary.points(),
      summary.pointsCorrected(), summary.pointsNotCorrected());
  out += "  \"files\": [";
  for (std::size_t i = 0; i < summary.files.size(); ++i) {
    out += (i == 0 ? "\n" : ",\n") + fileObject(summary.files[i]);
  }
  out += summary.files.empty() ? "]\n" : "\n  ]\n";
  return out + "}\n";
}
