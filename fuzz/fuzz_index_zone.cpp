// readIndexZone on an arbitrary index file.
#include <cstdint>

#include "fuzz_files.h"
#include "run/index_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring path = writeFuzzFile("index.dmi", data, size);
  const int zone = readIndexZone(path);
  if (zone < -9 || zone > 99) __builtin_trap();  // two columns hold at most two digits or a sign
  return 0;
}
