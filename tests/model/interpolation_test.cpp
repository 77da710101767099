// Interpolating the grid shift at a point: the four corners, a missing corner, the correction
// area, and the ring cache with its load tag.
#include <gtest/gtest.h>

#include "model/correction_model.h"
#include "model/point_corrector.h"
#include "model/mesh_cell.h"
#include "model_fixture.h"
#include "test_support.h"

namespace {

using modeltest::gridLine;
using modeltest::parameterFile;

class InterpolationTest : public ::testing::Test {
 protected:
  void load(const std::vector<std::string>& grid) {
    const std::wstring path = scratch.wide(L"grid" + std::to_wstring(++files) + L".par");
    testsupport::writeBytes(path, parameterFile(grid));
    std::wstring header;
    ASSERT_GT(model.readParameterFile(path, header), 0u);
  }
  ParameterRecord record(int code) {
    ParameterRecord r{};
    EXPECT_EQ(model.findRecord(code, r), 1) << code;
    return r;
  }

  testsupport::ScratchFolder scratch;
  CorrectionModel model;
  PointCorrector points{model};
  int files = 0;
};

TEST_F(InterpolationTest, shift_is_bilinear_in_the_four_corners) {
  load({gridLine(53392610, 1.0, 10.0), gridLine(53392620, 3.0, 30.0), gridLine(53392621, 5.0, 50.0),
        gridLine(53392611, 2.0, 20.0)});
  double longitudeShift = 0, latitudeShift = 0;
  ASSERT_EQ(points.interpolateShift(139.76, 35.51, longitudeShift, latitudeShift), 1);
  const CellPosition p = cellOf(139.76, 35.51);
  EXPECT_EQ(latitudeShift, bilinear(p.u, p.v, 1.0 / 3600, 3.0 / 3600, 5.0 / 3600, 2.0 / 3600));
  EXPECT_EQ(longitudeShift, bilinear(p.u, p.v, 10.0 / 3600, 30.0 / 3600, 50.0 / 3600, 20.0 / 3600));
  EXPECT_NEAR(latitudeShift * 3600, 2.36, 1e-9);
  EXPECT_NEAR(longitudeShift * 3600, 23.6, 1e-9);

  double newLongitude = 0, newLatitude = 0;
  ASSERT_EQ(points.shiftGeodetic(139.76, 35.51, newLongitude, newLatitude), 1);
  EXPECT_EQ(newLongitude, 139.76 + longitudeShift);
  EXPECT_EQ(newLatitude, 35.51 + latitudeShift);
}

TEST_F(InterpolationTest, a_missing_corner_leaves_the_point_unshifted_even_on_a_grid_point) {
  // 53392600 with its north-west and south-east neighbours, but not its north-east one.
  load({gridLine(53392600, 1.0, 1.0), gridLine(53392610, 1.0, 1.0), gridLine(53392601, 1.0, 1.0)});
  double longitudeShift = 7, latitudeShift = 8;
  EXPECT_EQ(points.interpolateShift(139.75, 35.5, longitudeShift, latitudeShift), 0);
  EXPECT_EQ(longitudeShift, 7);
  EXPECT_EQ(latitudeShift, 8);
  double newLongitude = 0, newLatitude = 0;
  EXPECT_EQ(points.shiftGeodetic(139.75, 35.5, newLongitude, newLatitude), 0);
  EXPECT_EQ(newLongitude, 139.75);
  EXPECT_EQ(newLatitude, 35.5);
  EXPECT_EQ(points.cellCache().filledCount(), 0);
}

TEST_F(InterpolationTest, points_outside_the_area_or_the_index_are_not_shifted) {
  load(modeltest::sampleGrid({5339}));
  struct Case {
    double longitude, latitude;
  };
  const Case cases[] = {{119.9, 35.5}, {139.5, 50.1}, {150.0, 50.0}, {139.5, 47.0}, {139.5, 30.0}};
  for (const Case& c : cases) {
    double newLongitude = 0, newLatitude = 0;
    EXPECT_EQ(points.shiftGeodetic(c.longitude, c.latitude, newLongitude, newLatitude), 0);
    EXPECT_EQ(newLongitude, c.longitude);
    EXPECT_EQ(newLatitude, c.latitude);
  }
  EXPECT_EQ(points.cellCache().filledCount(), 0);
  double a = 0, b = 0;
  EXPECT_EQ(points.interpolateShift(1e300, -1e300, a, b), 0);
}

TEST_F(InterpolationTest, a_grid_point_takes_its_own_record_shift) {
  load(modeltest::sampleGrid({5339}));
  double longitudeShift = 0, latitudeShift = 0;
  ASSERT_EQ(points.interpolateShift(139.75, 35.5, longitudeShift, latitudeShift), 1);
  EXPECT_EQ(longitudeShift, record(53392600).longitudeShift);
  EXPECT_EQ(latitudeShift, record(53392600).latitudeShift);
}

TEST_F(InterpolationTest, cache_keeps_the_last_2000_cells_and_overwrites_the_oldest) {
  load(modeltest::sampleGrid({5339}));
  // Centres of distinct cells whose corners are all in the mesh.
  std::vector<std::pair<double, double>> centres;
  for (int row = 0; row < 79 && centres.size() < 2100; ++row) {
    for (int column = 0; column < 79 && centres.size() < 2100; ++column) {
      centres.push_back({139.0 + (column + 0.5) / 80.0, (53.0 + (row + 0.5) / 80.0) / 1.5});
    }
  }
  double a = 0, b = 0;
  ASSERT_EQ(points.interpolateShift(centres[0].first, centres[0].second, a, b), 1);
  EXPECT_EQ(points.cellCache().nextIndex(), 1);
  double again = 0, againB = 0;
  ASSERT_EQ(points.interpolateShift(centres[0].first, centres[0].second, again, againB), 1);
  EXPECT_EQ(points.cellCache().nextIndex(), 1);  // a hit stores nothing
  EXPECT_EQ(again, a);
  EXPECT_EQ(againB, b);

  for (int i = 1; i < 2000; ++i) {
    ASSERT_EQ(points.interpolateShift(centres[i].first, centres[i].second, a, b), 1);
  }
  EXPECT_EQ(points.cellCache().nextIndex(), 2000);
  EXPECT_EQ(points.cellCache().filledCount(), 2000);
  ASSERT_EQ(points.interpolateShift(centres[2000].first, centres[2000].second, a, b), 1);
  EXPECT_EQ(points.cellCache().nextIndex(), 1);  // position 0 overwritten
  EXPECT_EQ(points.cellCache().filledCount(), 2000);

  // Cell 0 is gone: looked up afresh, stored again, same result.
  ASSERT_EQ(points.interpolateShift(centres[0].first, centres[0].second, a, b), 1);
  EXPECT_EQ(points.cellCache().nextIndex(), 2);
  EXPECT_EQ(a, again);
  EXPECT_EQ(b, againB);
  // Cell 1999 is still there.
  ASSERT_EQ(points.interpolateShift(centres[1999].first, centres[1999].second, a, b), 1);
  EXPECT_EQ(points.cellCache().nextIndex(), 2);
}

TEST_F(InterpolationTest, a_new_load_makes_cached_cells_look_up_the_new_records) {
  const std::vector<std::string> first = {gridLine(53392610, 1, 1), gridLine(53392620, 1, 1),
                                          gridLine(53392621, 1, 1), gridLine(53392611, 1, 1)};
  const std::vector<std::string> second = {gridLine(53392610, 9, 9), gridLine(53392620, 9, 9),
                                           gridLine(53392621, 9, 9), gridLine(53392611, 9, 9)};
  load(first);
  double longitudeShift = 0, latitudeShift = 0;
  ASSERT_EQ(points.interpolateShift(139.76, 35.51, longitudeShift, latitudeShift), 1);
  EXPECT_NEAR(latitudeShift * 3600, 1.0, 1e-12);
  load(second);
  ASSERT_EQ(points.interpolateShift(139.76, 35.51, longitudeShift, latitudeShift), 1);
  EXPECT_NEAR(latitudeShift * 3600, 9.0, 1e-12);
  EXPECT_EQ(points.cellCache().nextIndex(), 2);
}

}  // namespace
