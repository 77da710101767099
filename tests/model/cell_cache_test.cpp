// The cell cache's indexed lookup against the written rule: scan the filled entries from the
// highest position down and take the first with the cell and the load tag.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/cell_cache.h"

namespace {

// The ring as written: entries by position, next index, filled count, and the scan.
struct ScannedRing {
  struct Entry {
    MeshCell cell;
    unsigned loadTag;
    int serial;
  };
  std::vector<Entry> entries = std::vector<Entry>(CellCache::kCapacity);
  int next = 0;
  int filled = 0;

  void store(const MeshCell& cell, unsigned loadTag, int serial) {
    if (next == CellCache::kCapacity) next = 0;
    entries[next] = {cell, loadTag, serial};
    ++next;
    if (next > filled) filled = next;
  }
  // The serial number of the entry found, or -1.
  int find(const MeshCell& cell, unsigned loadTag) const {
    for (int i = filled - 1; i >= 0; --i) {
      if (entries[i].loadTag == loadTag && entries[i].cell == cell) return entries[i].serial;
    }
    return -1;
  }
};

// An entry's serial number travels in its south-west record's mesh code.
CellCorners cornersWithSerial(int serial) {
  CellCorners corners{};
  corners.southWest.meshCode = serial;
  return corners;
}

int serialOf(const CellCorners* corners) { return corners == nullptr ? -1 : corners->southWest.meshCode; }

// A cell of a small neighbourhood (so that keys come back), sometimes with digits that give
// another cell's mesh code (a second-level digit of 10 is a first-level step).
MeshCell randomCell(std::mt19937& random, int spread) {
  std::uniform_int_distribution<int> digit(0, spread - 1);
  MeshCell cell{53, 39, 0, 0, 0, 0};
  const int a = digit(random), b = digit(random);
  cell.latitude2 = a / 10 % 8;
  cell.latitude3 = a % 10;
  cell.longitude2 = b / 10 % 8;
  cell.longitude3 = b % 10;
  if (random() % 50 == 0) {  // same mesh code, other digits
    cell.latitude3 += 10;
    cell.latitude2 -= 1;
  }
  return cell;
}

TEST(cell_cache_test, indexed_find_gives_the_entry_of_the_scan_over_long_random_sequences) {
  struct Case {
    const char* what;
    int spread;        // cells per axis of the neighbourhood
    int operations;
    int loadTags;      // load tags in use
    int storePercent;  // share of stores among the operations
  };
  const Case cases[] = {
      {"few cells, many hits, repeated keys stored", 12, 60000, 1, 30},
      {"more cells than positions, many wraps", 80, 60000, 2, 60},
      {"a sheet's worth of cells, tags changing", 30, 60000, 4, 20},
      {"stores only, then finds", 60, 20000, 3, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::mt19937 random(7);
    CellCache cache;
    ScannedRing ring;
    int serial = 0;
    int hits = 0;
    std::uniform_int_distribution<int> percent(0, 99);
    for (int op = 0; op < c.operations; ++op) {
      const MeshCell cell = randomCell(random, c.spread);
      const unsigned tag = 1 + random() % c.loadTags;
      if (percent(random) < c.storePercent) {
        // Stores as the model makes them (after a miss) and also of keys already held.
        cache.store(cell, tag, cornersWithSerial(serial));
        ring.store(cell, tag, serial);
        ++serial;
      } else {
        const int expected = ring.find(cell, tag);
        ASSERT_EQ(serialOf(cache.find(cell, tag)), expected) << "operation " << op;
        if (expected >= 0) ++hits;
      }
      ASSERT_EQ(cache.nextIndex(), ring.next);
      ASSERT_EQ(cache.filledCount(), ring.filled);
    }
    // Every key ever used, against the final state.
    for (int a = 0; a < c.spread * c.spread; ++a) {
      MeshCell cell{53, 39, a / c.spread / 10 % 8, a % c.spread / 10 % 8, a / c.spread % 10,
                    a % c.spread % 10};
      for (int tag = 1; tag <= c.loadTags; ++tag) {
        ASSERT_EQ(serialOf(cache.find(cell, tag)), ring.find(cell, tag)) << a << " tag " << tag;
      }
    }
    EXPECT_GT(serial, CellCache::kCapacity) << "the ring wrapped";
    if (c.storePercent < 100) {
      EXPECT_GT(hits, 0);
    }
  }
}

TEST(cell_cache_test, empty_cache_and_other_load_tag_find_nothing) {
  CellCache cache;
  const MeshCell cell{53, 39, 2, 6, 1, 0};
  EXPECT_EQ(cache.find(cell, 1), nullptr);
  cache.store(cell, 1, cornersWithSerial(5));
  EXPECT_EQ(serialOf(cache.find(cell, 1)), 5);
  EXPECT_EQ(cache.find(cell, 2), nullptr);
  EXPECT_EQ(cache.find(MeshCell{53, 39, 2, 6, 1, 1}, 1), nullptr);
}

}  // namespace
