#include "ui/integer_field.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct Case {
  const wchar_t* text;
  bool ok;
  int value;
};

// The year and month boxes read as scanf reads "%d"; the rest of the text is ignored.
TEST(integer_field_test, reads_like_scanf_d) {
  const Case cases[] = {
      {L"13", true, 13},
      {L" 7", true, 7},
      {L"\t 7", true, 7},
      {L"13年", true, 13},
      {L"-1", true, -1},
      {L"+5", true, 5},
      {L"007", true, 7},
      {L"1 2", true, 1},
      {L"2013", true, 2013},
      {L"", false, -99},
      {L"   ", false, -99},
      {L"abc", false, -99},
      {L"年13", false, -99},
      {L"-", false, -99},
      {L"+ 5", false, -99},
      {L"１３", false, -99},  // full-width digits are not decimal digits here
      {L"2147483647", true, INT_MAX},
      {L"-2147483648", true, INT_MIN},
      // Beyond 32 bits the nearest limit, so that the range check refuses it instead of a
      // wrapped value slipping into range (4294967309 would wrap to 13).
      {L"4294967309", true, INT_MAX},
      {L"99999999999999999999999", true, INT_MAX},
      {L"-4294967309", true, INT_MIN},
  };
  for (const Case& c : cases) {
    int value = -99;
    EXPECT_EQ(readIntegerField(c.text, value), c.ok) << testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(value, c.value) << testing::PrintToString(std::wstring(c.text));
  }
}

// Only the first 63 characters are looked at.
TEST(integer_field_test, reads_only_the_first_63_characters) {
  int value = -99;
  EXPECT_TRUE(readIntegerField(std::wstring(61, L' ') + L"123", value));
  EXPECT_EQ(value, 12);
  value = -99;
  EXPECT_FALSE(readIntegerField(std::wstring(63, L' ') + L"5", value));
  EXPECT_EQ(value, -99);
}

}  // namespace
