#include "model/correction_model.h"

#include <algorithm>
#include <climits>

#include "model/parameter_file.h"

namespace {

constexpr size_t kLoadedThreshold = 1000;  // a run needs more records than this

}  // namespace

CorrectionModel::CorrectionModel() = default;

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

const ProjectionTable& CorrectionModel::projectionTable() const { return projectionTable_; }

bool loadParameters(CorrectionModel& model, const std::wstring& path, std::wstring& headerText) {
  std::wstring text;
  if (model.readParameterFile(path, text) == 0) return false;
  headerText = text;
  return true;
}
