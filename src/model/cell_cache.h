// A ring of the last 2000 complete cells looked up, with their four corner records, so that the
// points of one sheet, which lie close together, skip the four record lookups.
#pragma once

#include <vector>

#include "model/mesh_cell.h"
#include "model/parameter_record.h"

struct CellCorners {
  ParameterRecord southWest;
  ParameterRecord northWest;
  ParameterRecord northEast;
  ParameterRecord southEast;
};

class CellCache {
 public:
  static constexpr int kCapacity = 2000;

  CellCache();

  // Scans the filled entries from the highest position down and returns the corners of the first
  // entry for `cell` computed from load `loadTag`, or null.
  const CellCorners* find(const MeshCell& cell, unsigned loadTag) const;

  // Writes an entry at the next position (wrapping to 0 after the last) and advances.
  void store(const MeshCell& cell, unsigned loadTag, const CellCorners& corners);

  int filledCount() const { return filled_; }
  int nextIndex() const { return next_; }

 private:
  struct Key {
    MeshCell cell;
    unsigned loadTag;
  };
  // The scan reads the mesh codes of the keys, packed apart, and compares a whole key only where
  // the code matches; keys and corners are kept apart for the same reason.
  std::vector<int> codes_;
  std::vector<Key> keys_;
  std::vector<CellCorners> corners_;
  int next_ = 0;
  int filled_ = 0;
};
