#include "model/mesh_index.h"

#include <algorithm>

namespace {

int firstLevelCode(int meshCode) { return meshCode / 10000; }

}  // namespace

MeshIndex::MeshIndex() { entries_.fill(0); }

void MeshIndex::rebuild(const std::vector<ParameterRecord>& records) {
  entries_.fill(0);
  endOfLastCode_ = 0;
  const int count = static_cast<int>(records.size());
  int previous = kLowestCode;
  for (int j = 0; j < count; ++j) {
    const int code = firstLevelCode(records[j].meshCode);
    if (code == previous) continue;
    // Every code from previous + 1 up to this one starts at j. Codes beyond the table (7000 is
    // the only one a store can hold) end the records of 6999.
    for (int k = previous + 1; k <= code; ++k) {
      if (k >= kLowestCode && k <= kHighestCode) entries_[k - kLowestCode] = j;
      if (k == kHighestCode + 1) endOfLastCode_ = j;
    }
    previous = code;
  }
  // The end marker: one past the last record, in the entry after the highest code in use. For a
  // highest code of 6999 it would lie beyond the table; the lookup of 6999 takes it from
  // endOfLastCode_ instead.
  const int marker = previous + 1;
  if (marker >= kLowestCode && marker <= kHighestCode) {
    entries_[marker - kLowestCode] = count;
  } else if (marker == kHighestCode + 1) {
    endOfLastCode_ = count;
  }
}

int MeshIndex::findPosition(const std::vector<ParameterRecord>& records, int meshCode) const {
  const int k = firstLevelCode(meshCode);
  if (k < kLowestCode || k > kHighestCode) return -1;
  const int index = k - kLowestCode;
  const int start = entries_[index];
  int end = 0;
  int later = index + 1;
  while (later < kEntryCount && entries_[later] == 0) ++later;
  if (later < kEntryCount) {
    end = entries_[later];
  } else if (k == kHighestCode) {
    end = endOfLastCode_;
  }
  const int size = static_cast<int>(records.size());
  if (end > size) end = size;
  if (start >= end) return -1;
  // The store is sorted by mesh code, so the first equal record is the lower bound of the range.
  const auto first = records.begin() + start;
  const auto last = records.begin() + end;
  const auto found = std::lower_bound(
      first, last, meshCode,
      [](const ParameterRecord& record, int code) { return record.meshCode < code; });
  if (found == last || found->meshCode != meshCode) return -1;
  return static_cast<int>(found - records.begin());
}
