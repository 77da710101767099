// The settings reader on an arbitrary settings file: every key of the job read with its default.
#include <cstdint>

#include "fuzz_files.h"
#include "run/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring path = writeFuzzFile("Ostrand.ini", data, size);
  JobSettings settings;
  readJobSettings(path, settings, 26, 12);
  return 0;
}
