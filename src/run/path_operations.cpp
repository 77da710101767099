#include "run/path_operations.h"

#include "platform/platform.h"

namespace {

// Windows accepts '/' as well as '\' between folders; Linux knows only '/'.
bool isCreationSeparator(wchar_t c) {
  const wchar_t separator = platform::folderSeparator();
  if (c == separator) return true;
  return separator == L'\\' && c == L'/';
}

bool isSplitSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

int ensureTrailingBackslash(std::wstring& text) {
  const wchar_t separator = platform::folderSeparator();
  if (!text.empty() && text.back() == separator) return 0;
  text.push_back(separator);
  return 1;
}

PathParts splitFileName(const std::wstring& path) {
  PathParts parts;
  size_t start = 0;
  if (path.size() >= 2 && path[1] == L':') {
    parts.drive = path.substr(0, 2);
    start = 2;
  }

  // Everything up to and including the last separator is the folder.
  size_t nameStart = start;
  for (size_t i = start; i < path.size(); ++i) {
    if (isSplitSeparator(path[i])) nameStart = i + 1;
  }
  parts.folder = path.substr(start, nameStart - start);

  // The extension starts at the last dot of what follows.
  const size_t dot = path.rfind(L'.');
  const size_t nameEnd = (dot != std::wstring::npos && dot >= nameStart) ? dot : path.size();
  parts.name = path.substr(nameStart, nameEnd - nameStart);
  parts.extension = path.substr(nameEnd);
  return parts;
}

int createFolderPath(const std::wstring& path) {
  if (path.empty()) return 0;
  if (platform::folderEntryExists(path)) return 1;

  // Outermost first: the text before each separator names one level of the path. The empty
  // text before a leading separator names nothing and is skipped.
  for (size_t i = 0; i < path.size(); ++i) {
    if (isCreationSeparator(path[i]) && i > 0) platform::createFolder(path.substr(0, i));
  }
  platform::createFolder(path);
  return 1;
}
