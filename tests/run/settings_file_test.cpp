#include "run/settings_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/wide_text.h"
#include "platform/platform.h"
#include "run/local_date.h"
#include "test_support.h"

namespace {

TEST(settings_file_test, integer_values_read_like_strtol) {
  struct Case {
    const wchar_t* text;
    int value;
  };
  const Case cases[] = {
      {L"13", 13},           {L"-1", -1},           {L"+7", 7},
      {L"  12", 12},         {L"\t5", 5},           {L"12abc", 12},
      {L"abc", 0},           {L"-", 0},             {L"- 5", 0},
      {L"２５", 0},          {L"2147483647", INT_MAX}, {L"2147483648", INT_MAX},
      {L"99999999999999999999", INT_MAX},           {L"-2147483648", INT_MIN},
      {L"-2147483649", INT_MIN},                    {L"007", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(settingTextToInt(c.text), c.value) << wideToUtf8(c.text);
  }
}

class settings_file_test_file : public testing::Test {
 protected:
  std::wstring file() const { return scratch_.wide(L"Ostrand.ini"); }
  void writeFile(const std::string& bytes) const {
    testsupport::writeBytes(scratch_.path() / "Ostrand.ini", bytes);
  }
  testsupport::ScratchFolder scratch_;
};

TEST_F(settings_file_test_file, a_missing_file_gives_every_default) {
  JobSettings settings;
  settings.inputFolder = L"leftover";
  settings.fallbackZoneIndex = 3;
  settings.useFallbackZone = 1;
  readJobSettings(file(), settings, 2013, 4);
  EXPECT_EQ(settings.inputFolder, L"");
  EXPECT_EQ(settings.outputFolder, L"");
  EXPECT_EQ(settings.year, 13);
  EXPECT_EQ(settings.month, 4);
  EXPECT_EQ(settings.adviceNumber, L"");
  EXPECT_EQ(settings.organisation, L"");
  EXPECT_EQ(settings.parameterPath, L"");
  EXPECT_EQ(settings.fallbackZoneIndex, 8);
  EXPECT_EQ(settings.useFallbackZone, 0);
}

TEST_F(settings_file_test_file, values_are_taken_without_range_checks) {
  struct Case {
    const char* line;
    int JobSettings::*field;
    int value;
  };
  const Case cases[] = {
      {"Year=", &JobSettings::year, 24},  // empty: the current year's two digits
      {"Year=abc", &JobSettings::year, 0},
      {"Year=2013", &JobSettings::year, 2013},
      {"Year= 7 ", &JobSettings::year, 7},
      {"Month=", &JobSettings::month, 11},
      {"Month=13", &JobSettings::month, 13},
      {"Kei=25", &JobSettings::fallbackZoneIndex, 25},
      {"Kei=-1", &JobSettings::fallbackZoneIndex, -1},
      {"kei=3", &JobSettings::fallbackZoneIndex, 3},  // key names ignore case
      {"BKei=1", &JobSettings::useFallbackZone, 1},
      {"BKei=x", &JobSettings::useFallbackZone, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    writeFile(std::string("[OstrandDlg]\r\n") + c.line + "\r\n");
    JobSettings settings;
    readJobSettings(file(), settings, 2024, 11);
    EXPECT_EQ(settings.*c.field, c.value);
  }
}

TEST_F(settings_file_test_file, writes_every_key_in_order_and_reads_it_back) {
  JobSettings written;
  written.inputFolder = L"C:\\入力データ\\";
  written.outputFolder = L"D:\\out";
  written.parameterPath = L"E:\\補正\\TKY2JGD.par";
  written.year = 13;
  written.month = 4;
  written.adviceNumber = L"国地達第１２３号";
  written.organisation = L"測量株式会社";
  written.useFallbackZone = 1;
  written.fallbackZoneIndex = -1;
  writeJobSettings(file(), written);

  JobSettings read;
  readJobSettings(file(), read, 2030, 1);
  EXPECT_EQ(read.inputFolder, written.inputFolder);
  EXPECT_EQ(read.outputFolder, written.outputFolder);
  EXPECT_EQ(read.parameterPath, written.parameterPath);
  EXPECT_EQ(read.year, 13);
  EXPECT_EQ(read.month, 4);
  EXPECT_EQ(read.adviceNumber, written.adviceNumber);
  EXPECT_EQ(read.organisation, written.organisation);
  EXPECT_EQ(read.useFallbackZone, 1);
  EXPECT_EQ(read.fallbackZoneIndex, -1);

  // One section, the keys in table order, integers as "%d".
  const std::string bytes = testsupport::readBytes(scratch_.path() / "Ostrand.ini");
  size_t position = bytes.find("[OstrandDlg]");
  ASSERT_NE(position, std::string::npos);
  for (const char* key : {"\nIn=", "\nOut=", "\nYear=13\r", "\nMonth=4\r", "\nNumber=",
                          "\nKikan=", "\nPar=", "\nKei=-1\r", "\nBKei=1\r"}) {
    const size_t next = bytes.find(key, position);
    ASSERT_NE(next, std::string::npos) << key;
    position = next;
  }
}

TEST_F(settings_file_test_file, single_values_read_and_write_with_their_defaults) {
  EXPECT_EQ(readSettingText(file(), kSettingsSection, L"Number", L"none"), L"none");
  EXPECT_EQ(readSettingInt(file(), kSettingsSection, L"Kei", 8), 8);
  writeSettingInt(file(), kSettingsSection, L"Kei", 18);
  writeSettingText(file(), kSettingsSection, L"Number", L"第１号");
  EXPECT_EQ(readSettingInt(file(), kSettingsSection, L"Kei", 8), 18);
  EXPECT_EQ(readSettingText(file(), kSettingsSection, L"Number", L"none"), L"第１号");
  writeSettingText(file(), kSettingsSection, L"Kei", L"");
  EXPECT_EQ(readSettingInt(file(), kSettingsSection, L"Kei", 8), 8);  // empty: the default
}

TEST(settings_file_test, the_settings_file_is_the_executable_renamed_to_ini) {
  const std::wstring exe = platform::executablePath();
  const std::wstring path = settingsPath();
  const size_t folderEnd = exe.find_last_of(L"\\/") + 1;
  EXPECT_EQ(path.substr(0, folderEnd), exe.substr(0, folderEnd));
  EXPECT_EQ(path.substr(folderEnd), L"run_test.ini");
}

TEST(settings_file_test, the_current_local_date_is_plausible) {
  const LocalYearMonth today = currentLocalYearMonth();
  EXPECT_GE(today.year, 2024);
  EXPECT_GE(today.month, 1);
  EXPECT_LE(today.month, 12);
}

}  // namespace
