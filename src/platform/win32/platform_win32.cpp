// The platform seam on Windows: the Win32 calls themselves, on UTF-16 paths.
#include "platform/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>

#include <atomic>

namespace platform {

namespace {

bool endsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// Wide text -> multibyte text of a code page with the default flags (best fit where the code
// page has one, its default character elsewhere).
std::string wideToCodePage(UINT codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr,
                                       nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], size, nullptr, nullptr);
  return out;
}

// True when some character of the text has no exact counterpart in the code page. A best-fit
// look-alike (U+00A5 YEN SIGN written as 0x5C) counts as a loss: the text would not read back as
// it was.
bool losesCharacters(UINT codePage, const std::wstring& text) {
  if (text.empty()) return false;
  if (codePage == CP_UTF8) {
    // UTF-8 holds every character; only a lone surrogate is lost.
    for (size_t i = 0; i < text.size(); ++i) {
      const wchar_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF) {
        if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
          ++i;
          continue;
        }
        return true;
      }
      if (c >= 0xDC00 && c <= 0xDFFF) return true;
    }
    return false;
  }
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return true;
  std::string out(static_cast<size_t>(size), '\0');
  BOOL usedDefault = FALSE;
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, &out[0], size,
                      nullptr, &usedDefault);
  return usedDefault != FALSE;
}

std::wstring codePageToWide(UINT codePage, const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, &out[0], size);
  return out;
}

UINT ansiCodePage() { return GetACP(); }

bool hasLineBreak(const std::wstring& text) {
  return text.find(L'\r') != std::wstring::npos || text.find(L'\n') != std::wstring::npos;
}

bool isBlankName(const std::wstring& text) {
  return text.find_first_not_of(L" \t") == std::wstring::npos;
}

}  // namespace

wchar_t folderSeparator() { return L'\\'; }

// ---- Folders ------------------------------------------------------------------------------

bool listFolder(const std::wstring& folder, std::vector<DirEntry>& entries) {
  std::wstring pattern = folder;
  if (!endsWithSeparator(pattern)) pattern += L'\\';
  pattern += L"*.*";
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    // A folder without any entry at all (an empty drive root) is listed as empty.
    if (GetLastError() == ERROR_FILE_NOT_FOUND) {
      entries.clear();
      return true;
    }
    return false;
  }
  std::vector<DirEntry> found;
  do {
    DirEntry entry;
    entry.name = data.cFileName;
    entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    found.push_back(entry);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  entries.swap(found);
  return true;
}

bool createFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

// The directory search would take '*' and '?' as wildcards and report some other entry; no folder
// name holds them, so such a path is no folder.
bool folderEntryExists(const std::wstring& path) {
  if (path.empty() || endsWithSeparator(path)) return false;
  if (path.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// Volume serial number and file index of an existing file or folder.
bool fileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
  // Backup semantics let a folder be opened; no access right is needed to read its identity.
  HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  return ok != 0;
}

}  // namespace

bool sameFileObject(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION infoA;
  BY_HANDLE_FILE_INFORMATION infoB;
  if (!fileIdentity(a, infoA) || !fileIdentity(b, infoB)) return false;
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

bool deleteFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

// A rename onto a name that another process holds open for a moment (another run renaming its
// copy onto the same name, a virus scanner or an indexer reading the file just written) fails with
// a sharing or access error: it is tried again a few times before it counts as failed.
bool replaceFile(const std::wstring& from, const std::wstring& to) {
  const int kRetries = 5;
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
    const DWORD error = GetLastError();
    const bool mayPass = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                         error == ERROR_LOCK_VIOLATION;
    if (!mayPass || attempt == kRetries) return false;
    Sleep(50);
  }
}

std::wstring temporaryFolder() {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), &buffer[0]);
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.assign(n + 1, L'\0');  // n is the size needed, terminator included
  }
  if (!endsWithSeparator(buffer)) buffer += L'\\';
  return buffer;
}

std::wstring executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    // A full buffer means the path may have been cut short.
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

std::wstring fullPath(const std::wstring& path) {
  if (path.empty()) return path;
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring buffer(size, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), size, &buffer[0], nullptr);
  if (n == 0 || n >= size) return path;
  buffer.resize(n);
  return buffer;
}

std::uint32_t processId() { return static_cast<std::uint32_t>(GetCurrentProcessId()); }

// ---- Files --------------------------------------------------------------------------------

std::FILE* openFile(const std::wstring& path, const char* mode) {
  std::wstring wideMode;
  for (const char* c = mode; *c != '\0'; ++c) wideMode += static_cast<wchar_t>(*c);
  return _wfsopen(path.c_str(), wideMode.c_str(), _SH_DENYNO);
}

std::FILE* createNewFile(const std::wstring& path, bool* nameTaken) {
  if (nameTaken != nullptr) *nameTaken = false;
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (nameTaken != nullptr) {
      *nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    }
    return nullptr;
  }
  // The C runtime takes over the handle: fclose closes it.
  const int descriptor =
      _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  std::FILE* file = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
  if (file == nullptr) {
    // The file is this call's own: it goes again.
    if (descriptor >= 0) {
      _close(descriptor);
    } else {
      CloseHandle(handle);
    }
    DeleteFileW(path.c_str());
  }
  return file;
}

bool flushFileToDisk(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const BOOL flushed = FlushFileBuffers(handle);
  const BOOL closed = CloseHandle(handle);
  return flushed != 0 && closed != 0;
}

std::int64_t systemFileLength(std::FILE* file) { return _filelengthi64(_fileno(file)); }

std::int64_t tellFile(std::FILE* file) { return _ftelli64(file); }

bool seekFile(std::FILE* file, std::int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}

// ---- Code pages ---------------------------------------------------------------------------

// The bytes are those of the default conversion (so U+00A5 becomes 0x5C, as every program on the
// system writes it); the loss is judged without best fit.
std::string toCodePage932(const std::wstring& text, bool* lossy) {
  if (lossy != nullptr) *lossy = losesCharacters(932, text);
  return wideToCodePage(932, text);
}

std::wstring fromCodePage932(const std::string& bytes) { return codePageToWide(932, bytes); }

std::string toAnsiCodePage(const std::wstring& text, bool* lossy) {
  const UINT codePage = ansiCodePage();
  if (lossy != nullptr) *lossy = losesCharacters(codePage, text);
  return wideToCodePage(codePage, text);
}

// The console input code page is remembered at its first non-zero value; a process without a
// console gets 0 and uses the ANSI code page until it has one.
std::wstring consoleTextToWide(const std::string& bytes) {
  static std::atomic<UINT> remembered{0};
  UINT codePage = remembered.load();
  if (codePage == 0) {
    codePage = GetConsoleCP();
    if (codePage != 0) remembered.store(codePage);
  }
  return codePageToWide(codePage != 0 ? codePage : CP_ACP, bytes);
}

std::string toConsoleText(const std::wstring& text, std::FILE* stream) {
  UINT codePage = ansiCodePage();
  const int descriptor = stream != nullptr ? _fileno(stream) : -1;
  if (descriptor >= 0) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
        GetConsoleMode(handle, &mode)) {
      const UINT outputCodePage = GetConsoleOutputCP();
      if (outputCodePage != 0) codePage = outputCodePage;
    }
  }
  return wideToCodePage(codePage, text);
}

// ---- Desktop ------------------------------------------------------------------------------

void openDocument(const std::wstring& path, void* ownerWindow) {
  ShellExecuteW(static_cast<HWND>(ownerWindow), L"open", path.c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

// ---- Settings (profile / INI files) -------------------------------------------------------

std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key, const std::wstring& defaultValue) {
  wchar_t buffer[8192];
  // A bare file name would be looked for in the Windows folder.
  const std::wstring path = fullPath(file);
  const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buffer, 8192, path.c_str());
  return std::wstring(buffer, n);
}

// A section, key or value with a line break would change the file's other entries when written;
// it is refused, as is a blank section or key name (which the profile functions would take as
// "the nameless section" or "delete").
bool writeProfileString(const std::wstring& file, const std::wstring& section,
                        const std::wstring& key, const std::wstring& value) {
  if (isBlankName(section) || isBlankName(key)) return false;
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  const std::wstring path = fullPath(file);  // not the Windows folder for a bare name
  return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

}  // namespace platform
