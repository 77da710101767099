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

  // The corners of the entry that a scan of the filled entries from the highest position down
  // would meet first for `cell` computed from load `loadTag`, or null. Found through an index
  // of the positions by key, without the scan.
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

  // The index: each filled position is on the chain of the bucket of its key's hash, and every
  // store takes its position off the old key's chain and puts it on the new key's. A chain is
  // short (2000 positions over 4096 buckets), and the highest position on it with the key is
  // the scan's entry.
  static constexpr int kBucketCount = 4096;
  static constexpr int kNone = -1;
  static int bucketOf(int meshCode, unsigned loadTag);
  void unlink(int position);

  std::vector<Key> keys_;
  std::vector<int> codes_;           // mesh code of each position's key
  std::vector<CellCorners> corners_;
  std::vector<int> bucketHead_;      // first position on each bucket's chain, or kNone
  std::vector<int> chainNext_;       // next position on the same chain, or kNone
  int next_ = 0;
  int filled_ = 0;
};
