// Index of the record store by first-level mesh code (a mesh code's first four digits, 3000 to
// 6999): each entry holds the position of the first record whose first-level code is that code or
// greater, so that a lookup scans only the records of one first-level mesh.
#pragma once

#include <array>
#include <vector>

#include "model/parameter_record.h"

class MeshIndex {
 public:
  static constexpr int kLowestCode = 3000;
  static constexpr int kHighestCode = 6999;
  static constexpr int kEntryCount = kHighestCode - kLowestCode + 1;

  MeshIndex();  // all entries 0

  // Rebuilds the table for a store sorted ascending by mesh code.
  void rebuild(const std::vector<ParameterRecord>& records);

  // Position of the first record of `records` (the store the table was built for) with this
  // mesh code, or -1. Codes whose first-level code lies outside 3000 to 6999 are never found.
  int findPosition(const std::vector<ParameterRecord>& records, int meshCode) const;

  // The entry of a first-level code (3000 to 6999).
  int entry(int firstLevelCode) const { return entries_[firstLevelCode - kLowestCode]; }

 private:
  std::array<int, kEntryCount> entries_;
  // One past the last record of first-level code 6999, whose end would lie past the table's last
  // entry: the position of the first record of code 7000 or above, or the store's size. 0 when
  // the store holds nothing of 6999 or above.
  int endOfLastCode_ = 0;
};
