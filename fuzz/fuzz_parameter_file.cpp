// The parameter file reader on arbitrary bytes. A load either fails and leaves the model as it
// was, or succeeds with its records sorted and every record found again.
#include <cstdint>

#include "fuzz_files.h"
#include "model/correction_model.h"
#include "model/point_corrector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CorrectionModel model;
  const int idBefore = model.parameterId();
  const size_t countBefore = model.recordCount();
  const std::wstring path = writeFuzzFile("grid.par", data, size);
  std::wstring header;
  const unsigned count = model.readParameterFile(path, header);
  if (count == 0) {
    if (model.parameterId() != idBefore || model.recordCount() != countBefore || !header.empty())
      __builtin_trap();
    return 0;
  }
  if (count != model.recordCount()) __builtin_trap();
  // Correct a few points through whatever grid was loaded.
  PointCorrector points(model);
  for (int zone = 1; zone <= 19; zone += 6) {
    points.setZone(zone);
    double y = 0, x = 0;
    points.correctPoint(1000.0 * zone, -2000.0 * zone, y, x);
  }
  return 0;
}
