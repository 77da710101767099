// The scan of a run's input folder for DM files and index files.
#pragma once

#include <string>
#include <vector>

// Scans the entries of `folder` itself (sub-folders are neither listed nor entered) and appends
// to the three lists the full paths of the files whose extension is ".dm", ".dmi" and ".idx"
// respectively, compared ignoring the case of A to Z only (a full-width extension matches none).
// Each path is the folder with a trailing separator followed by the name as the system reports
// it. Each list gets its names in ascending order of UTF-16 code units (upper-case ASCII before
// lower-case; a name that is a prefix of another first), the same on every platform.
// A missing or unreadable folder appends nothing. An empty `folder` returns 0 and appends nothing.
// Returns the number of DM files found.
int scanInputFolder(const std::wstring& folder, std::vector<std::wstring>& dmFiles,
                    std::vector<std::wstring>& dmiFiles, std::vector<std::wstring>& idxFiles);
