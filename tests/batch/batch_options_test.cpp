#include "batch/batch_options.h"

#include <gtest/gtest.h>

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
      {{L"--year", L"13年"}, ParseResult::UsageError, L"--year needs an integer"},
      {{L"--month", L""}, ParseResult::UsageError, L"--month needs an integer"},
      {{L"--zone", L"9.0"}, ParseResult::UsageError, L"--zone needs an integer"},
      {{L"--year", L"-"}, ParseResult::UsageError, L"--year needs an integer"},
      {{L"--year", L"99999999999"}, ParseResult::UsageError, L"--year needs an integer"},
      {{L"--year=x"}, ParseResult::UsageError, L"--year needs an integer"},
      {{L"--in"}, ParseResult::UsageError, L"--in needs a value"},
      {{L"--bogus"}, ParseResult::UsageError, L"unknown option --bogus"},
      {{L"-q"}, ParseResult::UsageError, L"unknown option -q"},
      {{L"folder"}, ParseResult::UsageError, L"unexpected argument folder"},
      {{L"--quiet=1"}, ParseResult::UsageError, L"unknown option --quiet=1"},
      {{L"--jobs", L"1"}, ParseResult::Ok, L""},
      {{L"--jobs=64"}, ParseResult::Ok, L""},
      {{L"--jobs", L"0"}, ParseResult::UsageError, L"--jobs needs a count of 1 or more"},
      {{L"--jobs", L"-2"}, ParseResult::UsageError, L"--jobs needs a count of 1 or more"},
      {{L"--jobs", L"all"}, ParseResult::UsageError, L"--jobs needs an integer"},
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

}  // namespace
