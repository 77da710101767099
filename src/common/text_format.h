// printf-style formatting of our own, for wide text (the message log) and bytes (DM records).
//
// The platforms' printf families disagree on what "%s" means for wide text and on how doubles are
// rounded, so the system formats with this small formatter instead: the same output on every
// platform, independent of the locale. Doubles are rendered correctly rounded.
//
// Supported conversions: %d and %i (int or long long), %u, %f (double), %s (text of the format's own
// character type), %c (a character code), %%. Flags '-', '0', '+', ' ', '#' (ignored); a width
// (digits or '*', taking an int argument); a precision (digits or '*'). "%-7.7s", "%02d",
// "%12.3f", "%14.3f", "%.3f" and "%*d" all behave as in C.
// An argument of the wrong kind, or a missing argument, renders as "<?>" so that a mistake shows
// in the output instead of crashing.
#pragma once

#include <initializer_list>
#include <string>

class FormatArg {
 public:
  enum class Kind { Integer, Real, WideText, NarrowText };

  FormatArg(int value) : kind_(Kind::Integer), integer_(value) {}
  FormatArg(long value) : kind_(Kind::Integer), integer_(value) {}
  FormatArg(long long value) : kind_(Kind::Integer), integer_(value) {}
  FormatArg(unsigned value) : kind_(Kind::Integer), integer_(value) {}
  FormatArg(unsigned long value) : kind_(Kind::Integer), integer_(static_cast<long long>(value)) {}
  FormatArg(unsigned long long value)
      : kind_(Kind::Integer), integer_(static_cast<long long>(value)) {}
  FormatArg(double value) : kind_(Kind::Real), real_(value) {}
  FormatArg(const std::wstring& text) : kind_(Kind::WideText), wide_(text.c_str()), length_(text.size()) {}
  FormatArg(const wchar_t* text);
  FormatArg(const std::string& text) : kind_(Kind::NarrowText), narrow_(text.c_str()), length_(text.size()) {}
  FormatArg(const char* text);

  Kind kind() const { return kind_; }
  long long integer() const { return integer_; }
  double real() const { return real_; }
  const wchar_t* wide() const { return wide_; }
  const char* narrow() const { return narrow_; }
  size_t length() const { return length_; }

 private:
  Kind kind_;
  long long integer_ = 0;
  double real_ = 0.0;
  const wchar_t* wide_ = nullptr;
  const char* narrow_ = nullptr;
  size_t length_ = 0;
};

std::wstring formatWide(const wchar_t* format, std::initializer_list<FormatArg> args);
std::string formatNarrow(const char* format, std::initializer_list<FormatArg> args);

// Convenience forms: formatText(L"%s から %s", a, b).
template <class... Args>
std::wstring formatText(const wchar_t* format, const Args&... args) {
  return formatWide(format, {FormatArg(args)...});
}
template <class... Args>
std::string formatText(const char* format, const Args&... args) {
  return formatNarrow(format, {FormatArg(args)...});
}
