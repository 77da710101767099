// Builders of parameter files for the model's tests.
#pragma once

#include <string>
#include <vector>

namespace modeltest {

// "%8d%10.3f%10.3f%10.3f": a grid-point line with shifts in arc-seconds.
std::string gridLine(int meshCode, double latitudeSeconds, double longitudeSeconds,
                     double thirdValue = 0.0);

// A whole parameter file: `title` as line 1, header lines 2 to 13 ("header 2" ...), two ignored
// lines, the heading "MeshCode ..." as line 16, then `gridLines`; every line ends in `lineEnd`.
std::string parameterFile(const std::vector<std::string>& gridLines,
                          const std::string& title = "Grid shifts for Tarnwick for 25",
                          const std::string& lineEnd = "\r\n");

// Mesh codes of every third-level cell of a first-level mesh (6400 codes), ascending.
std::vector<int> firstLevelMeshCodes(int firstLevelCode);

// South-west corner of a mesh code's cell, in degrees.
double cellLatitude(int meshCode);
double cellLongitude(int meshCode);

// Shifts of a smooth, made-up field: a few arc-seconds, varying with position.
double sampleLatitudeSeconds(int meshCode);
double sampleLongitudeSeconds(int meshCode);

// Grid lines of the sample field for every cell of the given first-level meshes.
std::vector<std::string> sampleGrid(const std::vector<int>& firstLevelCodes);

}  // namespace modeltest
