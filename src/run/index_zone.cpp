#include "run/index_zone.h"

#include <cstdio>
#include <string>

#include "common/field.h"
#include "platform/platform.h"

namespace {

// Of the first line, only this many bytes are read (the size of the historical line buffer less
// its terminator).
constexpr int kFirstLineBytes = 83;

// Columns of the zone field.
constexpr int kZoneColumn = 2;
constexpr int kZoneWidth = 2;

}  // namespace

int readIndexZone(const std::wstring& path) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) return 0;

  // The first line as bytes, its line end included; a CR is an ordinary byte here.
  std::string line;
  while (static_cast<int>(line.size()) < kFirstLineBytes) {
    const int c = std::fgetc(file);
    if (c == EOF) break;
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  std::fclose(file);
  if (line.empty()) return 0;

  char field[kZoneWidth];
  for (int k = 0; k < kZoneWidth; ++k) {
    const size_t column = static_cast<size_t>(kZoneColumn + k);
    field[k] = column < line.size() ? line[column] : ' ';
  }
  return parseFieldInt(field, kZoneWidth);
}
