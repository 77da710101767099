// The correction model: the grid of latitude and longitude shifts of the last parameter file
// loaded, and the zone projections. A point of a zone is corrected by converting it to latitude
// and longitude (GRS80), adding the shift interpolated bilinearly from the grid, and converting it
// back to the same zone; that is the work of a PointCorrector, which keeps the file's zone and
// cell cache. The model itself is only read while files are corrected, by every worker at once.
#pragma once

#include <string>
#include <vector>

#include "model/mesh_index.h"
#include "model/parameter_record.h"
#include "model/projection_table.h"

class CorrectionModel {
 public:
  CorrectionModel();  // identifier 0, empty store, projection table set up

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

  const ProjectionTable& projectionTable() const;
  // Advanced by every successful load: cell cache entries of older loads never match.
  unsigned loadTag() const { return loadTag_; }

 private:
  std::vector<ParameterRecord> records_;
  int parameterId_ = 0;
  ProjectionTable projectionTable_;
  MeshIndex meshIndex_;
  unsigned loadTag_ = 0;
};

// The dialog's load step without its message box: true when the file loaded; the caller then shows
// headerText and remembers the path, or shows "指定のパラメーターを読み込めませんでした".
bool loadParameters(CorrectionModel& model, const std::wstring& path, std::wstring& headerText);
