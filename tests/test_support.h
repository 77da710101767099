// Small helpers for tests: a scratch folder that removes itself, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh, empty folder under the system's temporary folder; removed with everything in it when
// the object goes out of scope.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as the system's own wide text, without a trailing separator.
  std::wstring wide() const { return path_.wstring(); }
  // Full wide path of a name inside the folder.
  std::wstring wide(const std::wstring& name) const { return (path_ / name).wstring(); }

 private:
  std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& file, const std::string& bytes);
std::string readBytes(const std::filesystem::path& file);
bool exists(const std::filesystem::path& file);

}  // namespace testsupport
