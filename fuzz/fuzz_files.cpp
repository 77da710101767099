#include "fuzz_files.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <sys/stat.h>

#include "common/wide_text.h"

const std::string& fuzzFolder() {
  // Never destroyed: the clean-up at exit still needs it.
  static const std::string& folder = *new std::string([] {
    // Memory-backed when the machine has it: the targets write a file per input.
    const char* tmp = std::getenv("TMPDIR");
    struct stat info;
    const bool shm = stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode);
    std::string f = std::string(tmp && *tmp ? tmp : (shm ? "/dev/shm" : "/tmp")) + "/ostrand-fuzz-" +
                    std::to_string(static_cast<long>(getpid())) + "/";
    mkdir(f.c_str(), 0700);
    std::atexit([] {
      const std::string& folder = fuzzFolder();
      for (const char* name : {"index.dmi", "Ostrand.ini", "grid.par", "in.dm", "out.dm"})
        std::remove((folder + name).c_str());
      rmdir(folder.c_str());
    });
    return f;
  }());
  return folder;
}

std::wstring writeFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzFolder() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return utf8ToWide(path);
}
