// Profile (INI) files on Linux: our own reader and writer with the rules of the Windows profile
// functions, so that a settings file means the same on both systems.
//
// The rules kept:
// - A line "[name]" starts a section (the name is what lies between '[' and the last ']', outer
//   blanks removed); any
//   other non-blank line is a key: the text before the first '=' (blanks around it removed) is its
//   name, the text after it (outer blanks removed) its value. A line without '=' is a key without
//   a value, which reads as missing. Lines before the first section belong to no section.
// - Section and key names are compared ignoring the case of A to Z; the first section of the name
//   is the only one searched, and the first key of the name in it wins.
// - A value that starts and ends with the same quote character (" or ') loses that pair of quotes.
//   At most 8191 characters are returned.
// - A default value loses its trailing spaces (the Windows functions do that too).
// - Writing replaces the value of the first key of the name in the first section of the name, in
//   place; a missing key is added after the section's last non-blank line, a missing section (and a
//   missing file) is added at the end. Every other line stays as it was.
// Text is UTF-8 (a leading byte order mark is kept). A file that is not valid UTF-8 was most likely
// written by Windows in code page 932 and is read as such; it is written back as UTF-8.
// Lines end in LF or CR LF alike; new lines take the ending of the file's first line (CR LF in a
// new file, as Windows writes them).
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "common/wide_text.h"
#include "platform/platform.h"

namespace platform {

namespace {

const size_t kMaxValueLength = 8191;
const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
         c == 0x1A;
}

std::wstring trimmed(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// What one line of a profile file is.
struct ProfileLine {
  enum Kind { kBlank, kSection, kKey };
  Kind kind = kBlank;
  std::wstring name;   // section or key name
  bool hasValue = false;
  std::wstring value;  // outer blanks removed, quotes kept
};

ProfileLine parseLine(const std::wstring& raw) {
  ProfileLine line;
  const std::wstring text = trimmed(raw);
  if (text.empty()) return line;
  if (text[0] == L'[') {
    const size_t close = text.rfind(L']');
    if (close != std::wstring::npos) {
      line.kind = ProfileLine::kSection;
      line.name = trimmed(text.substr(1, close - 1));
      return line;
    }
  }
  line.kind = ProfileLine::kKey;
  const size_t equals = text.find(L'=');
  if (equals == std::wstring::npos) {
    line.name = text;
    return line;
  }
  line.name = trimmed(text.substr(0, equals));
  line.hasValue = true;
  line.value = trimmed(text.substr(equals + 1));
  return line;
}

bool isValidUtf8(const std::string& bytes) { return wideToUtf8(utf8ToWide(bytes)) == bytes; }

// A profile file held as its lines (each without its LF, a CR kept where the file has one).
struct ProfileText {
  bool bom = false;
  std::vector<std::wstring> lines;
  bool crlf = true;  // the ending for lines we add
};

// Reads the file; false when it exists but cannot be read. A missing file reads as empty.
bool loadProfile(const std::wstring& file, ProfileText& text, bool& exists) {
  exists = false;
  std::FILE* in = openFile(file, "rb");
  if (in == nullptr) return errno == ENOENT;
  exists = true;
  std::string bytes;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return false;

  if (bytes.compare(0, 3, kUtf8Bom) == 0) {
    text.bom = true;
    bytes.erase(0, 3);
  }
  const std::wstring wide = isValidUtf8(bytes) ? utf8ToWide(bytes) : fromCodePage932(bytes);
  const size_t firstLf = wide.find(L'\n');
  text.crlf = firstLf == std::wstring::npos || (firstLf > 0 && wide[firstLf - 1] == L'\r');
  size_t start = 0;
  for (;;) {
    const size_t lf = wide.find(L'\n', start);
    if (lf == std::wstring::npos) {
      if (start < wide.size()) text.lines.push_back(wide.substr(start));
      break;
    }
    text.lines.push_back(wide.substr(start, lf - start));
    start = lf + 1;
  }
  return true;
}

bool saveProfile(const std::wstring& file, const ProfileText& text) {
  std::string bytes = text.bom ? std::string(kUtf8Bom) : std::string();
  for (const std::wstring& line : text.lines) {
    bytes += wideToUtf8(line);
    bytes += '\n';
  }
  std::FILE* out = openFile(file, "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  const bool closed = std::fclose(out) == 0;
  return written && closed;
}

// Index of the first line "[section]" of this name, or -1.
long findSection(const std::vector<ProfileLine>& parsed, const std::wstring& section) {
  for (size_t i = 0; i < parsed.size(); ++i) {
    if (parsed[i].kind == ProfileLine::kSection && equalIgnoringAsciiCase(parsed[i].name, section)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

// One past the last line of the section whose header is at `header`.
size_t sectionEnd(const std::vector<ProfileLine>& parsed, size_t header) {
  size_t i = header + 1;
  while (i < parsed.size() && parsed[i].kind != ProfileLine::kSection) ++i;
  return i;
}

// Index of the first key of this name in the section at `header`, or -1.
long findKey(const std::vector<ProfileLine>& parsed, size_t header, const std::wstring& key) {
  const size_t end = sectionEnd(parsed, header);
  for (size_t i = header + 1; i < end; ++i) {
    if (parsed[i].kind == ProfileLine::kKey && equalIgnoringAsciiCase(parsed[i].name, key)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::vector<ProfileLine> parseAll(const ProfileText& text) {
  std::vector<ProfileLine> parsed;
  parsed.reserve(text.lines.size());
  for (const std::wstring& line : text.lines) parsed.push_back(parseLine(line));
  return parsed;
}

std::wstring withoutTrailingSpaces(const std::wstring& text) {
  size_t end = text.size();
  while (end > 1 && text[end - 1] == L' ') --end;
  return text.substr(0, end);
}

bool hasLineBreak(const std::wstring& text) {
  return text.find(L'\r') != std::wstring::npos || text.find(L'\n') != std::wstring::npos;
}

}  // namespace

std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key, const std::wstring& defaultValue) {
  const std::wstring fallback = withoutTrailingSpaces(defaultValue);
  ProfileText text;
  bool exists = false;
  if (!loadProfile(file, text, exists) || !exists) return fallback;
  const std::vector<ProfileLine> parsed = parseAll(text);
  const long header = findSection(parsed, trimmed(section));
  if (header < 0) return fallback;
  const long found = findKey(parsed, static_cast<size_t>(header), trimmed(key));
  if (found < 0 || !parsed[static_cast<size_t>(found)].hasValue) return fallback;

  std::wstring value = parsed[static_cast<size_t>(found)].value;
  if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

// A section, key or value with a line break would change the file's other entries when written;
// it is refused.
bool writeProfileString(const std::wstring& file, const std::wstring& section,
                        const std::wstring& key, const std::wstring& value) {
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  const std::wstring sectionName = trimmed(section);
  const std::wstring keyName = trimmed(key);
  if (sectionName.empty() || keyName.empty()) return false;
  size_t valueStart = 0;
  while (valueStart < value.size() && isBlank(value[valueStart])) ++valueStart;
  const std::wstring newValue = value.substr(valueStart);

  ProfileText text;
  bool exists = false;
  if (!loadProfile(file, text, exists)) return false;
  const std::wstring ending = text.crlf ? L"\r" : L"";
  // A last line without its line end gets one, so that lines can follow it.
  if (!text.lines.empty() && (text.lines.back().empty() || text.lines.back().back() != L'\r') &&
      text.crlf) {
    text.lines.back() += ending;
  }
  const std::vector<ProfileLine> parsed = parseAll(text);
  const std::wstring keyLine = keyName + L"=" + newValue + ending;

  const long header = findSection(parsed, sectionName);
  if (header < 0) {
    text.lines.push_back(L"[" + sectionName + L"]" + ending);
    text.lines.push_back(keyLine);
    return saveProfile(file, text);
  }
  const long found = findKey(parsed, static_cast<size_t>(header), keyName);
  if (found >= 0) {
    std::wstring& line = text.lines[static_cast<size_t>(found)];
    const size_t equals = line.find(L'=');
    if (equals != std::wstring::npos) {
      line = line.substr(0, equals + 1) + newValue + ending;
    } else {
      line = trimmed(line) + L"=" + newValue + ending;
    }
    return saveProfile(file, text);
  }
  size_t insertAt = static_cast<size_t>(header) + 1;
  const size_t end = sectionEnd(parsed, static_cast<size_t>(header));
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
    if (parsed[i].kind != ProfileLine::kBlank) insertAt = i + 1;
  }
  text.lines.insert(text.lines.begin() + static_cast<long>(insertAt), keyLine);
  return saveProfile(file, text);
}

}  // namespace platform
