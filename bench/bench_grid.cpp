#include "bench_grid.h"

#include <cstdio>
#include <fstream>

double cellLatitude(int code) {
  return (code / 1000000 + code / 1000 % 10 / 8.0 + code / 10 % 10 / 80.0) / 1.5;
}

double cellLongitude(int code) {
  return 100 + code / 10000 % 100 + code / 100 % 10 / 8.0 + code % 10 / 80.0;
}

std::filesystem::path writeParameterFile(const std::string& name,
                                         const std::vector<int>& firstLevelCodes) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  std::string text = "Benchmark grid for Tarnwick grid 77\r\n";
  for (int n = 2; n <= 15; ++n) text += "header line " + std::to_string(n) + "\r\n";
  text += "MeshCode    dB(sec)   dL(sec)    dH\r\n";
  char line[64];
  for (int first : firstLevelCodes) {
    for (int c = 0; c < 8; ++c)
      for (int e = 0; e < 10; ++e)
        for (int d = 0; d < 8; ++d)
          for (int f = 0; f < 10; ++f) {
            const int code = first * 10000 + c * 1000 + d * 100 + e * 10 + f;
            const double lat = cellLatitude(code), lon = cellLongitude(code);
            std::snprintf(line, sizeof line, "%8d%10.5f%10.5f%10.5f\r\n", code,
                          0.3 + 0.1 * (lat - 35), -0.5 + 0.07 * (lon - 139), 0.0);
            text += line;
          }
  }
  std::ofstream(path, std::ios::binary) << text;
  return path;
}
