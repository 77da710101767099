#include "dm/sheet_number.h"

#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool inRange(char c, char first, char last) { return c >= first && c <= last; }

}  // namespace

int parseSheetNumber(const char* text, int* zone) {
  if (text == nullptr) return 0;
  std::string s(text);

  // Trailing blanks go; leading and inner blanks stay.
  while (!s.empty() && s.back() == ' ') s.pop_back();
  if (s.size() < 2) return 0;
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }

  if (!isDigit(s[0]) || !isDigit(s[1])) return 0;
  const int zoneNumber = 10 * (s[0] - '0') + (s[1] - '0');
  if (zoneNumber > 19) return 0;
  if (s.size() < 6) return 0;
  if (!inRange(s[2], 'A', 'Z')) return 0;

  // Block: an extended row takes one character more; drop that character so that the sheet
  // digits stand at positions 4 and 5 as in a regular block.
  if (s[2] == 'A' && inRange(s[3], 'X', 'Z')) {
    if (!inRange(s[4], 'A', 'H')) return 0;
    s.erase(4, 1);
  } else if (s[2] == 'Z' && inRange(s[3], 'A', 'E') && inRange(s[4], 'A', 'H')) {
    s.erase(4, 1);
  } else if (!inRange(s[3], 'A', 'H')) {
    return 0;
  }
  if (s.size() < 6) return 0;
  if (!isDigit(s[4]) || !isDigit(s[5])) return 0;

  switch (s.size()) {
    case 6:
      break;
    case 7:
      if (!inRange(s[6], '1', '4')) return 0;
      break;
    case 8:
      if (!(isDigit(s[6]) && isDigit(s[7])) &&
          !(inRange(s[6], '0', '4') && inRange(s[7], 'A', 'E'))) {
        return 0;
      }
      break;
    default:
      return 0;
  }
  if (zone != nullptr) *zone = zoneNumber;
  return 1;
}
