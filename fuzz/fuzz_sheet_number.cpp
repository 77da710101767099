// parseSheetNumber on arbitrary text: the 8-byte field of a header record, cut at its first NUL.
#include <cstdint>
#include <cstring>

#include "dm/sheet_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  char field[9] = {};
  std::memcpy(field, data, size < 8 ? size : 8);
  int zone = -1;
  const int ok = parseSheetNumber(field, &zone);
  if (ok && (zone < 0 || zone > 19)) __builtin_trap();
  if (!ok && zone != -1) __builtin_trap();  // a failure writes nothing
  return 0;
}
