#include "run/folder_scan.h"

#include <set>

#include "common/wide_text.h"
#include "platform/platform.h"
#include "run/path_operations.h"

namespace {

struct Utf16Less {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return compareUtf16(a, b) < 0;
  }
};

using NameSet = std::set<std::wstring, Utf16Less>;

void appendPaths(const std::wstring& prefix, const NameSet& names,
                 std::vector<std::wstring>& paths) {
  for (const std::wstring& name : names) paths.push_back(prefix + name);
}

}  // namespace

int scanInputFolder(const std::wstring& folder, std::vector<std::wstring>& dmFiles,
                    std::vector<std::wstring>& dmiFiles, std::vector<std::wstring>& idxFiles) {
  if (folder.empty()) return 0;
  std::wstring prefix = folder;
  ensureTrailingBackslash(prefix);

  NameSet dmNames, dmiNames, idxNames;
  std::vector<platform::DirEntry> entries;
  if (platform::listFolder(prefix, entries)) {
    for (const platform::DirEntry& entry : entries) {
      if (entry.isFolder) continue;
      // The system may also match short 8.3 names against a pattern: the extension is always
      // taken from the long name that the entry reports.
      const std::wstring extension = splitFileName(entry.name).extension;
      if (equalIgnoringAsciiCase(extension, L".dm")) {
        dmNames.insert(entry.name);
      } else if (equalIgnoringAsciiCase(extension, L".dmi")) {
        dmiNames.insert(entry.name);
      } else if (equalIgnoringAsciiCase(extension, L".idx")) {
        idxNames.insert(entry.name);
      }
    }
  }

  appendPaths(prefix, dmNames, dmFiles);
  appendPaths(prefix, dmiNames, dmiFiles);
  appendPaths(prefix, idxNames, idxFiles);
  return static_cast<int>(dmNames.size());
}
