#include "model/projection_table.h"

namespace {

constexpr int kPlaneToGeodeticSet[2] = {0, 1};  // by ellipsoid kind
constexpr int kGeodeticToPlaneSet[2] = {2, 3};

bool validZoneAndKind(int zone, int kind) {
  return zone >= 1 && zone <= ProjectionTable::kZoneCount && (kind == 0 || kind == 1);
}

}  // namespace

ProjectionTable::ProjectionTable() {
  for (int i = 0; i < kZoneCount; ++i) {
    sets_[0][i].setUp(i + 1, kBessel);
    sets_[1][i].setUp(i + 1, kGrs80);
    sets_[2][i].setUp(i + 1, kBessel);
    sets_[3][i].setUp(i + 1, kGrs80);
  }
}

int ProjectionTable::planeToGeodetic(int zone, int kind, const CoordPoint& in, CoordPoint& out,
                                     double* convergence) const {
  if (!validZoneAndKind(zone, kind)) return 0;
  sets_[kPlaneToGeodeticSet[kind]][zone - 1].planeToGeodetic(in, out, convergence);
  return 1;
}

int ProjectionTable::geodeticToPlane(int zone, int kind, const CoordPoint& in,
                                     CoordPoint& out) const {
  if (!validZoneAndKind(zone, kind)) return 0;
  sets_[kGeodeticToPlaneSet[kind]][zone - 1].geodeticToPlane(in, out);
  return 1;
}
