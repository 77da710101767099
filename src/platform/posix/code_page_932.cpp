// Code page 932 on Linux, through glibc's iconv, made to give the bytes and characters that the
// Windows conversion functions give with their default flags, so that a DM file written on
// either system has the same bytes.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

// One iconv conversion descriptor per call: conversions are short and rare, and a descriptor of
// our own needs no lock when several threads convert at once.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts one wide character to code page 932 bytes; false when the code page lacks it.
bool wideCharTo932(iconv_t cd, wchar_t c, std::string& bytes) {
  char in[sizeof(wchar_t)];
  std::memcpy(in, &c, sizeof(wchar_t));
  char out[8];
  char* inPtr = in;
  size_t inLeft = sizeof(wchar_t);
  char* outPtr = out;
  size_t outLeft = sizeof(out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  bytes.assign(out, static_cast<size_t>(outPtr - out));
  return true;
}

// Code page 932 bytes of one character -> the wide character; false when they are not one
// mapped character.
bool bytesToWideChar(iconv_t cd, const char* bytes, size_t count, wchar_t& c) {
  char in[2];
  std::memcpy(in, bytes, count);
  char out[sizeof(wchar_t) * 2];
  char* inPtr = in;
  size_t inLeft = count;
  char* outPtr = out;
  size_t outLeft = sizeof(out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  if (inLeft != 0 || outPtr - out != static_cast<std::ptrdiff_t>(sizeof(wchar_t))) return false;
  std::memcpy(&c, out, sizeof(wchar_t));
  return true;
}

bool isLeadByte932(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

struct Substitute {
  std::uint32_t character;
  const char* bytes;
};

// Characters that code page 932 lacks but that the Windows conversion writes as a look-alike
// ("best fit": accented Latin letters lose their accents, U+00A5 YEN SIGN becomes 0x5C ...).
// Such a character does not read back as itself, so it counts as lost.
const Substitute kBestFit[] = {
    {0x00A1, "!"}, {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\\"}, {0x00A6, "|"},
    {0x00A9, "c"}, {0x00AA, "a"}, {0x00AB, "\x81\xE1"}, {0x00AC, "\x81\xCA"}, {0x00AD, "-"},
    {0x00AE, "R"}, {0x00AF, "\x81\x50"}, {0x00B2, "2"}, {0x00B3, "3"}, {0x00B5, "\x83\xCA"},
    {0x00B7, "\x81\x45"}, {0x00B8, "\x81\x43"}, {0x00B9, "1"}, {0x00BA, "o"}, {0x00BB, "\x81\xE2"},
    {0x00C0, "A"}, {0x00C1, "A"}, {0x00C2, "A"}, {0x00C3, "A"}, {0x00C4, "A"}, {0x00C5, "A"},
    {0x00C6, "A"}, {0x00C7, "C"}, {0x00C8, "E"}, {0x00C9, "E"}, {0x00CA, "E"}, {0x00CB, "E"},
    {0x00CC, "I"}, {0x00CD, "I"}, {0x00CE, "I"}, {0x00CF, "I"}, {0x00D0, "D"}, {0x00D1, "N"},
    {0x00D2, "O"}, {0x00D3, "O"}, {0x00D4, "O"}, {0x00D5, "O"}, {0x00D6, "O"}, {0x00D8, "O"},
    {0x00D9, "U"}, {0x00DA, "U"}, {0x00DB, "U"}, {0x00DC, "U"}, {0x00DD, "Y"}, {0x00DE, "T"},
    {0x00DF, "s"}, {0x00E0, "a"}, {0x00E1, "a"}, {0x00E2, "a"}, {0x00E3, "a"}, {0x00E4, "a"},
    {0x00E5, "a"}, {0x00E6, "a"}, {0x00E7, "c"}, {0x00E8, "e"}, {0x00E9, "e"}, {0x00EA, "e"},
    {0x00EB, "e"}, {0x00EC, "i"}, {0x00ED, "i"}, {0x00EE, "i"}, {0x00EF, "i"}, {0x00F0, "d"},
    {0x00F1, "n"}, {0x00F2, "o"}, {0x00F3, "o"}, {0x00F4, "o"}, {0x00F5, "o"}, {0x00F6, "o"},
    {0x00F8, "o"}, {0x00F9, "u"}, {0x00FA, "u"}, {0x00FB, "u"}, {0x00FC, "u"}, {0x00FD, "y"},
    {0x00FE, "t"}, {0x00FF, "y"}, {0x3094, "\x83\x94"},
};

// Characters the Windows code page maps one to one that glibc's CP932 lacks.
const Substitute kWindowsOnly[] = {
    {0x0080, "\x80"}, {0xF8F0, "\xA0"}, {0xF8F1, "\xFD"}, {0xF8F2, "\xFE"}, {0xF8F3, "\xFF"},
};

const char* findSubstitute(const Substitute* table, size_t count, std::uint32_t c) {
  for (size_t i = 0; i < count; ++i) {
    if (table[i].character == c) return table[i].bytes;
  }
  return nullptr;
}

}  // namespace

// glibc's CP932 also writes the JIS forms of a few characters (U+301C WAVE DASH, U+2212 MINUS
// SIGN, U+2014, U+2016, U+203E) as their code page 932 look-alikes; Windows does not, and neither
// do we: a character that does not come back as itself becomes '?'.
std::string toCodePage932(const std::wstring& text, bool* lossy) {
  bool replaced = false;
  std::string out;
  out.reserve(text.size() * 2);
  IconvHandle toCp("CP932", "WCHAR_T");
  IconvHandle fromCp("WCHAR_T", "CP932");
  std::string bytes;
  for (wchar_t c : text) {
    const std::uint32_t v = static_cast<std::uint32_t>(c);
    if (v < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (v > 0xFFFF) {
      // Windows converts UTF-16 code units: a character beyond the BMP is two of them, and each
      // becomes a '?'.
      out += "??";
      replaced = true;
      continue;
    }
    if (const char* same = findSubstitute(kWindowsOnly, std::size(kWindowsOnly), v)) {
      out += same;
      continue;
    }
    if (const char* fit = findSubstitute(kBestFit, std::size(kBestFit), v)) {
      out += fit;
      replaced = true;
      continue;
    }
    wchar_t back = 0;
    if (toCp.valid() && fromCp.valid() && wideCharTo932(toCp.get(), c, bytes) &&
        bytesToWideChar(fromCp.get(), bytes.data(), bytes.size(), back) && back == c) {
      out += bytes;
    } else {
      out.push_back('?');
      replaced = true;
    }
  }
  if (lossy != nullptr) *lossy = replaced;
  return out;
}

// Decodes character by character so that a byte sequence the code page does not map costs one
// character, as on Windows: 0x80 -> U+0080, 0xA0 -> U+F8F0, 0xFD..0xFF -> U+F8F1..U+F8F3, any other
// unmapped byte or pair -> U+30FB (KATAKANA MIDDLE DOT, the code page's default character).
std::wstring fromCodePage932(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  IconvHandle fromCp("WCHAR_T", "CP932");
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    if (b == 0x80) {
      out.push_back(static_cast<wchar_t>(0x0080));
      ++i;
      continue;
    }
    if (b == 0xA0) {
      out.push_back(static_cast<wchar_t>(0xF8F0));
      ++i;
      continue;
    }
    if (b >= 0xFD) {
      out.push_back(static_cast<wchar_t>(0xF8F1 + (b - 0xFD)));
      ++i;
      continue;
    }
    const size_t count = (isLeadByte932(b) && i + 1 < bytes.size()) ? 2 : 1;
    wchar_t c = 0;
    if (fromCp.valid() && bytesToWideChar(fromCp.get(), bytes.data() + i, count, c)) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<wchar_t>(0x30FB));
    }
    i += count;
  }
  return out;
}

}  // namespace platform
