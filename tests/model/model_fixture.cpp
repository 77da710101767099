#include "model_fixture.h"

#include <algorithm>
#include <cstdio>

namespace modeltest {

std::string gridLine(int meshCode, double latitudeSeconds, double longitudeSeconds,
                     double thirdValue) {
  char line[80];
  std::snprintf(line, sizeof line, "%8d%10.3f%10.3f%10.3f", meshCode, latitudeSeconds,
                longitudeSeconds, thirdValue);
  return line;
}

std::string parameterFile(const std::vector<std::string>& gridLines, const std::string& title,
                          const std::string& lineEnd) {
  std::string text = title + lineEnd;
  for (int n = 2; n <= 13; ++n) text += "header " + std::to_string(n) + lineEnd;
  text += "ignored 14" + lineEnd + "ignored 15" + lineEnd;
  text += "MeshCode    dB(sec)   dL(sec)    dH" + lineEnd;
  for (const std::string& line : gridLines) text += line + lineEnd;
  return text;
}

std::vector<int> firstLevelMeshCodes(int firstLevelCode) {
  std::vector<int> codes;
  for (int c = 0; c < 8; ++c)
    for (int e = 0; e < 10; ++e)
      for (int d = 0; d < 8; ++d)
        for (int f = 0; f < 10; ++f) codes.push_back(firstLevelCode * 10000 + c * 1000 + d * 100 + e * 10 + f);
  std::sort(codes.begin(), codes.end());
  return codes;
}

double cellLatitude(int meshCode) {
  const int a = meshCode / 1000000;
  const int c = meshCode / 1000 % 10;
  const int e = meshCode / 10 % 10;
  return (a + c / 8.0 + e / 80.0) / 1.5;
}

double cellLongitude(int meshCode) {
  const int b = meshCode / 10000 % 100;
  const int d = meshCode / 100 % 10;
  const int f = meshCode % 10;
  return 100 + b + d / 8.0 + f / 80.0;
}

double sampleLatitudeSeconds(int meshCode) {
  return 0.5 + 0.25 * (cellLatitude(meshCode) - 35.0) - 0.125 * (cellLongitude(meshCode) - 139.0);
}

double sampleLongitudeSeconds(int meshCode) {
  return -1.5 + 0.5 * (cellLongitude(meshCode) - 139.0) + 0.0625 * (cellLatitude(meshCode) - 35.0);
}

std::vector<std::string> sampleGrid(const std::vector<int>& firstLevelCodes) {
  std::vector<std::string> lines;
  for (int first : firstLevelCodes) {
    for (int code : firstLevelMeshCodes(first)) {
      lines.push_back(gridLine(code, sampleLatitudeSeconds(code), sampleLongitudeSeconds(code)));
    }
  }
  return lines;
}

}  // namespace modeltest
