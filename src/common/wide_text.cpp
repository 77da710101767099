#include "common/wide_text.h"

#include <cstdint>
#include <vector>

namespace {

// Appends the UTF-16 code units of one character (a wchar_t holding a code point on Linux, or
// already a code unit on Windows).
void appendUnits(std::vector<std::uint16_t>& units, wchar_t c) {
  const std::uint32_t v = static_cast<std::uint32_t>(c);
  if (sizeof(wchar_t) == 4 && v > 0xFFFF && v <= 0x10FFFF) {
    const std::uint32_t s = v - 0x10000;
    units.push_back(static_cast<std::uint16_t>(0xD800 + (s >> 10)));
    units.push_back(static_cast<std::uint16_t>(0xDC00 + (s & 0x3FF)));
  } else {
    units.push_back(static_cast<std::uint16_t>(v));
  }
}

std::vector<std::uint16_t> toUnits(const std::wstring& text) {
  std::vector<std::uint16_t> units;
  units.reserve(text.size());
  for (wchar_t c : text) appendUnits(units, c);
  return units;
}

wchar_t lowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

void appendCodePoint(std::wstring& out, std::uint32_t cp) {
  if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
    const std::uint32_t s = cp - 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (s >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (s & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

}  // namespace

int compareUtf16(const std::wstring& a, const std::wstring& b) {
  if (sizeof(wchar_t) == 2) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  const auto ua = toUnits(a);
  const auto ub = toUnits(b);
  const size_t n = ua.size() < ub.size() ? ua.size() : ub.size();
  for (size_t i = 0; i < n; ++i) {
    if (ua[i] != ub[i]) return ua[i] < ub[i] ? -1 : 1;
  }
  if (ua.size() == ub.size()) return 0;
  return ua.size() < ub.size() ? -1 : 1;
}

bool equalIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::string wideToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::wstring utf8ToWide(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    std::uint32_t cp = 0;
    int more = 0;
    std::uint32_t minimum = 0;
    if (c < 0x80) { cp = c; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; more = 1; minimum = 0x80; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; more = 2; minimum = 0x800; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; more = 3; minimum = 0x10000; }
    else { out.push_back(static_cast<wchar_t>(0xFFFD)); ++i; continue; }
    size_t j = i + 1;
    bool valid = true;
    for (int k = 0; k < more; ++k, ++j) {
      if (j >= bytes.size() || (static_cast<unsigned char>(bytes[j]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(bytes[j]) & 0x3F);
    }
    if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(static_cast<wchar_t>(0xFFFD));
      i = valid ? j : i + 1;
      continue;
    }
    appendCodePoint(out, cp);
    i = j;
  }
  return out;
}
