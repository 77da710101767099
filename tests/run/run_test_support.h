// Helpers shared by the run's tests.
#pragma once

#include <filesystem>
#include <string>

#include "common/wide_text.h"

namespace runtest {

// A wide path as std::filesystem takes it, whatever the test's locale: UTF-16 on Windows; on
// Linux the UTF-8 bytes that the platform layer also uses.
inline std::filesystem::path fsPath(const std::wstring& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::u8path(wideToUtf8(path));
#endif
}

inline bool isFolder(const std::wstring& path) {
  std::error_code ec;
  return std::filesystem::is_directory(fsPath(path), ec);
}

}  // namespace runtest
