#include "run/run_log_file.h"

#include <cstdio>

#include "common/wide_text.h"
#include "platform/platform.h"

std::wstring runLogFilePath() { return platform::temporaryFolder() + L"Ostrand.txt"; }

std::string runLogFileBytes(const std::wstring& logText) {
  bool lossy = false;
  std::string bytes = platform::toAnsiCodePage(logText, &lossy);
  if (!lossy) return bytes;
  return "\xEF\xBB\xBF" + wideToUtf8(logText);
}

int writeRunLogFile(const std::wstring& path, const std::wstring& logText) {
  const std::string bytes = runLogFileBytes(logText);
  // Binary mode: the CR LF of every line is written once, as it stands.
  std::FILE* file = platform::openFile(path, "wb");
  if (file == nullptr) return 0;
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  const bool closed = std::fclose(file) == 0;
  return (written == bytes.size() && closed) ? 1 : 0;
}
