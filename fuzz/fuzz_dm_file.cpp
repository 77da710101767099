// The DM file corrector on arbitrary bytes, with a small grid around the origin of zone 9 loaded.
// A file is refused, failed or corrected, never a crash; the input file is never changed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "dm/dm_file_corrector.h"
#include "fuzz_files.h"
#include "model/correction_model.h"
#include "model/mesh_cell.h"
#include "platform/platform.h"

namespace {

class QuietProgress : public Progress {
 public:
  int Begin() override { return 1; }
  int SetRatio(double) override { return 0; }
  int SetPosition(std::int64_t, std::int64_t) override { return 0; }
  void SetText(const std::wstring&) override {}
};

// 40 x 40 grid points around 36 N, 139.8333 E with small made-up shifts.
std::string smallGrid() {
  std::string text = "Grid shifts for fuzzing Tarnwick 2026 7\n";
  for (int line = 2; line <= 15; ++line) text += "header line\n";
  text += "MeshCode   dB(sec)   dL(sec)\n";
  CellPosition start = cellOf(139.70, 35.90);
  MeshCell row = start.cell;
  for (int i = 0; i < 40; ++i) {
    MeshCell cell = row;
    for (int j = 0; j < 40; ++j) {
      text += formatText("%8d%10.5f%10.5f%10.5f\n", meshCode(cell), 0.1 + 0.001 * i,
                         -0.2 + 0.001 * j, 0.0);
      stepEast(cell);
    }
    stepNorth(row);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CorrectionModel model;
  static bool loaded = false;
  if (!loaded) {
    const std::string grid = smallGrid();
    const std::wstring path = writeFuzzFile("grid.par", reinterpret_cast<const std::uint8_t*>(grid.data()), grid.size());
    std::wstring header;
    if (model.readParameterFile(path, header) == 0) __builtin_trap();
    loaded = true;
  }
  static JobSettings settings;
  settings.year = 26;
  settings.month = 12;
  settings.adviceNumber = L"公共測量ＡＢ１２３ab";
  settings.organisation = L"測量ｶﾌﾞｼｷｶﾞｲｼｬ Survey";
  FileLog log;

  const std::wstring input = writeFuzzFile("in.dm", data, size);
  const std::wstring output = utf8ToWide(fuzzFolder() + "out.dm");
  QuietProgress progress;
  DmFileCorrector corrector(settings, model);
  FileOutcome outcome;
  std::wstring finishedCopy;
  const FileResult result = corrector.correctDmFile(
      FileTask{input, output, size % 3 == 0 ? 0 : 9}, log, progress, outcome, finishedCopy);
  // Only a corrected file leaves a copy, and it is complete.
  if ((result == FileResult::Corrected) == finishedCopy.empty()) __builtin_trap();
  if (!finishedCopy.empty()) platform::deleteFile(finishedCopy);

  // The input is never changed.
  std::FILE* f = std::fopen((fuzzFolder() + "in.dm").c_str(), "rb");
  if (!f) __builtin_trap();
  std::string back(size, '\0');
  const size_t got = size ? std::fread(&back[0], 1, size, f) : 0;
  const bool more = std::fgetc(f) != EOF;
  std::fclose(f);
  if (got != size || more || std::memcmp(back.data(), data, size) != 0) __builtin_trap();
  std::remove((fuzzFolder() + "out.dm").c_str());
  return 0;
}
