// The run report's two forms, on outcomes made by hand: the exact JSON text (nulls, escapes,
// rounding), the report format that a file name asks for, and the HTML page's escaping and
// its map.
#include "run/run_report.h"

#include <gtest/gtest.h>

#include <string>

#include "run/report_map.h"

namespace {

RunDescription description() {
  RunDescription run;
  run.parameterFile = L"C:\\par\\grid.par";
  run.parameterId = 42;
  run.headerText = L"Grid for Tarnwick 42\r\n\"quoted\"\ttab\r\n";
  run.inputFolder = L"C:\\in\\";
  run.outputFolder = L"C:\\out\\";
  return run;
}

// One corrected file with shifts, one refused before its corners were read, one that the
// cancelled run never started.
RunSummary summary() {
  RunSummary summary;
  summary.started = true;
  summary.fallbackZone = 9;
  summary.corrected = 1;
  summary.refused = 1;
  FileOutcome corrected;
  corrected.inputPath = L"C:\\in\\a&b.dm";
  corrected.outputPath = L"C:\\out\\a&b.dm";
  corrected.started = true;
  corrected.result = FileResult::Corrected;
  corrected.zone = 9;
  corrected.unit = 10;
  corrected.points = 4;
  corrected.pointsCorrected = 3;
  corrected.pointsNotCorrected = 1;
  corrected.cornersRead = true;
  corrected.corners[0] = {-2000.4, -1500.25, 0.0};
  corrected.corners[1] = {-2000.4, -1200.0, 0.0};
  corrected.corners[2] = {-1600.0, -1200.0, 0.0};
  corrected.corners[3] = {-1600.0, -1500.25, 0.0};
  corrected.cornersCorrected = true;
  corrected.corner0After = {-2012.5, -1469.4, 0.0};
  corrected.shiftSumNorth = 3 * 30.8;
  corrected.shiftSumEast = -3 * 12.25;
  corrected.shiftMaxMetres = 33.31234;
  corrected.noteUncorrectedPlace({80000.0, -1500.0, 0.0});
  FileOutcome refused;
  refused.inputPath = L"C:\\in\\r\x01.dm";
  refused.outputPath = L"C:\\out\\r\x01.dm";
  refused.started = true;
  refused.result = FileResult::Refused;
  refused.reason = L"「系」情報不明のため、補正できません";
  FileOutcome later;
  later.inputPath = L"C:\\in\\z.dm";
  later.outputPath = L"C:\\out\\z.dm";
  summary.files = {corrected, refused, later};
  return summary;
}

TEST(run_report, json_text) {
  const std::string expected =
      "{\n"
      "  \"parameterFile\": \"C:\\\\par\\\\grid.par\",\n"
      "  \"parameterId\": 42,\n"
      "  \"headerText\": \"Grid for Tarnwick 42\\r\\n\\\"quoted\\\"\\ttab\\r\\n\",\n"
      "  \"inputFolder\": \"C:\\\\in\\\\\",\n"
      "  \"outputFolder\": \"C:\\\\out\\\\\",\n"
      "  \"fallbackZone\": 9,\n"
      "  \"cancelled\": false,\n"
      "  \"summary\": {\"corrected\": 1, \"refused\": 1, \"failed\": 0, \"points\": 4, "
      "\"pointsCorrected\": 3, \"pointsNotCorrected\": 1},\n"
      "  \"files\": [\n"
      "    {\n"
      "      \"input\": \"C:\\\\in\\\\a&b.dm\",\n"
      "      \"output\": \"C:\\\\out\\\\a&b.dm\",\n"
      "      \"status\": \"corrected\",\n"
      "      \"reason\": null,\n"
      "      \"zone\": 9,\n"
      "      \"unit\": 10,\n"
      "      \"points\": 4,\n"
      "      \"pointsCorrected\": 3,\n"
      "      \"pointsNotCorrected\": 1,\n"
      "      \"corner0\": {\"before\": [-1500.250, -2000.400], \"after\": [-1469.400, -2012.500]},\n"
      "      \"shift\": {\"meanX\": 30.8000, \"meanY\": -12.2500, \"maxMetres\": 33.3123}\n"
      "    },\n"
      "    {\n"
      "      \"input\": \"C:\\\\in\\\\r\\u0001.dm\",\n"
      "      \"output\": \"C:\\\\out\\\\r\\u0001.dm\",\n"
      "      \"status\": \"refused\",\n"
      "      \"reason\": \"\xE3\x80\x8C\xE7\xB3\xBB\xE3\x80\x8D\xE6\x83\x85\xE5\xA0\xB1\xE4\xB8\x8D"
      "\xE6\x98\x8E\xE3\x81\xAE\xE3\x81\x9F\xE3\x82\x81\xE3\x80\x81\xE8\xA3\x9C\xE6\xAD\xA3"
      "\xE3\x81\xA7\xE3\x81\x8D\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\",\n"
      "      \"zone\": null,\n"
      "      \"unit\": null,\n"
      "      \"points\": 0,\n"
      "      \"pointsCorrected\": 0,\n"
      "      \"pointsNotCorrected\": 0,\n"
      "      \"corner0\": null,\n"
      "      \"shift\": null\n"
      "    },\n"
      "    {\n"
      "      \"input\": \"C:\\\\in\\\\z.dm\",\n"
      "      \"output\": \"C:\\\\out\\\\z.dm\",\n"
      "      \"status\": \"notStarted\",\n"
      "      \"reason\": null,\n"
      "      \"zone\": null,\n"
      "      \"unit\": null,\n"
      "      \"points\": 0,\n"
      "      \"pointsCorrected\": 0,\n"
      "      \"pointsNotCorrected\": 0,\n"
      "      \"corner0\": null,\n"
      "      \"shift\": null\n"
      "    }\n"
      "  ]\n"
      "}\n";
  EXPECT_EQ(runReportJson(description(), summary()), expected);
}

TEST(run_report, statuses_and_formats) {
  FileOutcome file;
  EXPECT_STREQ(reportStatusName(file), "notStarted");
  file.started = true;
  const struct {
    FileResult result;
    const char* name;
  } cases[] = {{FileResult::Corrected, "corrected"},
               {FileResult::Refused, "refused"},
               {FileResult::Failed, "failed"},
               {FileResult::Cancelled, "cancelled"}};
  for (const auto& c : cases) {
    file.result = c.result;
    EXPECT_STREQ(reportStatusName(file), c.name);
  }

  const struct {
    const wchar_t* path;
    ReportFormat format;
  } names[] = {{L"r.json", ReportFormat::Json},      {L"C:\\x\\R.JSON", ReportFormat::Json},
               {L"r.html", ReportFormat::Html},      {L"r.Htm", ReportFormat::Html},
               {L"r.txt", ReportFormat::None},       {L"json", ReportFormat::None},
               {L"a.json/r", ReportFormat::None},    {L"a.html\\r", ReportFormat::None},
               {L"r.json.bak", ReportFormat::None}};
  for (const auto& n : names) {
    EXPECT_EQ(reportFormatOf(n.path), n.format) << testing::PrintToString(std::wstring(n.path));
  }
}

TEST(run_report, html_escapes_names_and_draws_the_zone) {
  const std::string page = runReportHtml(description(), summary());
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"", 0), 0u);
  EXPECT_NE(page.find("<td>a&amp;b.dm</td>"), std::string::npos);
  EXPECT_EQ(page.find("a&b"), std::string::npos);
  EXPECT_EQ(page.find('\x01'), std::string::npos);  // not allowed in XML
  EXPECT_NE(page.find("&quot;quoted&quot;"), std::string::npos);
  // One map, for zone 9, with the corrected sheet and the cross of its failed point; the files
  // without corners are not on it.
  EXPECT_NE(page.find("aria-label=\"9 \xE7\xB3\xBB"), std::string::npos);
  EXPECT_EQ(page.find("<svg", page.find("<svg") + 1), std::string::npos);
  EXPECT_NE(page.find("class=\"miss\""), std::string::npos);
  EXPECT_NE(page.find("2 \xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"), std::string::npos);
  for (const char* foreign : {"<script", "<link", "<img", "src=", "href=", "url("}) {
    EXPECT_EQ(page.find(foreign), std::string::npos) << foreign;
  }
}

TEST(run_report, the_arrow_scale_is_a_round_number_that_shows_the_shift) {
  RunSummary run = summary();
  const ZoneMap map = drawZoneMap(9, {&run.files[0]});
  ASSERT_TRUE(map.drawn);
  // A sheet of 300 m and a mean shift of about 33 m: 0.4 × 300 / 33.1 = 3.6, rounded down to 2.
  EXPECT_NE(map.caption.find(L"2 倍に拡大"), std::wstring::npos) << testing::PrintToString(map.caption);
  // The failed point lies far east: drawn on the edge, and the caption says so.
  EXPECT_NE(map.caption.find(L"範囲の縁"), std::wstring::npos);
  EXPECT_EQ(sheetLookOf(run.files[0]), SheetLook::PartlyCorrected);
  EXPECT_EQ(sheetLookOf(run.files[2]), SheetLook::NotStarted);
}

}  // namespace
