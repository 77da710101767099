#include "batch/console.h"

#include "platform/platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
HANDLE handleOf(std::FILE* stream) {
  const int descriptor = stream != nullptr ? _fileno(stream) : -1;
  if (descriptor < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}
#endif

}  // namespace

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return ::isatty(::fileno(stream)) != 0;
#endif
}

bool isConsole(std::FILE* stream) {
#ifdef _WIN32
  // The NUL device is a character device too, but it has no console mode.
  HANDLE handle = handleOf(stream);
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode) != 0;
#else
  (void)stream;
  return false;
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

bool writeConsoleLines(std::FILE* stream, const std::wstring& text) {
#ifdef _WIN32
  std::fflush(stream);  // anything the stream still holds comes first
  HANDLE handle = handleOf(stream);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    end = end == std::wstring::npos ? text.size() : end + 1;
    const wchar_t* line = text.data() + start;
    DWORD left = static_cast<DWORD>(end - start);
    while (left > 0) {
      DWORD written = 0;
      if (!WriteConsoleW(handle, line, left, &written, nullptr) || written == 0) return false;
      line += written;
      left -= written;
    }
    start = end;
  }
  return true;
#else
  (void)stream;
  (void)text;
  return false;
#endif
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
  if (isConsole(stream)) {
    writeConsoleLines(stream, lines);
    return;
  }
  writeBytes(stream, platform::toConsoleText(lines, stream));
}

bool writeLog(std::FILE* stream, const std::wstring& text, const std::string& bytes) {
  if (isConsole(stream)) return writeConsoleLines(stream, text);
  return writeBytes(stream, bytes);
}
