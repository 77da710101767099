#include "common/field.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/text_format.h"

int parseFieldInt(const char* field, int width) {
  std::uint32_t value = 0;  // unsigned, so that an over-long field wraps instead of overflowing
  bool negative = false;
  for (int i = 0; i < width; ++i) {
    const unsigned char c = static_cast<unsigned char>(field[i]);
    if (c >= '0' && c <= '9') {
      value = value * 10u + static_cast<std::uint32_t>(c - '0');
    } else if (c == '-') {
      if (value != 0) break;
      negative = true;
    } else if (value != 0 && static_cast<std::int32_t>(value) > 0) {
      break;
    }
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

double parseFieldReal(const char* field, int width) {
  if (width > 111) width = 111;
  if (width <= 0) return 0.0;
  char text[112];
  int length = 0;
  while (length < width && field[length] != '\0') {
    text[length] = field[length];
    ++length;
  }
  text[length] = '\0';

  const char* p = text;
  const char* end = text + length;
  while (p < end && isCSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = (*p == '-');
    ++p;
  }
  if (p == end || *p == '-' || *p == '+') return 0.0;

  double value = 0.0;
  std::from_chars_result r{};
  if (p + 1 < end && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      ((p + 2 < end && isHexDigit(p[2])) ||
       (p + 3 < end && p[2] == '.' && isHexDigit(p[3])))) {
    r = std::from_chars(p + 2, end, value, std::chars_format::hex);
  } else {
    r = std::from_chars(p, end, value, std::chars_format::general);
  }
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow gives HUGE_VAL and underflow a value near 0, as the C library does; that rare
    // path decides which by the exponent's direction.
    const char* q = p;
    while (q < end && *q != 'e' && *q != 'E' && *q != 'p' && *q != 'P') ++q;
    const bool tinyExponent = (q + 1 < end && q[1] == '-');
    value = tinyExponent ? 0.0 : HUGE_VAL;
  } else if (r.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -value : value;
}

void writeFieldInt(char* field, int value, int width) {
  if (width <= 0) return;
  const std::string rendered = formatNarrow("%*d", {width, value});
  std::memcpy(field, rendered.data(), static_cast<size_t>(width));
}
