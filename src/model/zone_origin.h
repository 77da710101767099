// Origins of the 19 zones of the plane rectangular coordinate system.
#pragma once

#include "common/coord_point.h"

// An angle as whole degrees, whole minutes and seconds. No sign handling.
struct DegMinSec {
  int degrees;
  int minutes;
  double seconds;
};

// degrees + minutes / 60 + seconds / 3600, summed in that order.
double toDegrees(const DegMinSec& angle);

// One row of the zone origin table: the origin latitude (north) and longitude (east).
struct ZoneOriginRow {
  DegMinSec latitude;
  DegMinSec longitude;
};

// Row `zone` of the 20-row origin table (row 0 is all zero). `zone` must be 0 to 19.
const ZoneOriginRow& zoneOriginRow(int zone);

// Origin of a zone in radians: origin->east = longitude, origin->north = latitude, each taken
// as toDegrees(...) * pi / 180; height untouched. Returns the zone number, or 0 (writing nothing)
// for a zone outside 1 to 19. `origin` may be null.
int zoneOrigin(int zone, CoordPoint* origin);
