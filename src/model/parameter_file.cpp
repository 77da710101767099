#include "model/parameter_file.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "common/field.h"
#include "platform/platform.h"

namespace {

constexpr int kHeaderLineCount = 13;     // lines 1 to 13 make the header text
constexpr int kHeadingLineNumber = 16;   // the column heading line
constexpr size_t kReserveRecords = 40000;
constexpr int kLowestMeshCode = 30000000;
constexpr int kHighestMeshCode = 70000000;

// Lines arrive through a buffer of 2000 bytes: at most 1999 characters, the line end (LF, or
// CR LF read as one LF) counted among them. A line of more than 1998 characters therefore comes in
// pieces of 1999, and the rest of it, possibly empty, is one more piece.
constexpr size_t kLineBufferSize = 2000;
constexpr size_t kMaxPiece = kLineBufferSize - 1;

// Splits a file into the pieces the line buffer delivers, reading it in large blocks.
class LinePieceReader {
 public:
  // The block buffer is left uninitialised: only bytes read from the file are ever looked at.
  explicit LinePieceReader(std::FILE* file) : file_(file), buffer_(new char[kBlockSize]) {}

  // The next piece, without its line end; the view stays valid until the next call. False at the
  // end of the file (a file that ends in a line end has no empty piece after it).
  bool next(std::string_view& piece) {
    fill();
    const size_t available = end_ - pos_;
    if (available == 0) return false;
    const char* start = buffer_.get() + pos_;
    // A LF within the first 2000 bytes can end this piece (the 2000th only after a CR).
    const size_t window = available < kMaxPiece + 1 ? available : kMaxPiece + 1;
    const void* found = std::memchr(start, '\n', window);
    if (found != nullptr) {
      const size_t lf = static_cast<const char*>(found) - start;
      size_t length = lf;
      if (length > 0 && start[length - 1] == '\r') --length;
      if (length < kMaxPiece) {
        piece = std::string_view(start, length);
        pos_ += lf + 1;
        return true;
      }
    }
    // No line end within reach: a full piece, or what is left at the end of the file.
    const size_t length = available < kMaxPiece ? available : kMaxPiece;
    piece = std::string_view(start, length);
    pos_ += length;
    return true;
  }

 private:
  static constexpr size_t kBlockSize = 1 << 16;

  // Keeps at least one piece and its line end (2001 bytes) buffered unless the file ends first.
  void fill() {
    if (atEnd_ || end_ - pos_ > kMaxPiece + 1) return;
    const size_t rest = end_ - pos_;
    std::memmove(buffer_.get(), buffer_.get() + pos_, rest);
    pos_ = 0;
    end_ = rest;
    while (!atEnd_ && end_ < kBlockSize) {
      const size_t got = std::fread(buffer_.get() + end_, 1, kBlockSize - end_, file_);
      end_ += got;
      if (got == 0) atEnd_ = true;
    }
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool atEnd_ = false;
};

class FileCloser {
 public:
  explicit FileCloser(std::FILE* file) : file_(file) {}
  ~FileCloser() { std::fclose(file_); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  std::FILE* file_;
};

bool contains(std::string_view line, std::string_view word) {
  return line.find(word) != std::string_view::npos;
}

void appendHeaderLine(std::string_view line, std::wstring& headerText) {
  headerText += platform::consoleTextToWide(std::string(line));
  headerText += L"\r\n";
}

}  // namespace

int parameterIdentifier(const std::string& titleLine) {
  static const char kKeyword[] = "Tarnwick";
  const size_t keyword = titleLine.find(kKeyword);
  if (keyword == std::string::npos) return 0;
  const std::string_view rest = std::string_view(titleLine).substr(keyword + sizeof(kKeyword) - 1);

  // Tokens are separated by blanks and tabs only.
  auto isSeparator = [](char c) { return c == ' ' || c == '\t'; };
  size_t i = 0;
  for (int token = 1;; ++token) {
    while (i < rest.size() && isSeparator(rest[i])) ++i;
    if (i == rest.size()) return 0;  // no such token
    if (token == 2) break;
    while (i < rest.size() && !isSeparator(rest[i])) ++i;
  }

  // Optional sign, then decimal digits up to the first other character; saturates at the ends
  // of the 32-bit range.
  bool negative = false;
  if (rest[i] == '+' || rest[i] == '-') {
    negative = rest[i] == '-';
    ++i;
  }
  long long value = 0;
  while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') {
    value = value * 10 + (rest[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    ++i;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

bool parseGridPointLine(const char* line, size_t length, ParameterRecord& record) {
  // Columns past the end of the line read as empty: the fields are parsed from a copy padded with
  // NUL bytes, which neither parser takes as part of a number.
  constexpr size_t kUsedColumns = 38;
  char columns[kUsedColumns + 1] = {};
  std::memcpy(columns, line, length < kUsedColumns ? length : kUsedColumns);

  const int code = parseFieldInt(columns, 8);
  if (code < kLowestMeshCode || code > kHighestMeshCode) return false;
  record.meshCode = code;
  record.latitudeShift = parseFieldReal(columns + 8, 10) / 3600.0;
  record.longitudeShift = parseFieldReal(columns + 18, 10) / 3600.0;
  record.thirdValue = parseFieldReal(columns + 28, 10);
  return true;
}

bool readParameterFileContents(const std::wstring& path, ParameterFileContents& contents) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) return false;
  FileCloser closer(file);
  LinePieceReader reader(file);

  std::string_view line;
  if (!reader.next(line)) line = std::string_view();  // an empty file reads as one empty line
  if (!contains(line, "for") || !contains(line, "Tarnwick")) return false;
  contents.headerText.clear();
  appendHeaderLine(line, contents.headerText);
  contents.parameterId = parameterIdentifier(std::string(line));

  for (int number = 2; number <= kHeaderLineCount; ++number) {
    if (!reader.next(line)) return false;
    appendHeaderLine(line, contents.headerText);
  }
  for (int number = kHeaderLineCount + 1; number < kHeadingLineNumber; ++number) {
    if (!reader.next(line)) return false;
  }
  if (!reader.next(line) || !contains(line, "MeshCode")) return false;

  contents.records.clear();
  contents.records.reserve(kReserveRecords);
  ParameterRecord record{};
  while (reader.next(line)) {
    if (parseGridPointLine(line.data(), line.size(), record)) contents.records.push_back(record);
  }
  return true;
}
