// The correction of the points of one file: the file's current zone and a cell cache of its own,
// over the shared correction model. A run gives every worker its own, so that the loaded grid and
// the zone projections are only ever read while files are corrected side by side.
#pragma once

#include "model/cell_cache.h"
#include "model/correction_model.h"

class PointCorrector {
 public:
  // Zone 0 and an empty cache over `model`, which must outlive this object and is not changed by
  // it. A parameter file must not be loaded into the model while points are corrected.
  explicit PointCorrector(const CorrectionModel& model);

  // Stores the zone number without a range check; outside 1 to 19 every correction fails.
  void setZone(int zone) { zone_ = zone; }
  int zone() const { return zone_; }

  // Shifts (degrees) at a point (degrees), interpolated in its cell: 1, or 0 (results untouched)
  // when a corner of the cell is missing from the store.
  int interpolateShift(double longitude, double latitude, double& longitudeShift,
                       double& latitudeShift);
  // The point moved by the interpolated shift: 1, or 0 with the results equal to the input when
  // the point is outside the correction area or cannot be interpolated.
  int shiftGeodetic(double longitude, double latitude, double& newLongitude, double& newLatitude);

  // Corrects a plane point (easting y, northing x, metres) of the current zone: 1 and the
  // corrected point, or 0 and the input unchanged.
  int correctPoint(double y, double x, double& resultY, double& resultX);

  const CorrectionModel& model() const { return model_; }
  const CellCache& cellCache() const { return cellCache_; }

 private:
  const CorrectionModel& model_;
  int zone_ = 0;
  CellCache cellCache_;
};
