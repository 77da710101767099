// One grid point of a correction parameter file.
#pragma once

struct ParameterRecord {
  int meshCode;           // 8-digit third-level mesh code of the grid point (its cell's south-west corner)
  double latitudeShift;   // degrees (the file's arc-seconds / 3600)
  double longitudeShift;  // degrees (the file's arc-seconds / 3600)
  double thirdValue;      // the line's fourth field as read, unscaled; nothing computes with it
};
