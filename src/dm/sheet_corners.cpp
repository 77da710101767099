#include "dm/sheet_corners.h"

#include "common/field.h"
#include "common/text_format.h"

namespace {

// The value of the number that begins `text`, as a base-10 conversion reads it: leading white
// space, an optional sign, digits; 0 when no digit follows. Saturates far beyond any field.
long long leadingInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value < 1000000000000LL) value = value * 10 + (text[i] - '0');
    ++i;
  }
  return negative ? -value : value;
}

}  // namespace

double addCornerFraction(double coordinate, int fraction, int unit) {
  const double magnitude = fraction < 0 ? -static_cast<double>(fraction) : fraction;
  const double metres = magnitude * unit / 1000.0;
  const bool negative = coordinate < 0 || (coordinate == 0 && fraction < 0);
  return negative ? coordinate - metres : coordinate + metres;
}

CornerTexts splitCornerCoordinate(double value, int unit) {
  const std::string rendering = formatText("%14.3f", value);
  const std::string integerPart = rendering.size() > 3 ? rendering.substr(3, 7) : std::string();
  CornerTexts texts;
  texts.integerField = formatText("%-7.7s", integerPart);
  // A coordinate between -1 m and 0 renders "-0": stored as 0, its sign lives in the fraction.
  if (leadingInteger(texts.integerField) == 0) texts.integerField = formatText("%7d", 0);
  const std::string millimetres = rendering.size() > 11 ? rendering.substr(11, 3) : std::string();
  int fraction = static_cast<int>(leadingInteger(millimetres));
  if (unit > 0) fraction = static_cast<int>(fraction / static_cast<double>(unit) + 0.5);
  if (value < 0) fraction = -fraction;
  texts.fraction = formatText("%4d", fraction);
  return texts;
}

double roundCornerToUnit(double value, int unit) {
  const std::string text = formatText(unit == 1 ? "%.3f" : "%.2f", value);
  const int width = text.size() < 111 ? static_cast<int>(text.size()) : 111;
  return parseFieldReal(text.c_str(), width);
}
