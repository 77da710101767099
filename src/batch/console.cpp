#include "batch/console.h"

#include "platform/platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return ::isatty(::fileno(stream)) != 0;
#endif
}

void setBinaryMode(std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#else
  (void)stream;
#endif
}

bool writeBytes(std::FILE* stream, const std::string& bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  return std::fflush(stream) == 0 && written;
}

void writeText(std::FILE* stream, const std::wstring& text) {
#ifdef _WIN32
  const wchar_t* newline = L"\r\n";
#else
  const wchar_t* newline = L"\n";
#endif
  std::wstring lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    if (text[i] == L'\n') {
      lines += newline;
    } else {
      lines += text[i];
    }
  }
  writeBytes(stream, platform::toConsoleText(lines, stream));
}
