#include "common/field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct IntCase {
  std::string field;
  int expected;
};

class ParseFieldIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(ParseFieldIntTest, readsTheFieldByTheFormatRules) {
  const IntCase& c = GetParam();
  EXPECT_EQ(parseFieldInt(c.field.data(), static_cast<int>(c.field.size())), c.expected)
      << "field '" << c.field << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ParseFieldIntTest,
    testing::Values(IntCase{"    ", 0}, IntCase{" 12 34", 12}, IntCase{"- 5", -5},
                    IntCase{"0-5", -5}, IntCase{"12.5", 12}, IntCase{"1-2", 1},
                    IntCase{"      5", 5}, IntCase{"    -45", -45}, IntCase{"x7", 7},
                    IntCase{"--3", -3}, IntCase{"-", 0}, IntCase{std::string("\0" "42", 3), 42},
                    IntCase{"53392610", 53392610}, IntCase{"0", 0}, IntCase{" 9 ", 9}));

TEST(ParseFieldIntTest, looksAtExactlyTheWidth) {
  const char record[] = "1234567";
  EXPECT_EQ(parseFieldInt(record, 2), 12);
  EXPECT_EQ(parseFieldInt(record + 2, 3), 345);
}

struct RealCase {
  std::string field;
  int width;
  double expected;
};

class ParseFieldRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(ParseFieldRealTest, followsTheAtofRules) {
  const RealCase& c = GetParam();
  EXPECT_EQ(parseFieldReal(c.field.c_str(), c.width), c.expected) << "field '" << c.field << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ParseFieldRealTest,
    testing::Values(RealCase{"      -1.8", 10, -1.8}, RealCase{"          ", 10, 0.0},
                    RealCase{"  0.12345x", 10, 0.12345}, RealCase{"+2.5e1    ", 10, 25.0},
                    RealCase{"abc", 10, 0.0}, RealCase{"1.5", 2, 1.0},
                    RealCase{"\t 7.25", 10, 7.25}, RealCase{"+-3", 10, 0.0},
                    RealCase{".5", 10, 0.5}, RealCase{"-.5e-1", 10, -0.05},
                    RealCase{"1e", 10, 1.0}, RealCase{"0x10", 10, 16.0},
                    RealCase{"12345678901234567890", 10, 1234567890.0}));

TEST(ParseFieldRealTest, stopsAtTheEndOfItsLine) {
  const char line[] = "  3.5";  // the NUL after the line ends the field
  EXPECT_EQ(parseFieldReal(line, 10), 3.5);
  EXPECT_EQ(parseFieldReal(line + 5, 10), 0.0);
}

TEST(ParseFieldRealTest, roundsCorrectly) {
  EXPECT_EQ(parseFieldReal("0.1", 3), 0.1);
  EXPECT_EQ(parseFieldReal("-0.30000000000000004", 20), -0.30000000000000004);
  EXPECT_TRUE(std::isinf(parseFieldReal("1e999", 5)));
}

struct WriteCase {
  int value;
  int width;
  std::string expected;
};

class WriteFieldIntTest : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteFieldIntTest, rightAlignsAndCutsToTheWidth) {
  const WriteCase& c = GetParam();
  std::string field(static_cast<size_t>(c.width) + 2, '#');
  writeFieldInt(&field[0], c.value, c.width);
  EXPECT_EQ(field.substr(0, static_cast<size_t>(c.width)), c.expected);
  EXPECT_EQ(field.substr(static_cast<size_t>(c.width)), "##") << "wrote past the field";
}

INSTANTIATE_TEST_SUITE_P(Examples, WriteFieldIntTest,
                         testing::Values(WriteCase{5, 7, "      5"}, WriteCase{-12, 2, "-1"},
                                         WriteCase{100, 2, "10"}, WriteCase{3, 1, "3"},
                                         WriteCase{-45, 7, "    -45"}, WriteCase{0, 4, "   0"},
                                         WriteCase{1234567, 7, "1234567"}));

}  // namespace
