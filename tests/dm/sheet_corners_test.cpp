#include "dm/sheet_corners.h"

#include <gtest/gtest.h>

#include "common/field.h"

namespace {

TEST(sheet_corners, splitCornerCoordinate) {
  const struct {
    double value;
    int unit;
    const char* integerField;
    const char* fraction;
  } cases[] = {
      {-0.4, 1, "      0", "-400"},     // "-0" is stored as 0; the sign lives in the fraction
      {-45.678, 1, "    -45", "-678"},
      {-45.678, 10, "    -45", " -68"},  // 67.8 units rounded half up
      {45.678, 10, "     45", "  68"},
      {45.674, 10, "     45", "  67"},
      {-1500.0, 1, "  -1500", "   0"},
      {12345.6789, 1, "  12345", " 679"},
      {12345.6789, 1000, "  12345", "   1"},  // 679 mm of a 1 m unit
      {0.0004, 1, "      0", "   0"},
      {-0.0004, 1, "      0", "   0"},        // "-0.000": no millimetres, no sign
      {9999999.5, 1, "9999999", " 500"},
      {-1234567.25, 1, "1234567", "-250"},      // 8 characters with the sign: the sign is lost
      {12345678.0, 1, "2345678", "   0"},      // the leading digit is lost
  };
  for (const auto& c : cases) {
    const CornerTexts texts = splitCornerCoordinate(c.value, c.unit);
    EXPECT_EQ(texts.integerField, c.integerField) << c.value << " unit " << c.unit;
    EXPECT_EQ(texts.fraction, c.fraction) << c.value << " unit " << c.unit;
  }
}

TEST(sheet_corners, addCornerFraction) {
  const struct {
    double integerPart;
    int fraction;
    int unit;
    double expected;
  } cases[] = {
      {-45, -678, 1, -45.678},
      {-45, 678, 1, -45.678},  // a negative integer part: the fraction's sign is ignored
      {12, 68, 10, 12.68},
      {12, -68, 10, 12.68},    // a positive integer part: likewise
      {12, 3, 1000, 15.0},
      {0, -400, 1, -0.4},      // 0 has no sign: the fraction's decides
      {0, 400, 1, 0.4},
      {0, -68, 10, -0.68},
      {0, -1, 1000, -1.0},
      {0, 0, 1, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(addCornerFraction(c.integerPart, c.fraction, c.unit), c.expected)
        << c.integerPart << " and " << c.fraction << " unit " << c.unit;
  }
}

TEST(sheet_corners, aSplitCoordinateReadsBackAsWritten) {
  // Written into the frame record and the organisation record, then read from them again: the
  // coordinate to within half a unit, with its sign, also between -1 m and 0.
  const struct {
    double value;
    int unit;
  } cases[] = {
      {-0.4, 1},   {-0.4, 10},   {-0.05, 10}, {-0.999, 1}, {0.4, 1},       {0.0, 1},
      {-45.678, 1}, {-45.678, 10}, {45.674, 10}, {-1500.3, 1}, {12345.6789, 1000},
  };
  for (const auto& c : cases) {
    const CornerTexts texts = splitCornerCoordinate(c.value, c.unit);
    const double readBack =
        addCornerFraction(parseFieldInt(texts.integerField.c_str(), 7),
                          parseFieldInt(texts.fraction.c_str(), 4), c.unit);
    EXPECT_NEAR(readBack, c.value, c.unit / 2000.0 + 1e-9) << c.value << " unit " << c.unit;
  }
  EXPECT_DOUBLE_EQ(addCornerFraction(parseFieldInt("      0", 7), parseFieldInt("-400", 4), 1),
                   -0.4);
}

TEST(sheet_corners, roundCornerToUnit) {
  EXPECT_EQ(roundCornerToUnit(-1500.00049, 1), -1500.0);
  EXPECT_EQ(roundCornerToUnit(12.3456, 1), 12.346);
  EXPECT_EQ(roundCornerToUnit(12.3456, 10), 12.35);
  EXPECT_EQ(roundCornerToUnit(-12.345, 1000), -12.35);  // -12.3450000000000006 rounds away
}

}  // namespace
