#include "common/text_format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <system_error>
#include <vector>

FormatArg::FormatArg(const wchar_t* text)
    : kind_(Kind::WideText), wide_(text ? text : L""), length_(std::wcslen(text ? text : L"")) {}

FormatArg::FormatArg(const char* text)
    : kind_(Kind::NarrowText), narrow_(text ? text : ""), length_(std::strlen(text ? text : "")) {}

namespace {

struct FieldFormat {
  bool leftAlign = false;
  bool zeroPad = false;
  bool plusSign = false;
  bool spaceSign = false;
  int width = 0;
  int precision = -1;  // -1: none given
};

// The body of a number (digits, point, "inf"...) as ASCII, without its sign.
struct Rendered {
  bool negative = false;
  std::string body;
  bool finite = true;
};

Rendered renderInteger(long long value, int precision) {
  Rendered r;
  r.negative = value < 0;
  unsigned long long magnitude =
      r.negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  r.body.assign(buffer, result.ptr);
  if (precision >= 0) {
    if (precision == 0 && magnitude == 0) r.body.clear();
    while (static_cast<int>(r.body.size()) < precision) r.body.insert(r.body.begin(), '0');
  }
  return r;
}

Rendered renderFixed(double value, int precision) {
  Rendered r;
  if (precision < 0) precision = 6;
  if (precision > 60) precision = 60;
  r.negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  if (std::isnan(value)) {
    r.body = "nan";
    r.finite = false;
    return r;
  }
  if (std::isinf(value)) {
    r.body = "inf";
    r.finite = false;
    return r;
  }
  std::vector<char> buffer(400);
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                              std::chars_format::fixed, precision);
  r.body.assign(buffer.data(), result.ptr);
  return r;
}

template <class Char>
void appendAscii(std::basic_string<Char>& out, const std::string& ascii) {
  for (char c : ascii) out.push_back(static_cast<Char>(c));
}

template <class Char>
void pad(std::basic_string<Char>& out, size_t count, Char fill) {
  out.append(count, fill);
}

template <class Char>
void appendNumber(std::basic_string<Char>& out, const FieldFormat& field, const Rendered& r,
                  bool zeroPadAllowed) {
  std::string sign;
  if (r.negative) sign = "-";
  else if (field.plusSign) sign = "+";
  else if (field.spaceSign) sign = " ";
  const size_t length = sign.size() + r.body.size();
  const size_t fill = field.width > 0 && static_cast<size_t>(field.width) > length
                          ? static_cast<size_t>(field.width) - length
                          : 0;
  if (field.leftAlign) {
    appendAscii(out, sign);
    appendAscii(out, r.body);
    pad(out, fill, static_cast<Char>(' '));
  } else if (field.zeroPad && zeroPadAllowed && r.finite) {
    appendAscii(out, sign);
    pad(out, fill, static_cast<Char>('0'));
    appendAscii(out, r.body);
  } else {
    pad(out, fill, static_cast<Char>(' '));
    appendAscii(out, sign);
    appendAscii(out, r.body);
  }
}

template <class Char>
void appendText(std::basic_string<Char>& out, const FieldFormat& field, const Char* text, size_t length) {
  if (field.precision >= 0 && static_cast<size_t>(field.precision) < length) {
    length = static_cast<size_t>(field.precision);
  }
  const size_t fill = field.width > 0 && static_cast<size_t>(field.width) > length
                          ? static_cast<size_t>(field.width) - length
                          : 0;
  if (!field.leftAlign) pad(out, fill, static_cast<Char>(' '));
  out.append(text, length);
  if (field.leftAlign) pad(out, fill, static_cast<Char>(' '));
}

template <class Char>
void appendMismatch(std::basic_string<Char>& out) {
  appendAscii(out, "<?>");
}

const wchar_t* textOf(const FormatArg& arg, const wchar_t*) { return arg.wide(); }
const char* textOf(const FormatArg& arg, const char*) { return arg.narrow(); }
FormatArg::Kind textKind(const wchar_t*) { return FormatArg::Kind::WideText; }
FormatArg::Kind textKind(const char*) { return FormatArg::Kind::NarrowText; }

template <class Char>
std::basic_string<Char> format(const Char* fmt, std::initializer_list<FormatArg> args) {
  std::basic_string<Char> out;
  const FormatArg* next = args.begin();
  const FormatArg* last = args.end();
  auto take = [&]() -> const FormatArg* { return next < last ? next++ : nullptr; };

  for (const Char* p = fmt; *p;) {
    if (*p != static_cast<Char>('%')) {
      out.push_back(*p++);
      continue;
    }
    ++p;
    if (*p == static_cast<Char>('%')) {
      out.push_back(*p++);
      continue;
    }
    FieldFormat field;
    for (;; ++p) {
      if (*p == '-') field.leftAlign = true;
      else if (*p == '0') field.zeroPad = true;
      else if (*p == '+') field.plusSign = true;
      else if (*p == ' ') field.spaceSign = true;
      else if (*p == '#') {}
      else break;
    }
    if (*p == '*') {
      ++p;
      const FormatArg* a = take();
      if (a && a->kind() == FormatArg::Kind::Integer) {
        long long w = a->integer();
        if (w < 0) {
          field.leftAlign = true;
          w = -w;
        }
        field.width = static_cast<int>(w > 4096 ? 4096 : w);
      }
    } else {
      while (*p >= '0' && *p <= '9') {
        field.width = field.width * 10 + (*p - '0');
        if (field.width > 4096) field.width = 4096;
        ++p;
      }
    }
    if (*p == '.') {
      ++p;
      field.precision = 0;
      if (*p == '*') {
        ++p;
        const FormatArg* a = take();
        field.precision = (a && a->kind() == FormatArg::Kind::Integer && a->integer() >= 0)
                             ? static_cast<int>(a->integer() > 4096 ? 4096 : a->integer())
                             : -1;
      } else {
        while (*p >= '0' && *p <= '9') {
          field.precision = field.precision * 10 + (*p - '0');
          if (field.precision > 4096) field.precision = 4096;
          ++p;
        }
      }
    }
    // Length modifiers carry no meaning here: every integer argument is held as long long.
    while (*p == 'l' || *p == 'h' || *p == 'z' || *p == 'L') ++p;

    const Char kind = *p;
    if (kind == 0) break;
    ++p;
    const FormatArg* a = take();
    switch (kind) {
      case 'd':
      case 'i':
      case 'u':
        if (a && a->kind() == FormatArg::Kind::Integer) {
          appendNumber(out, field, renderInteger(a->integer(), field.precision), field.precision < 0);
        } else {
          appendMismatch(out);
        }
        break;
      case 'f':
      case 'F':
        if (a && (a->kind() == FormatArg::Kind::Real || a->kind() == FormatArg::Kind::Integer)) {
          const double v = a->kind() == FormatArg::Kind::Real ? a->real()
                                                              : static_cast<double>(a->integer());
          appendNumber(out, field, renderFixed(v, field.precision), true);
        } else {
          appendMismatch(out);
        }
        break;
      case 's':
        if (a && a->kind() == textKind(fmt)) {
          appendText(out, field, textOf(*a, fmt), a->length());
        } else {
          appendMismatch(out);
        }
        break;
      case 'c':
        if (a && a->kind() == FormatArg::Kind::Integer) {
          const Char c = static_cast<Char>(a->integer());
          appendText(out, FieldFormat{field.leftAlign, false, false, false, field.width, -1}, &c, 1);
        } else {
          appendMismatch(out);
        }
        break;
      default:
        appendMismatch(out);
        break;
    }
  }
  return out;
}

}  // namespace

std::wstring formatWide(const wchar_t* format, std::initializer_list<FormatArg> args) {
  return ::format<wchar_t>(format, args);
}

std::string formatNarrow(const char* format, std::initializer_list<FormatArg> args) {
  return ::format<char>(format, args);
}
