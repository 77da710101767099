// The projections of all 19 zones on both ellipsoids, set up once.
#pragma once

#include "common/coord_point.h"
#include "model/zone_projection.h"

// Four sets of 19 zone projections; element i of each set is zone i + 1.
// Set 0: plane -> geodetic, Bessel; 1: plane -> geodetic, GRS80; 2: geodetic -> plane, Bessel;
// 3: geodetic -> plane, GRS80. Sets 0 and 2 are identical, and so are 1 and 3.
class ProjectionTable {
 public:
  static constexpr int kZoneCount = 19;
  static constexpr int kSetCount = 4;

  ProjectionTable();

  // Plane (y, x in metres) -> geodetic (degrees) in `zone` (1 to 19) on ellipsoid `kind` (0 or 1).
  // Returns 0, leaving `out` and `convergence` untouched, for any other zone or kind; else 1.
  int planeToGeodetic(int zone, int kind, const CoordPoint& in, CoordPoint& out,
                      double* convergence = nullptr) const;

  // Geodetic (degrees) -> plane (metres), with the same checks and results.
  int geodeticToPlane(int zone, int kind, const CoordPoint& in, CoordPoint& out) const;

  const ZoneProjection& element(int set, int index) const { return sets_[set][index]; }

 private:
  ZoneProjection sets_[kSetCount][kZoneCount];
};
