#include "common/text_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextFormatTest, numbersAsTheSystemRendersThem) {
  struct Case {
    const char* format;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"%14.3f", -45.678, "       -45.678"},
      {"%14.3f", 0.0004, "         0.000"},
      {"%14.3f", -0.4, "        -0.400"},
      {"%14.3f", 123456789.0125, " 123456789.013"},  // nearest double lies above the half
      {"%12.3f", -12345.6785, "  -12345.678"},  // -12345.678499999... in binary
      {"%.3f", 2.0005, "2.001"},  // 2.000499999... in binary
      {"%.2f", 0.125, "0.12"},    // exactly half: to even, as the C library does
      {"%.2f", -0.375, "-0.38"},
      {"%f", 1.5, "1.500000"},
      {"%08.2f", -3.14159, "-0003.14"},
      {"%-9.1f|", 2.25, "2.2      |"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatText(c.format, c.value), c.expected) << c.format << " of " << c.value;
  }
}

TEST(TextFormatTest, integersAndTexts) {
  EXPECT_EQ(formatText("%02d%02d", 5, 12), "0512");
  EXPECT_EQ(formatText("%02d", 123), "123");
  EXPECT_EQ(formatText("%4d|%-4d|%+d", -7, 7, 7), "  -7|7   |+7");
  EXPECT_EQ(formatText("%*d", 7, 5), "      5");
  EXPECT_EQ(formatText("%-7.7s|", "     -45"), "     -4|");
  EXPECT_EQ(formatText("%-7.7s|", "12"), "12     |");
  EXPECT_EQ(formatText("%4s%30s|", "", ""), std::string(34, ' ') + "|");
  EXPECT_EQ(formatText("100%%"), "100%");
}

TEST(TextFormatTest, wideTextTakesWideArguments) {
  const std::wstring path = L"C:\\データ\\a.dm";
  EXPECT_EQ(formatText(L"%s から %s", path, std::wstring(L"D:\\出力\\a.dm")),
            L"C:\\データ\\a.dm から D:\\出力\\a.dm");
  EXPECT_EQ(formatText(L"インデックスファイル %s  から　%d 系　と判定", L"a.dmi", 7),
            L"インデックスファイル a.dmi  から　7 系　と判定");
  EXPECT_EQ(formatText(L"座標(%12.3f, %12.3f) (%d 系)", -1.5, 20000.0, 9),
            L"座標(      -1.500,    20000.000) (9 系)");
  EXPECT_EQ(formatText(L"[%d/%d] %s ==> %s", 1, 3, L"a", L"b"), L"[1/3] a ==> b");
}

TEST(TextFormatTest, aMismatchShowsInsteadOfCrashing) {
  EXPECT_EQ(formatText("%d", "text"), "<?>");
  EXPECT_EQ(formatText(L"%s", 5), L"<?>");
  EXPECT_EQ(formatText("%d %d", 1), "1 <?>");
}

}  // namespace
