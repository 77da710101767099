#include "model/point_corrector.h"

#include <cmath>

#include "model/mesh_cell.h"

namespace {

// No mesh cell of any store lies this far out; beyond it the cell digits would leave the range
// of their integer arithmetic.
constexpr double kFarOutside = 1e6;

}  // namespace

PointCorrector::PointCorrector(const CorrectionModel& model) : model_(model) {}

int PointCorrector::interpolateShift(double longitude, double latitude, double& longitudeShift,
                                     double& latitudeShift) {
  if (!(std::fabs(longitude) < kFarOutside && std::fabs(latitude) < kFarOutside)) return 0;
  const CellPosition position = cellOf(longitude, latitude);
  const unsigned loadTag = model_.loadTag();

  const CellCorners* cached = cellCache_.find(position.cell, loadTag);
  CellCorners looked;
  if (cached == nullptr) {
    // Corners: the cell itself (south-west), one row north, north then east, one column east.
    MeshCell north = position.cell;
    stepNorth(north);
    MeshCell northEast = north;
    stepEast(northEast);
    MeshCell east = position.cell;
    stepEast(east);
    const bool complete = model_.findRecord(position.meshCode, looked.southWest) &&
                          model_.findRecord(meshCode(north), looked.northWest) &&
                          model_.findRecord(meshCode(northEast), looked.northEast) &&
                          model_.findRecord(meshCode(east), looked.southEast);
    if (!complete) return 0;
  }
  const CellCorners& c = cached != nullptr ? *cached : looked;
  longitudeShift = bilinear(position.u, position.v, c.southWest.longitudeShift,
                            c.northWest.longitudeShift, c.northEast.longitudeShift,
                            c.southEast.longitudeShift);
  latitudeShift = bilinear(position.u, position.v, c.southWest.latitudeShift,
                           c.northWest.latitudeShift, c.northEast.latitudeShift,
                           c.southEast.latitudeShift);
  if (cached == nullptr) cellCache_.store(position.cell, loadTag, looked);
  return 1;
}

int PointCorrector::shiftGeodetic(double longitude, double latitude, double& newLongitude,
                                  double& newLatitude) {
  double longitudeShift = 0.0;
  double latitudeShift = 0.0;
  if (!inCorrectionArea(longitude, latitude) ||
      !interpolateShift(longitude, latitude, longitudeShift, latitudeShift)) {
    newLongitude = longitude;
    newLatitude = latitude;
    return 0;
  }
  // A grid value that is not a number ("nan", "inf" read by the atof rules) cannot move a point:
  // such a cell counts as one that cannot be interpolated, so the point is reported, not ruined.
  if (!std::isfinite(longitudeShift) || !std::isfinite(latitudeShift)) {
    newLongitude = longitude;
    newLatitude = latitude;
    return 0;
  }
  newLongitude = longitude + longitudeShift;
  newLatitude = latitude + latitudeShift;
  return 1;
}

int PointCorrector::correctPoint(double y, double x, double& resultY, double& resultX) {
  const ProjectionTable& projections = model_.projectionTable();
  const CoordPoint plane{y, x, 0.0};
  CoordPoint geodetic{0.0, 0.0, 0.0};
  double longitude = 0.0;
  double latitude = 0.0;
  if (!projections.planeToGeodetic(zone_, kGrs80, plane, geodetic) ||
      !shiftGeodetic(geodetic.east, geodetic.north, longitude, latitude)) {
    resultY = y;
    resultX = x;
    return 0;
  }
  geodetic.east = longitude;
  geodetic.north = latitude;
  CoordPoint corrected{0.0, 0.0, 0.0};
  projections.geodeticToPlane(zone_, kGrs80, geodetic, corrected);
  resultY = corrected.east;
  resultX = corrected.north;
  return 1;
}
