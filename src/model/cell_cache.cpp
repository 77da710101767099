#include "model/cell_cache.h"

CellCache::CellCache() : codes_(kCapacity), keys_(kCapacity), corners_(kCapacity) {}

const CellCorners* CellCache::find(const MeshCell& cell, unsigned loadTag) const {
  const int code = meshCode(cell);
  const int* codes = codes_.data();
  for (int i = filled_ - 1; i >= 0; --i) {
    if (codes[i] != code) continue;
    const Key& key = keys_[i];
    if (key.loadTag == loadTag && key.cell == cell) return &corners_[i];
  }
  return nullptr;
}

void CellCache::store(const MeshCell& cell, unsigned loadTag, const CellCorners& corners) {
  if (next_ == kCapacity) next_ = 0;
  codes_[next_] = meshCode(cell);
  keys_[next_] = Key{cell, loadTag};
  corners_[next_] = corners;
  ++next_;
  if (next_ > filled_) filled_ = next_;
}
