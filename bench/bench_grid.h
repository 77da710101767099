// A made-up parameter file for the model benchmarks: full first-level meshes with a smooth shift.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The latitude and longitude (degrees) of the south-west corner of the cell with this mesh code.
double cellLatitude(int code);
double cellLongitude(int code);

// Writes a parameter file of the full first-level meshes `firstLevelCodes` (6400 grid points each)
// into the temporary folder under `name` and returns its path.
std::filesystem::path writeParameterFile(const std::string& name,
                                         const std::vector<int>& firstLevelCodes);
