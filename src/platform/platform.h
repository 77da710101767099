// The few services the core needs from the operating system. Two implementations: win32/ (the
// real Win32 calls) and posix/ (std::filesystem, iconv). Paths are the platform's own wide text:
// UTF-16 on Windows, UTF-32 on Linux (converted to UTF-8 bytes at the system call).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The folder separator that the run appends and splits at: '\' on Windows, '/' on Linux.
wchar_t folderSeparator();

// ---- Folders ------------------------------------------------------------------------------

struct DirEntry {
  std::wstring name;  // the name as the enumeration reports it, without the folder
  bool isFolder = false;
};

// Lists every entry of `folder` (which may or may not end with a separator), "." and ".." included
// where the system reports them, in the order the system delivers them; `entries` is replaced by
// them. Returns false, with `entries` untouched, when the enumeration cannot start (missing or
// unreadable folder). A symbolic link to a folder counts as a folder.
bool listFolder(const std::wstring& folder, std::vector<DirEntry>& entries);

// Creates one folder (not its parents). False when it could not be created (it exists already,
// its parent is missing, no permission ...).
bool createFolder(const std::wstring& path);

// True when an entry of exactly this name exists and is a folder, found by a directory search for
// the path itself: a path that ends with a separator never passes, nor on Windows one that holds
// the wildcards '*' or '?' (on Linux they are ordinary characters of a name).
bool folderEntryExists(const std::wstring& path);

// True when both paths exist and name the same file or folder, whatever their spelling (volume
// serial and file index on Windows; device and inode on Linux). False when either is missing.
bool sameFileObject(const std::wstring& a, const std::wstring& b);

// Deletes a file; false when it could not be deleted.
bool deleteFile(const std::wstring& path);

// Renames `from` onto `to` in one step, replacing `to` when it exists: a reader of `to` finds
// the old file or the new one, never a part. On Windows a sharing or access error is tried again
// for a quarter of a second before it counts. False on failure.
bool replaceFile(const std::wstring& from, const std::wstring& to);

// The user's temporary folder, ending with the folder separator (GetTempPathW on Windows;
// $TMPDIR or /tmp on Linux).
std::wstring temporaryFolder();

// Full path of the running executable.
std::wstring executablePath();

// The full path of `path`, a relative one taken from the current folder (GetFullPathNameW on
// Windows, std::filesystem::absolute on Linux). An empty path, and one that cannot be resolved,
// come back as given.
std::wstring fullPath(const std::wstring& path);

// The identifier of the running process (GetCurrentProcessId, getpid).
std::uint32_t processId();

// ---- Files --------------------------------------------------------------------------------

// Opens a file by its wide path with a C stdio mode ("rb", "wb" ...). Other readers and writers are
// not denied. nullptr on failure.
std::FILE* openFile(const std::wstring& path, const char* mode);

// Creates a new, empty file and opens it for writing as bytes. It never opens a file that exists
// already (CREATE_NEW on Windows, O_CREAT | O_EXCL on Linux), so that nobody else's file is
// truncated or written into. nullptr on failure; then *nameTaken (when given) tells whether an
// entry of that name exists. Other readers and writers are not denied.
std::FILE* createNewFile(const std::wstring& path, bool* nameTaken = nullptr);

// Asks the system to put the data of the closed file at `path` on the disk (fsync on Linux,
// FlushFileBuffers on Windows), so that the file renamed into place afterwards survives a power
// cut with its contents. Several threads may flush files at once, which lets the system write
// them out together. False when the file cannot be opened for writing or flushed.
bool flushFileToDisk(const std::wstring& path);

// The length in bytes of an open stdio file as the system holds it (its buffer not counted);
// -1 when the system cannot tell.
std::int64_t systemFileLength(std::FILE* file);

// 64-bit position and seek for a stdio file.
std::int64_t tellFile(std::FILE* file);
bool seekFile(std::FILE* file, std::int64_t offset, int origin);

// ---- Code pages ---------------------------------------------------------------------------

// Wide text -> code page 932 (Shift_JIS, Microsoft's variant), with the bytes of the Windows
// default conversion on both platforms: a character the code page lacks becomes '?' (one per UTF-16
// unit, so "??" beyond the BMP), except the few that Windows writes as a look-alike (best fit:
// U+00A5 YEN SIGN as 0x5C, accented Latin letters without their accents). Sets *lossy (when given)
// if any character does not read back as itself, look-alikes included.
std::string toCodePage932(const std::wstring& text, bool* lossy = nullptr);

// Code page 932 bytes -> wide text. An unmapped byte or pair becomes U+30FB, as on Windows.
std::wstring fromCodePage932(const std::string& bytes);

// Wide text -> the ANSI code page of the user's locale (GetACP on Windows, with its default
// conversion; UTF-8 on Linux, whatever the locale says). Sets *lossy (when given) if any character
// does not read back as itself (on Linux only a lone surrogate).
std::string toAnsiCodePage(const std::wstring& text, bool* lossy = nullptr);

// Multibyte text of the console input code page -> wide text. The first non-zero console code page
// is remembered for later calls; while the process has no console the ANSI code page is used.
// On Linux: UTF-8; bytes that are not valid UTF-8 are read as code page 932 (text from a Japanese
// Windows system).
std::wstring consoleTextToWide(const std::string& bytes);

// Wide text -> the encoding a console front end prints in: the console output code page when
// `stream` is a console, else the ANSI code page (Windows); UTF-8 (Linux).
std::string toConsoleText(const std::wstring& text, std::FILE* stream);

// ---- Desktop ------------------------------------------------------------------------------

// Opens a document with the desktop's viewer for its kind (ShellExecuteW "open" on Windows, owner
// window as given, SW_SHOWNORMAL; xdg-open when present on Linux, else nothing). `ownerWindow` is
// an HWND on Windows and ignored elsewhere.
void openDocument(const std::wstring& path, void* ownerWindow = nullptr);

// ---- Settings (profile / INI files) -------------------------------------------------------

// Reads a value of a profile file with the rules of GetPrivateProfileStringW: section and key
// names compared without regard to case, outer blanks and one pair of outer quotes of the value
// removed; `defaultValue` when the file, section or key is missing. At most 8191 characters.
// A relative `file` is taken from the current folder on both platforms (the Windows profile
// functions would look for a bare file name in the Windows folder), here and in
// writeProfileString.
std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key, const std::wstring& defaultValue);

// Writes a value (WritePrivateProfileStringW rules: creates the file and section when missing,
// replaces an existing key in place, drops the value's leading blanks). False on failure, and
// refused (false, file untouched) for a blank section or key name and for a section, key or value
// holding CR or LF, which would otherwise add lines of their own to the file.
// File text: the ANSI code page on Windows (UTF-16 or UTF-8 when the file starts with that byte
// order mark); UTF-8 on Linux, where a file that is not valid UTF-8 is read as code page 932.
bool writeProfileString(const std::wstring& file, const std::wstring& section,
                        const std::wstring& key, const std::wstring& value);

}  // namespace platform
