// The sheet corners of a DM file: their whole metres stand in the frame record, the part below
// one metre in the latest organisation record, in coordinate units. These operations join the
// two parts on reading and split a corrected coordinate into them on writing.
#pragma once

#include <string>

// The coordinate extended by its fraction (coordinate units, signed), away from zero:
// c + |f| × unit ÷ 1000 when c > 0, c − |f| × unit ÷ 1000 when c < 0. An integer part of 0 has
// no sign of its own: a coordinate between −1 m and 0 is stored as 0 with a negative fraction,
// so there the fraction's sign decides (0 and −400, unit 1, read −0.4 m; 0 and 400 read 0.4 m).
double addCornerFraction(double coordinate, int fraction, int unit);

// The two texts that the file stores for one corrected corner coordinate.
struct CornerTexts {
  std::string integerField;  // 7 characters for the frame record
  std::string fraction;      // 4 characters ("%4d") for the organisation record
};

// Splits a coordinate (m) by its "%14.3f" rendering: the integer field is characters 3 to 9
// ("%-7.7s"; a text that reads as 0, such as "-0", becomes "      0"); the fraction is the
// millimetres of characters 11 to 13, divided by the unit (unit > 0) and rounded half up,
// negative when the coordinate is. −45.678 with unit 10 gives "    -45" and " -68".
// An integer part of more than 7 characters keeps only its last 7, as the field holds no more.
CornerTexts splitCornerCoordinate(double value, int unit);

// The coordinate rounded to what the unit resolves, through its text: "%.3f" for a unit of 1 mm,
// "%.2f" otherwise, read back as a number.
double roundCornerToUnit(double value, int unit);
