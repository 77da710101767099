#include "batch/batch_options.h"

#include "batch/console_progress.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct ParseCase {
  std::vector<std::wstring> args;
  ParseResult result;
  std::wstring errorPart;  // part of the error text on UsageError
};

TEST(batch_options, parse_results_and_errors) {
  const ParseCase cases[] = {
      {{}, ParseResult::Ok, L""},
      {{L"--in", L"a", L"--out=b", L"--quiet"}, ParseResult::Ok, L""},
      {{L"--year", L"-5", L"--month", L"+13", L"--zone", L"0"}, ParseResult::Ok, L""},
      {{L"--help"}, ParseResult::Help, L""},
      {{L"-h", L"--in", L"x"}, ParseResult::Help, L""},
      {{L"--year", L"13年"}, ParseResult::UsageError, L"--year には整数を指定してください"},
      {{L"--month", L""}, ParseResult::UsageError, L"--month には整数を指定してください"},
      {{L"--zone", L"9.0"}, ParseResult::UsageError, L"--zone には整数を指定してください"},
      {{L"--year", L"-"}, ParseResult::UsageError, L"--year には整数を指定してください"},
      {{L"--year", L"99999999999"}, ParseResult::UsageError, L"--year には整数を指定してください"},
      {{L"--year=x"}, ParseResult::UsageError, L"--year には整数を指定してください"},
      {{L"--in"}, ParseResult::UsageError, L"--in の後に値を指定してください"},
      {{L"--bogus"}, ParseResult::UsageError, L"--bogus というオプションはありません"},
      {{L"-q"}, ParseResult::UsageError, L"-q というオプションはありません"},
      {{L"folder"}, ParseResult::UsageError, L"オプションでない引数があります: folder"},
      {{L"--quiet=1"}, ParseResult::UsageError, L"--quiet=1 というオプションはありません"},
      {{L"--report", L"r.json", L"--dry-run"}, ParseResult::Ok, L""},
      {{L"--report=R.HTML"}, ParseResult::Ok, L""},
      {{L"--report", L"r.htm"}, ParseResult::Ok, L""},
      {{L"--report", L"r.txt"}, ParseResult::UsageError, L".json か .html で終えてください: r.txt"},
      {{L"--report", L"a.json/r"}, ParseResult::UsageError, L".json か .html で"},
      {{L"--report", L"json"}, ParseResult::UsageError, L".json か .html で"},
      {{L"--report"}, ParseResult::UsageError, L"--report の後に値を指定してください"},
      {{L"--dry-run=1"}, ParseResult::UsageError, L"--dry-run=1 というオプションはありません"},
      {{L"--jobs", L"1"}, ParseResult::Ok, L""},
      {{L"--jobs=64"}, ParseResult::Ok, L""},
      {{L"--jobs", L"0"}, ParseResult::UsageError, L"--jobs には 1 以上の数を指定してください: 0"},
      {{L"--jobs", L"-2"}, ParseResult::UsageError, L"--jobs には 1 以上の数を指定してください"},
      {{L"--jobs", L"all"}, ParseResult::UsageError, L"--jobs には整数を指定してください"},
  };
  for (const ParseCase& c : cases) {
    BatchOptions options;
    std::wstring error;
    const std::string args = ::testing::PrintToString(c.args);
    EXPECT_EQ(parseBatchArguments(c.args, options, error), c.result) << args;
    if (c.result == ParseResult::UsageError) {
      EXPECT_NE(error.find(c.errorPart), std::wstring::npos) << args;
    }
  }
}

TEST(batch_options, flags_override_the_settings_and_the_last_value_counts) {
  BatchOptions options;
  std::wstring error;
  ASSERT_EQ(parseBatchArguments({L"--in", L"first", L"--in=入力", L"--out", L"出力",
                                 L"--year", L"100", L"--month", L"13", L"--number",
                                 L"関公第１号", L"--org", L"見本測量", L"--par", L"p.par"},
                                options, error),
            ParseResult::Ok);
  JobSettings settings;
  settings.inputFolder = L"from settings";
  settings.parameterPath = L"kept.par";
  settings.useFallbackZone = 0;
  settings.fallbackZoneIndex = 4;
  applyBatchOptions(options, settings);
  EXPECT_EQ(settings.inputFolder, L"入力");
  EXPECT_EQ(settings.outputFolder, L"出力");
  // Ranges are the run's business: 100 and 13 reach it as they are.
  EXPECT_EQ(settings.year, 100);
  EXPECT_EQ(settings.month, 13);
  EXPECT_EQ(settings.adviceNumber, L"関公第１号");
  EXPECT_EQ(settings.organisation, L"見本測量");
  // The parameter path changes only when the file has loaded; the zone settings without --zone
  // stay as the settings file had them.
  EXPECT_EQ(settings.parameterPath, L"kept.par");
  EXPECT_EQ(settings.useFallbackZone, 0);
  EXPECT_EQ(settings.fallbackZoneIndex, 4);
}

TEST(batch_options, zone_ticks_the_checkbox_and_selects_its_entry) {
  const struct {
    const wchar_t* zone;
    int index;
  } cases[] = {{L"1", 0}, {L"9", 8}, {L"19", 18}, {L"0", -1}, {L"20", -1}, {L"-3", -1}};
  for (const auto& c : cases) {
    BatchOptions options;
    std::wstring error;
    ASSERT_EQ(parseBatchArguments({L"--zone", c.zone}, options, error), ParseResult::Ok);
    JobSettings settings;
    applyBatchOptions(options, settings);
    EXPECT_EQ(settings.useFallbackZone, 1) << c.index;
    EXPECT_EQ(settings.fallbackZoneIndex, c.index) << c.index;
  }
}

TEST(batch_options, jobs_gives_the_count_of_workers) {
  BatchOptions options;
  std::wstring error;
  ASSERT_EQ(parseBatchArguments({}, options, error), ParseResult::Ok);
  EXPECT_FALSE(options.jobs);  // one per logical processor
  ASSERT_EQ(parseBatchArguments({L"--jobs", L"3", L"--jobs=4"}, options, error), ParseResult::Ok);
  EXPECT_EQ(options.jobs, 4);
  EXPECT_NE(batchUsage().find(L"--jobs N"), std::wstring::npos);
}

TEST(batch_options, defaults_without_a_settings_file) {
  const JobSettings settings = defaultJobSettings(2013, 4);
  EXPECT_EQ(settings.year, 13);
  EXPECT_EQ(settings.month, 4);
  EXPECT_EQ(settings.fallbackZoneIndex, 8);
  EXPECT_EQ(settings.useFallbackZone, 0);
  EXPECT_TRUE(settings.inputFolder.empty());
  EXPECT_TRUE(settings.parameterPath.empty());
}

TEST(batch_options, report_and_dry_run_are_taken) {
  BatchOptions options;
  std::wstring error;
  ASSERT_EQ(parseBatchArguments({L"--report", L"報告.html", L"--dry-run"}, options, error),
            ParseResult::Ok);
  EXPECT_EQ(options.reportFile, std::optional<std::wstring>(L"報告.html"));
  EXPECT_TRUE(options.dryRun);
}

// An 80-column console wraps a line of 80 columns or more: the help and the summary line stay
// within 79, wide characters counted as 2.
TEST(batch_options, help_and_summary_lines_fit_79_columns) {
  const std::wstring usage = batchUsage();
  ASSERT_EQ(usage.back(), L'\n');
  std::size_t start = 0;
  int lines = 0;
  while (start < usage.size()) {
    const std::size_t end = usage.find(L'\n', start);
    const std::wstring line = usage.substr(start, end - start);
    EXPECT_LE(displayColumns(line), 79) << testing::PrintToString(line);
    start = end + 1;
    ++lines;
  }
  EXPECT_GT(lines, 20);
  for (const wchar_t* part : {L"--report FILE", L"--dry-run", L"終了ステータス", L"  4  "}) {
    EXPECT_NE(usage.find(part), std::wstring::npos) << testing::PrintToString(part);
  }

  // A large job: 9999 files corrected, 99 refused, 9 failed, 99999999 points, 99 corners.
  const std::wstring large = batchSummaryLine(9999, 99, 9, 99999999, 99, true);
  EXPECT_LE(displayColumns(large), 79) << testing::PrintToString(large);
  EXPECT_EQ(batchSummaryLine(4, 4, 0, 2, 0, false),
            L"集計: 補正 4、補正不可 4、失敗 0、未補正の座標点 2・図郭点 0");
  EXPECT_EQ(batchSummaryLine(0, 0, 0, 0, 1, true),
            L"集計: 補正 0、補正不可 0、失敗 0、未補正の座標点 0・図郭点 1、中断");
}

}  // namespace
