// A point of three doubles. The east component always comes first.
#pragma once

// Plane point: east = easting y (m), north = northing x (m), height.
// Geodetic point: east = longitude (degrees, east positive), north = latitude (degrees, north
// positive), height. Every conversion copies the height unchanged.
struct CoordPoint {
  double east = 0.0;
  double north = 0.0;
  double height = 0.0;
};
