#include "common/wide_text.h"

#include <gtest/gtest.h>

namespace {

TEST(WideTextTest, ordersByUtf16CodeUnits) {
  EXPECT_LT(compareUtf16(L"B.dm", L"a.dm"), 0);
  EXPECT_LT(compareUtf16(L"a.dm", L"ab.dm"), 0);  // '.' sorts before 'b'
  EXPECT_LT(compareUtf16(L"ab", L"abc"), 0);      // a prefix comes first
  EXPECT_EQ(compareUtf16(L"x", L"x"), 0);
  // U+1F600 is the surrogate pair D83D DE00 and sorts below U+FF21 ('Ａ').
  std::wstring astral;
  if (sizeof(wchar_t) == 4) astral.push_back(static_cast<wchar_t>(0x1F600));
  else astral = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  EXPECT_LT(compareUtf16(astral, L"\xFF21"), 0);
}

TEST(WideTextTest, ignoresTheCaseOfAsciiLettersOnly) {
  EXPECT_TRUE(equalIgnoringAsciiCase(L"C:\\Data\\", L"c:\\data\\"));
  EXPECT_FALSE(equalIgnoringAsciiCase(L"\xFF21", L"\xFF41"));  // full-width A and a
  EXPECT_FALSE(equalIgnoringAsciiCase(L"abc", L"abcd"));
}

TEST(WideTextTest, utf8RoundTrip) {
  const std::wstring text = L"処理を中止しますか？ a\x00e9";
  EXPECT_EQ(utf8ToWide(wideToUtf8(text)), text);
  EXPECT_EQ(wideToUtf8(L"系"), "\xE7\xB3\xBB");
  EXPECT_EQ(utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
}

}  // namespace
