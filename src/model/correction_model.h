// The correction model: the grid of latitude and longitude shifts of the last parameter file
// loaded, the current zone, and the zone projections. A point of the current zone is corrected by
// converting it to latitude and longitude (GRS80), adding the shift interpolated bilinearly from
// the grid, and converting it back to the same zone.
#pragma once

#include <string>
#include <vector>

#include "model/cell_cache.h"
#include "model/mesh_index.h"
#include "model/parameter_record.h"
#include "model/projection_table.h"

class CorrectionModel {
 public:
  CorrectionModel();  // zone 0, identifier 0, empty store, projection table set up

  // Stores the zone number without a range check; outside 1 to 19 every correction fails.
  void setZone(int zone);
  int zone() const;
  // Identifier from line 1 of the file of the last successful load; 0 before any.
  int parameterId() const;
  // True when the store holds more than 1000 records.
  bool isLoaded() const;
  size_t recordCount() const;

  // Loads a parameter file. All or nothing: on success the records (sorted by mesh code), the
  // index, the identifier and the header text all change and the count of records is returned;
  // on failure 0 is returned and neither the model nor `headerText` changes. On success the 13
  // header lines, each followed by CR LF, are appended to `headerText`.
  unsigned readParameterFile(const std::wstring& path, std::wstring& headerText);

  // Position in the store of the first record with this mesh code, or -1.
  int findRecordPosition(int meshCode) const;
  // 1 and a copy of that record, or 0 (record untouched).
  int findRecord(int meshCode, ParameterRecord& record) const;

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

  const ProjectionTable& projectionTable() const;
  const CellCache& cellCache() const { return cellCache_; }
  unsigned loadTag() const { return loadTag_; }

 private:
  int zone_ = 0;
  std::vector<ParameterRecord> records_;
  int parameterId_ = 0;
  ProjectionTable projectionTable_;
  MeshIndex meshIndex_;
  CellCache cellCache_;
  unsigned loadTag_ = 0;  // advanced by every successful load; cache entries of older loads never match
};

// The dialog's load step without its message box: true when the file loaded; the caller then shows
// headerText and remembers the path, or shows "指定のパラメーターを読み込めませんでした".
bool loadParameters(CorrectionModel& model, const std::wstring& path, std::wstring& headerText);
