// Whole-file throughput of the DM file corrector: a generated DM file of one sheet of zone 9
// with kind 2 elements (60 points each, all inside the parameter grid) is corrected through
// DmFileCorrector, and the points per second are printed. Run a Release build:
//   build/<tree>/bin/dm_bench [points]        (default 1 000 000 points)
#include <chrono>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "dm/dm_file_corrector.h"

namespace {

// Accepts every report; never cancels.
class SilentProgress : public Progress {
 public:
  int Begin() override { return 1; }
  int SetRatio(double) override { return 0; }
  int SetPosition(std::int64_t, std::int64_t) override { return 0; }
  void SetText(const std::wstring&) override {}
};

// A grid of 30" x 45" cells around the origin of zone 9 (36 N, 139 50' E), about 37 km square,
// with a smooth made-up shift field.
void writeParameterFile(const std::filesystem::path& path) {
  std::string text = "Bench grid for the DM corrector Tarnwick grid 7\r\n";
  for (int n = 2; n <= 15; ++n) text += formatText("header line %d\r\n", n);
  text += "MeshCode    dB(sec)   dL(sec)\r\n";
  for (int row = 4300; row <= 4340; ++row) {
    for (int column = 3170; column <= 3210; ++column) {
      const int code = (row / 80) * 1000000 + (column / 80) * 10000 + (row % 80 / 10) * 1000 +
                       (column % 80 / 10) * 100 + (row % 10) * 10 + column % 10;
      text += formatText("%8d%10.5f%10.5f%10.5f\r\n", code, 0.3 + 0.001 * (row - 4300),
                         -0.5 + 0.002 * (column - 3170), 0.0);
    }
  }
  std::ofstream(path, std::ios::binary) << text;
}

std::string record(const std::string& fields) {
  std::string r = fields;
  r.resize(84, ' ');
  return r + "\r\n";
}

// One sheet of 3 km x 4 km whose corner 0 lies at X -1500 m, Y -2000 m; unit 1 mm.
void writeDmFile(const std::filesystem::path& path, long long points) {
  std::ofstream out(path, std::ios::binary);
  out << record("M 09LD35" + std::string(57, ' ') + " 0");
  out << record(formatText("%7d%7d%7d%7d%9s%7s%3d", -1500, -2000, 1500, 2000, "", "", 1));
  out << record("");
  out << record(formatText("9804%5s0%60s3 01%2s", "", "", "01"));
  out << record("");
  const int perElement = 60;
  unsigned state = 12345;
  std::string body;
  for (long long done = 0; done < points; done += perElement) {
    const int count = points - done < perElement ? static_cast<int>(points - done) : perElement;
    const int records = (count + 5) / 6;
    body += record(formatText("E%19s2%6s%4d%4d%7d%7d", "", "", count, records, 0, 0));
    for (int r = 0; r < records; ++r) {
      std::string fields;
      for (int k = 0; k < 6; ++k) {
        state = state * 1103515245u + 12345u;
        const int x = static_cast<int>(state >> 8) % 3000000;
        state = state * 1103515245u + 12345u;
        const int y = static_cast<int>(state >> 8) % 4000000;
        fields += formatText("%7d%7d", x, y);
      }
      body += record(fields);
    }
    if (body.size() > (1 << 20)) {
      out << body;
      body.clear();
    }
  }
  out << body;
}

}  // namespace

int main(int argc, char** argv) {
  const long long points = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "ostrand-dm-bench";
  std::filesystem::create_directories(folder);
  writeParameterFile(folder / "bench.par");
  writeDmFile(folder / "in.dm", points);

  JobSettings settings;
  settings.year = 26;
  settings.month = 12;
  settings.adviceNumber = L"第１号";
  settings.organisation = L"ベンチマーク";
  FileLog log;
  CorrectionModel model;
  std::wstring header;
  if (model.readParameterFile((folder / "bench.par").wstring(), header) == 0) {
    std::fprintf(stderr, "the parameter file did not load\n");
    return 1;
  }
  DmFileCorrector corrector(settings, model);
  SilentProgress progress;

  // Wall time, and the process's CPU time, which is what the figure is on a loaded machine.
  const std::clock_t cpuStart = std::clock();
  const auto start = std::chrono::steady_clock::now();
  std::wstring finishedCopy;
  const FileResult result = corrector.correctDmFile(
      FileTask{(folder / "in.dm").wstring(), (folder / "out.dm").wstring(), 0}, log, progress,
      finishedCopy);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

  const auto size = std::filesystem::file_size(folder / "in.dm");
  std::printf("dm_bench: %lld points, %.1f MB, result %d, %zu log characters\n", points,
              size / 1e6, resultCode(result), log.text().size());
  std::printf("dm_bench: wall %.3f s, %.0f points/s, %.1f MB/s\n", seconds, points / seconds,
              size / 1e6 / seconds);
  std::printf("dm_bench: CPU  %.3f s, %.0f points/s\n", cpuSeconds, points / cpuSeconds);
  std::filesystem::remove_all(folder);
  return result == FileResult::Corrected ? 0 : 1;
}
