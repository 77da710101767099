#include "model/cell_cache.h"

CellCache::CellCache()
    : keys_(kCapacity),
      codes_(kCapacity),
      corners_(kCapacity),
      bucketHead_(kBucketCount, kNone),
      chainNext_(kCapacity, kNone) {}

int CellCache::bucketOf(int meshCode, unsigned loadTag) {
  // Fibonacci hashing of the code and the tag: neighbouring cells spread over the buckets.
  const unsigned mixed = (static_cast<unsigned>(meshCode) ^ (loadTag * 0x9E3779B9u)) * 0x9E3779B1u;
  return static_cast<int>(mixed >> 20);  // the top 12 bits: 0 ... 4095
}

const CellCorners* CellCache::find(const MeshCell& cell, unsigned loadTag) const {
  const int code = meshCode(cell);
  int best = kNone;
  for (int i = bucketHead_[bucketOf(code, loadTag)]; i != kNone; i = chainNext_[i]) {
    if (i <= best || codes_[i] != code) continue;
    const Key& key = keys_[i];
    if (key.loadTag == loadTag && key.cell == cell) best = i;
  }
  return best == kNone ? nullptr : &corners_[best];
}

void CellCache::unlink(int position) {
  int* link = &bucketHead_[bucketOf(codes_[position], keys_[position].loadTag)];
  while (*link != position) link = &chainNext_[*link];
  *link = chainNext_[position];
  chainNext_[position] = kNone;
}

void CellCache::store(const MeshCell& cell, unsigned loadTag, const CellCorners& corners) {
  if (next_ == kCapacity) next_ = 0;
  if (next_ < filled_) unlink(next_);  // the position held an older entry
  const int code = meshCode(cell);
  codes_[next_] = code;
  keys_[next_] = Key{cell, loadTag};
  corners_[next_] = corners;
  int& head = bucketHead_[bucketOf(code, loadTag)];
  chainNext_[next_] = head;
  head = next_;
  ++next_;
  if (next_ > filled_) filled_ = next_;
}
