#include "model/zone_origin.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Origins of the zones (latitude north, longitude east); row 0 belongs to no zone.
const ZoneOriginRow kZoneOrigins[20] = {
    {{0, 0, 0.0}, {0, 0, 0.0}},
    {{33, 0, 0.0}, {129, 30, 0.0}},  // 1
    {{33, 0, 0.0}, {131, 0, 0.0}},   // 2
    {{36, 0, 0.0}, {132, 10, 0.0}},  // 3
    {{33, 0, 0.0}, {133, 30, 0.0}},  // 4
    {{36, 0, 0.0}, {134, 20, 0.0}},  // 5
    {{36, 0, 0.0}, {136, 0, 0.0}},   // 6
    {{36, 0, 0.0}, {137, 10, 0.0}},  // 7
    {{36, 0, 0.0}, {138, 30, 0.0}},  // 8
    {{36, 0, 0.0}, {139, 50, 0.0}},  // 9
    {{40, 0, 0.0}, {140, 50, 0.0}},  // 10
    {{44, 0, 0.0}, {140, 15, 0.0}},  // 11
    {{44, 0, 0.0}, {142, 15, 0.0}},  // 12
    {{44, 0, 0.0}, {144, 15, 0.0}},  // 13
    {{26, 0, 0.0}, {142, 0, 0.0}},   // 14
    {{26, 0, 0.0}, {127, 30, 0.0}},  // 15
    {{26, 0, 0.0}, {124, 0, 0.0}},   // 16
    {{26, 0, 0.0}, {131, 0, 0.0}},   // 17
    {{20, 0, 0.0}, {136, 0, 0.0}},   // 18
    {{26, 0, 0.0}, {154, 0, 0.0}},   // 19
};

}  // namespace

double toDegrees(const DegMinSec& angle) {
  return angle.degrees + angle.minutes / 60.0 + angle.seconds / 3600.0;
}

const ZoneOriginRow& zoneOriginRow(int zone) { return kZoneOrigins[zone]; }

int zoneOrigin(int zone, CoordPoint* origin) {
  if (zone < 1 || zone > 19) return 0;
  if (origin != nullptr) {
    origin->north = toDegrees(kZoneOrigins[zone].latitude) * kPi / 180.0;
    origin->east = toDegrees(kZoneOrigins[zone].longitude) * kPi / 180.0;
  }
  return zone;
}
