#include "model/correction_model.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "model/mesh_cell.h"
#include "model/parameter_file.h"

namespace {

constexpr size_t kLoadedThreshold = 1000;  // a run needs more records than this

// No mesh cell of any store lies this far out; beyond it the cell digits would leave the range
// of their integer arithmetic.
constexpr double kFarOutside = 1e6;

}  // namespace

CorrectionModel::CorrectionModel() = default;

void CorrectionModel::setZone(int zone) { zone_ = zone; }

int CorrectionModel::zone() const { return zone_; }

int CorrectionModel::parameterId() const { return parameterId_; }

bool CorrectionModel::isLoaded() const { return records_.size() > kLoadedThreshold; }

size_t CorrectionModel::recordCount() const { return records_.size(); }

unsigned CorrectionModel::readParameterFile(const std::wstring& path, std::wstring& headerText) {
  ParameterFileContents contents;
  if (!readParameterFileContents(path, contents)) return 0;
  // Positions in the store are 32-bit; a store that could not be indexed is refused.
  if (contents.records.empty() || contents.records.size() > static_cast<size_t>(INT_MAX)) return 0;

  // Records of equal mesh codes keep their file order, so that a lookup finds the same record on
  // every platform.
  auto byMeshCode = [](const ParameterRecord& a, const ParameterRecord& b) {
    return a.meshCode < b.meshCode;
  };
  if (!std::is_sorted(contents.records.begin(), contents.records.end(), byMeshCode)) {
    std::stable_sort(contents.records.begin(), contents.records.end(), byMeshCode);
  }

  // Everything changes together, and only now that the load has succeeded.
  records_.swap(contents.records);
  meshIndex_.rebuild(records_);
  parameterId_ = contents.parameterId;
  ++loadTag_;
  headerText += contents.headerText;
  return static_cast<unsigned>(records_.size());
}

int CorrectionModel::findRecordPosition(int meshCode) const {
  return meshIndex_.findPosition(records_, meshCode);
}

int CorrectionModel::findRecord(int meshCode, ParameterRecord& record) const {
  const int position = findRecordPosition(meshCode);
  if (position < 0) return 0;
  record = records_[position];
  return 1;
}

int CorrectionModel::interpolateShift(double longitude, double latitude, double& longitudeShift,
                                      double& latitudeShift) {
  if (!(std::fabs(longitude) < kFarOutside && std::fabs(latitude) < kFarOutside)) return 0;
  const CellPosition position = cellOf(longitude, latitude);

  const CellCorners* cached = cellCache_.find(position.cell, loadTag_);
  CellCorners looked;
  if (cached == nullptr) {
    // Corners: the cell itself (south-west), one row north, north then east, one column east.
    MeshCell north = position.cell;
    stepNorth(north);
    MeshCell northEast = north;
    stepEast(northEast);
    MeshCell east = position.cell;
    stepEast(east);
    const bool complete = findRecord(position.meshCode, looked.southWest) &&
                          findRecord(meshCode(north), looked.northWest) &&
                          findRecord(meshCode(northEast), looked.northEast) &&
                          findRecord(meshCode(east), looked.southEast);
    if (!complete) return 0;
  }
  const CellCorners& c = cached != nullptr ? *cached : looked;
  longitudeShift = bilinear(position.u, position.v, c.southWest.longitudeShift,
                            c.northWest.longitudeShift, c.northEast.longitudeShift,
                            c.southEast.longitudeShift);
  latitudeShift = bilinear(position.u, position.v, c.southWest.latitudeShift,
                           c.northWest.latitudeShift, c.northEast.latitudeShift,
                           c.southEast.latitudeShift);
  if (cached == nullptr) cellCache_.store(position.cell, loadTag_, looked);
  return 1;
}

int CorrectionModel::shiftGeodetic(double longitude, double latitude, double& newLongitude,
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

int CorrectionModel::correctPoint(double y, double x, double& resultY, double& resultX) {
  const CoordPoint plane{y, x, 0.0};
  CoordPoint geodetic{0.0, 0.0, 0.0};
  double longitude = 0.0;
  double latitude = 0.0;
  if (!projectionTable_.planeToGeodetic(zone_, kGrs80, plane, geodetic) ||
      !shiftGeodetic(geodetic.east, geodetic.north, longitude, latitude)) {
    resultY = y;
    resultX = x;
    return 0;
  }
  geodetic.east = longitude;
  geodetic.north = latitude;
  CoordPoint corrected{0.0, 0.0, 0.0};
  projectionTable_.geodeticToPlane(zone_, kGrs80, geodetic, corrected);
  resultY = corrected.east;
  resultX = corrected.north;
  return 1;
}

const ProjectionTable& CorrectionModel::projectionTable() const { return projectionTable_; }

bool loadParameters(CorrectionModel& model, const std::wstring& path, std::wstring& headerText) {
  std::wstring text;
  if (model.readParameterFile(path, text) == 0) return false;
  headerText = text;
  return true;
}
