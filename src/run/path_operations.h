// The small path operations of a run: the trailing folder separator, the four parts of a path, and
// the creation of an output folder with all its missing ancestors.
//
// The folder separator is the platform's own (platform::folderSeparator(): '\' on Windows, '/' on
// Linux). Paths are wide text of any length: no operation here works in a fixed-size buffer.
#pragma once

#include <string>

// Appends the platform's folder separator when `text` does not already end with it. Returns 1
// when a separator was appended, 0 when the text already ended with one. An empty text becomes a
// single separator.
int ensureTrailingBackslash(std::wstring& text);

// The four parts of a path. drive + folder + name + extension is the whole path again.
struct PathParts {
  std::wstring drive;      // the first two characters when the second is ':' ("C:"), else empty
  std::wstring folder;     // from after the drive up to and including the last '\' or '/'
  std::wstring name;       // between the last separator and the extension
  std::wstring extension;  // from the last '.' after the last separator to the end, dot included;
                           // empty when no dot follows the last separator
};

// Divides a path into drive, folder, file name and extension. Both '\' and '/' separate folders
// on every platform. "a.b.dm" has the extension ".dm"; ".dm" has an empty name and the extension
// ".dm"; "sheet.dm.bak" has the extension ".bak".
PathParts splitFileName(const std::wstring& path);

// Creates the folder `path` and every missing folder above it, outermost first. A path that
// already names a folder (an exact-name entry search, which a path ending in a separator never
// passes) is left alone. Otherwise the folder named by the text before every separator is created
// in turn ('/' on Linux; '\' and '/' on Windows), then the whole path; each creation's failure is
// ignored (a drive "C:" or an existing folder simply fails), so a folder that cannot be created
// shows up later when its files cannot be opened.
// Returns 0 for an empty path, else 1. Paths of any length are handled.
int createFolderPath(const std::wstring& path);
