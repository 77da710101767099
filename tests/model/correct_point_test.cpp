// Correcting a plane point of the current zone through the grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "model/correction_model.h"
#include "model/point_corrector.h"
#include "model/mesh_cell.h"
#include "model_fixture.h"
#include "test_support.h"

namespace {

using modeltest::gridLine;
using modeltest::parameterFile;

// A uniform grid over first-level mesh 5339 (35 deg 20' to 36 deg N, 139 to 140 deg E).
std::vector<std::string> uniformGrid(double latitudeSeconds, double longitudeSeconds) {
  std::vector<std::string> grid;
  for (int code : modeltest::firstLevelMeshCodes(5339)) {
    grid.push_back(gridLine(code, latitudeSeconds, longitudeSeconds));
  }
  return grid;
}

class CorrectPointTest : public ::testing::Test {
 protected:
  void load(const std::vector<std::string>& grid) {
    const std::wstring path = scratch.wide(L"grid.par");
    testsupport::writeBytes(path, parameterFile(grid));
    std::wstring header;
    ASSERT_GT(model.readParameterFile(path, header), 0u);
  }

  testsupport::ScratchFolder scratch;
  CorrectionModel model;
  PointCorrector points{model};
};

// Zone 9 points inside mesh 5339 (its origin is 36 N, 139 deg 50' E).
const double kPoints[][2] = {{-5000.0, -30000.0}, {12345.678, -1000.25}, {-60000.0, -70000.0}};

TEST_F(CorrectPointTest, zero_shifts_give_the_point_back) {
  load(uniformGrid(0.0, 0.0));
  points.setZone(9);
  for (const auto& p : kPoints) {
    double y = 0, x = 0;
    ASSERT_EQ(points.correctPoint(p[0], p[1], y, x), 1);
    EXPECT_NEAR(y, p[0], 1e-5);
    EXPECT_NEAR(x, p[1], 1e-5);
  }
}

constexpr double kPi = 3.141592653589793;

// One second of latitude or longitude, in metres on the plane: the meridian or the parallel radius
// of curvature of GRS80 at the point's latitude, times the scale factor 0.9999 (the scale's growth
// away from the central meridian is below 1e-4 of that within 70 km).
double secondOfLatitude(double latitude) {
  const double e2 = 0.006694380022900787;
  const double s = std::sin(latitude * kPi / 180);
  const double w = 1 - e2 * s * s;
  return 0.9999 * 6378137.0 * (1 - e2) / std::pow(w, 1.5) * kPi / 180 / 3600;
}
double secondOfLongitude(double latitude) {
  const double e2 = 0.006694380022900787;
  const double s = std::sin(latitude * kPi / 180);
  return 0.9999 * 6378137.0 / std::sqrt(1 - e2 * s * s) * std::cos(latitude * kPi / 180) *
         kPi / 180 / 3600;
}

TEST_F(CorrectPointTest, a_shift_of_one_second_moves_the_point_by_one_second_of_arc) {
  struct Case {
    double latitudeSeconds, longitudeSeconds;
  };
  for (const Case c : {Case{1.0, 0.0}, Case{0.0, 1.0}}) {
    load(uniformGrid(c.latitudeSeconds, c.longitudeSeconds));
    points.setZone(9);
    for (const auto& p : kPoints) {
      CoordPoint geodetic;
      model.projectionTable().planeToGeodetic(9, 1, {p[0], p[1], 0.0}, geodetic);
      const double expected = c.latitudeSeconds * secondOfLatitude(geodetic.north) +
                              c.longitudeSeconds * secondOfLongitude(geodetic.north);
      double y = 0, x = 0;
      ASSERT_EQ(points.correctPoint(p[0], p[1], y, x), 1);
      EXPECT_NEAR(std::hypot(y - p[0], x - p[1]), expected, 0.005);
      // North moves mostly along x, east mostly along y (the grid turns by under 0.5 degrees).
      const double along = c.latitudeSeconds != 0 ? x - p[1] : y - p[0];
      EXPECT_GT(along, expected * 0.9999);
    }
  }
}

TEST_F(CorrectPointTest, failures_hand_the_point_back_unchanged) {
  load(uniformGrid(1.0, 1.0));
  struct Case {
    const char* what;
    int zone;
    double y, x;
  };
  const Case cases[] = {
      {"zone 0", 0, -5000.0, -30000.0},
      {"zone 20", 20, -5000.0, -30000.0},
      {"outside the grid", 9, -5000.0, 60000.0},
      {"outside the correction area", 9, 0.0, 2000000.0},
  };
  for (const Case& c : cases) {
    points.setZone(c.zone);
    double y = 1, x = 2;
    EXPECT_EQ(points.correctPoint(c.y, c.x, y, x), 0) << c.what;
    EXPECT_EQ(y, c.y) << c.what;
    EXPECT_EQ(x, c.x) << c.what;
  }
  EXPECT_EQ(points.zone(), 9);
}

TEST_F(CorrectPointTest, a_missing_corner_fails_even_beside_a_grid_point_the_store_holds) {
  std::vector<std::string> grid = uniformGrid(1.0, 1.0);
  // Drop the north-east corner of cell 53392600 (grid point 139.75 E, 35.5 N).
  grid.erase(std::remove(grid.begin(), grid.end(), gridLine(53392611, 1.0, 1.0)), grid.end());
  load(grid);
  points.setZone(9);
  CoordPoint plane;
  // Just inside the cell from its south-west corner, which the store holds.
  ASSERT_EQ(model.projectionTable().geodeticToPlane(9, 1, {139.75 + 1e-9, 35.5 + 1e-9, 0.0}, plane),
            1);
  double y = 0, x = 0;
  EXPECT_EQ(points.correctPoint(plane.east, plane.north, y, x), 0);
  EXPECT_EQ(y, plane.east);
  EXPECT_EQ(x, plane.north);
}

TEST_F(CorrectPointTest, correctors_over_one_model_work_side_by_side_as_one_alone) {
  load(modeltest::sampleGrid({5339}));
  // Points scattered over the mesh, so that the caches miss and fill as they go.
  std::vector<CoordPoint> plane;
  for (int i = 0; i < 3000; ++i) {
    const double latitude = 35.0 + 1.0 / 3.0 + (i % 61) / 61.0 * 0.66;
    const double longitude = 139.0 + (i * 7 % 97) / 97.0 * 0.99;
    CoordPoint p;
    ASSERT_EQ(model.projectionTable().geodeticToPlane(9, 1, {longitude, latitude, 0.0}, p), 1);
    plane.push_back(p);
  }
  auto correctAll = [&plane](PointCorrector& corrector) {
    std::vector<double> results;
    for (const CoordPoint& p : plane) {
      double y = 0, x = 0;
      results.push_back(corrector.correctPoint(p.east, p.north, y, x));
      results.push_back(y);
      results.push_back(x);
    }
    return results;
  };
  points.setZone(9);
  const std::vector<double> alone = correctAll(points);

  // Each thread has its own corrector; one of them is in another zone, where nothing corrects.
  std::vector<std::vector<double>> results(4);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&, t] {
      PointCorrector own(model);
      own.setZone(t == 3 ? 0 : 9);
      results[t] = correctAll(own);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < 3; ++t) {
    ASSERT_EQ(results[t].size(), alone.size());
    EXPECT_EQ(std::memcmp(results[t].data(), alone.data(), alone.size() * sizeof(double)), 0) << t;
  }
  for (size_t i = 0; i < plane.size(); ++i) ASSERT_EQ(results[3][3 * i], 0.0);
  EXPECT_GT(points.cellCache().filledCount(), 100);
}

}  // namespace

namespace {

// A grid value "nan" or "inf" reads as a non-finite shift by the atof rules; the points of the
// cells it touches are reported as not corrected instead of being written as garbage.
TEST(CorrectPointNonFiniteTest, a_cell_with_a_non_finite_shift_leaves_the_point_unchanged) {
  testsupport::ScratchFolder scratch;
  const double longitude = 139.8135, latitude = 35.926;
  const int badCode = cellOf(longitude, latitude).meshCode;  // the point's own south-west corner
  for (const char* value : {"nan", "inf", "-inf"}) {
    std::vector<std::string> grid;
    for (int code : modeltest::firstLevelMeshCodes(5339)) {
      std::string line = gridLine(code, 0.5, -0.25);
      if (code == badCode) {
        line = std::to_string(code) + std::string(10 - std::strlen(value), ' ') + value;
      }
      grid.push_back(line);
    }
    CorrectionModel model;
    const std::wstring path = scratch.wide(L"grid.par");
    testsupport::writeBytes(path, parameterFile(grid));
    std::wstring header;
    ASSERT_GT(model.readParameterFile(path, header), 0u);
    PointCorrector points(model);
    points.setZone(9);
    double newLongitude = 0, newLatitude = 0;
    ASSERT_EQ(points.shiftGeodetic(longitude, latitude, newLongitude, newLatitude), 0) << value;
    EXPECT_EQ(newLongitude, longitude);
    EXPECT_EQ(newLatitude, latitude);
    CoordPoint plane;
    ASSERT_EQ(model.projectionTable().geodeticToPlane(9, 1, CoordPoint{longitude, latitude, 0}, plane), 1);
    double y = 1, x = 1;
    EXPECT_EQ(points.correctPoint(plane.east, plane.north, y, x), 0) << value;
    EXPECT_EQ(y, plane.east);
    EXPECT_EQ(x, plane.north);
  }
}

}  // namespace
