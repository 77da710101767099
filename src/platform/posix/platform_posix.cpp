// The platform seam on Linux: std::filesystem and POSIX calls on UTF-8 paths, iconv for code page
// 932. Paths arrive as wide text (UTF-32) and are converted to UTF-8 bytes at each system call.
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/wide_text.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

std::string toUtf8Path(const std::wstring& path) { return wideToUtf8(path); }

// True when the bytes are well-formed UTF-8 throughout.
bool isValidUtf8(const std::string& bytes) {
  return wideToUtf8(utf8ToWide(bytes)) == bytes;
}

// Searches PATH for an executable file of this name; empty when none.
std::string findOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::string();
  std::string folders(path);
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

}  // namespace

wchar_t folderSeparator() { return L'/'; }

// ---- Folders ------------------------------------------------------------------------------

bool listFolder(const std::wstring& folder, std::vector<DirEntry>& entries) {
  std::error_code ec;
  fs::directory_iterator it(fs::path(toUtf8Path(folder)), ec);
  if (ec) return false;
  std::vector<DirEntry> found;
  // std::filesystem leaves out "." and ".."; the callers skip folders anyway.
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    DirEntry entry;
    entry.name = utf8ToWide(it->path().filename().string());
    std::error_code kindError;
    // is_directory follows a symbolic link: a link to a folder counts as a folder.
    entry.isFolder = it->is_directory(kindError);
    found.push_back(entry);
  }
  entries.swap(found);
  return true;
}

bool createFolder(const std::wstring& path) {
  return ::mkdir(toUtf8Path(path).c_str(), 0777) == 0;
}

bool folderEntryExists(const std::wstring& path) {
  if (path.empty() || path.back() == L'/') return false;
  struct stat info;
  if (::stat(toUtf8Path(path).c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode);
}

bool sameFileObject(const std::wstring& a, const std::wstring& b) {
  struct stat infoA;
  struct stat infoB;
  if (::stat(toUtf8Path(a).c_str(), &infoA) != 0) return false;
  if (::stat(toUtf8Path(b).c_str(), &infoB) != 0) return false;
  return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

bool deleteFile(const std::wstring& path) { return ::unlink(toUtf8Path(path).c_str()) == 0; }

bool replaceFile(const std::wstring& from, const std::wstring& to) {
  return ::rename(toUtf8Path(from).c_str(), toUtf8Path(to).c_str()) == 0;
}

std::wstring temporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = (tmpdir != nullptr && tmpdir[0] != '\0') ? tmpdir : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return utf8ToWide(folder);
}

std::wstring executablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::wstring();
    if (static_cast<size_t>(n) < buffer.size()) {
      return utf8ToWide(std::string(buffer.data(), static_cast<size_t>(n)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring fullPath(const std::wstring& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(toUtf8Path(path)), ec);
  if (ec) return path;
  return utf8ToWide(absolute.string());
}

std::uint32_t processId() { return static_cast<std::uint32_t>(::getpid()); }

// ---- Files --------------------------------------------------------------------------------

std::FILE* openFile(const std::wstring& path, const char* mode) {
  return std::fopen(toUtf8Path(path).c_str(), mode);
}

std::FILE* createNewFile(const std::wstring& path, bool* nameTaken) {
  if (nameTaken != nullptr) *nameTaken = false;
  const std::string bytes = toUtf8Path(path);
  const int descriptor = ::open(bytes.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    if (nameTaken != nullptr) *nameTaken = errno == EEXIST;
    return nullptr;
  }
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    // The file is this call's own: it goes again.
    ::close(descriptor);
    ::unlink(bytes.c_str());
  }
  return file;
}

// Opened for writing: some systems refuse fsync on a descriptor opened only for reading.
bool flushFileToDisk(const std::wstring& path) {
  const int descriptor = ::open(toUtf8Path(path).c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool synced = ::fsync(descriptor) == 0;
  return ::close(descriptor) == 0 && synced;
}

std::int64_t systemFileLength(std::FILE* file) {
  struct stat status;
  if (::fstat(::fileno(file), &status) != 0) return -1;
  return static_cast<std::int64_t>(status.st_size);
}

std::int64_t tellFile(std::FILE* file) { return static_cast<std::int64_t>(::ftello(file)); }

bool seekFile(std::FILE* file, std::int64_t offset, int origin) {
  return ::fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

// ---- Code pages ---------------------------------------------------------------------------

// The ANSI code page of a Linux user is UTF-8: the locale is not consulted (the programs never call
// setlocale). Only a character that is no Unicode scalar value (a lone surrogate) is lost.
std::string toAnsiCodePage(const std::wstring& text, bool* lossy) {
  if (lossy != nullptr) {
    *lossy = false;
    for (wchar_t c : text) {
      const std::uint32_t v = static_cast<std::uint32_t>(c);
      if ((v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF) *lossy = true;
    }
  }
  return wideToUtf8(text);
}

// Console text is UTF-8 on Linux. Text that is not valid UTF-8 is most likely a file written on a
// Japanese Windows system, so it is decoded as code page 932 instead of being turned into U+FFFD.
std::wstring consoleTextToWide(const std::string& bytes) {
  if (isValidUtf8(bytes)) return utf8ToWide(bytes);
  return fromCodePage932(bytes);
}

std::string toConsoleText(const std::wstring& text, std::FILE* /*stream*/) {
  return wideToUtf8(text);
}

// ---- Desktop ------------------------------------------------------------------------------

// xdg-open runs detached: a middle child starts it and exits at once, so the viewer is never
// waited for and leaves no zombie behind. No shell is involved; its output goes to /dev/null.
void openDocument(const std::wstring& path, void* /*ownerWindow*/) {
  const std::string program = findOnPath("xdg-open");
  if (program.empty()) return;
  const std::string document = toUtf8Path(path);
  char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(document.c_str()),
                        nullptr};
  const pid_t middle = ::fork();
  if (middle < 0) return;
  if (middle == 0) {
    // Only async-signal-safe calls from here on.
    const pid_t viewer = ::fork();
    if (viewer == 0) {
      ::setsid();
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
      }
      ::execv(program.c_str(), argv);
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace platform
