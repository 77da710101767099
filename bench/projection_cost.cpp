// The projection's cost per point, timed with the standard clock alone so that the same program
// runs natively and as a Windows build under Wine: plane -> geodetic, geodetic -> plane, both,
// and the whole point correction (cache hits within one sheet; mostly misses over a first-level
// mesh). Best of several passes over 100 000 points. Run a Release build:
//   build/<tree>/bin/projection_cost            (bench/projection_native_vs_windows runs both)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_grid.h"
#include "model/correction_model.h"

namespace {

constexpr int kPointCount = 100000;
constexpr int kPasses = 7;
constexpr int kZone = 9;  // origin 36 N, 139 deg 50' E

volatile double sink = 0;  // keeps the results alive

// Nanoseconds per point of the fastest of kPasses passes of `pass` over `count` points.
template <typename Pass>
double nanosecondsPerPoint(size_t count, Pass pass) {
  double best = 1e300;
  for (int i = 0; i < kPasses; ++i) {
    const auto start = std::chrono::steady_clock::now();
    pass();
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::nano>(end - start).count());
  }
  return best / static_cast<double>(count);
}

}  // namespace

int main() {
  CorrectionModel model;
  {
    const auto path = writeParameterFile("ostrand_projection_cost_grid.par", {5339, 5340, 5439, 5440});
    std::wstring header;
    if (model.readParameterFile(path.wstring(), header) == 0) {
      std::fprintf(stderr, "the benchmark grid did not load\n");
      return 1;
    }
    std::filesystem::remove(path);
  }
  model.setZone(kZone);
  const ProjectionTable& table = model.projectionTable();

  // One sheet of 3 km by 4 km (about 20 cells), and points scattered over mesh 5339.
  std::mt19937 random(1);
  std::uniform_real_distribution<double> north(-30000.0, -27000.0), east(-6000.0, -2000.0);
  std::vector<CoordPoint> sheet(kPointCount), geodetic(kPointCount), scattered(kPointCount);
  for (CoordPoint& p : sheet) p = {east(random), north(random), 0.0};
  for (int i = 0; i < kPointCount; ++i) table.planeToGeodetic(kZone, 1, sheet[i], geodetic[i]);
  std::uniform_real_distribution<double> latitude(35.0 + 1.0 / 3.0, 36.0 - 1e-9),
      longitude(139.0, 140.0 - 1e-9);
  for (CoordPoint& p : scattered) {
    table.geodeticToPlane(kZone, 1, {longitude(random), latitude(random), 0.0}, p);
  }

  const double toGeodetic = nanosecondsPerPoint(sheet.size(), [&] {
    for (const CoordPoint& p : sheet) {
      CoordPoint g;
      table.planeToGeodetic(kZone, 1, p, g);
      sink = g.north;
    }
  });
  const double toPlane = nanosecondsPerPoint(geodetic.size(), [&] {
    for (const CoordPoint& g : geodetic) {
      CoordPoint p;
      table.geodeticToPlane(kZone, 1, g, p);
      sink = p.north;
    }
  });
  const double both = nanosecondsPerPoint(sheet.size(), [&] {
    for (const CoordPoint& p : sheet) {
      CoordPoint g, q;
      table.planeToGeodetic(kZone, 1, p, g);
      table.geodeticToPlane(kZone, 1, g, q);
      sink = q.north;
    }
  });
  int corrected = 0;
  auto correctAll = [&](const std::vector<CoordPoint>& points) {
    for (const CoordPoint& p : points) {
      double y = 0, x = 0;
      corrected += model.correctPoint(p.east, p.north, y, x);
      sink = x;
    }
  };
  const double inOneSheet = nanosecondsPerPoint(sheet.size(), [&] { correctAll(sheet); });
  const double overAMesh = nanosecondsPerPoint(scattered.size(), [&] { correctAll(scattered); });
  if (corrected != 2 * kPasses * kPointCount) {
    std::fprintf(stderr, "some points were not corrected\n");
    return 1;
  }

  std::printf("projection cost per point (best of %d passes over %d points):\n", kPasses,
              kPointCount);
  std::printf("  plane -> geodetic              %8.1f ns\n", toGeodetic);
  std::printf("  geodetic -> plane              %8.1f ns\n", toPlane);
  std::printf("  both (the projections of one correction) %8.1f ns\n", both);
  std::printf("  correctPoint, one sheet (cache hits)     %8.1f ns\n", inOneSheet);
  std::printf("  correctPoint, over a first-level mesh    %8.1f ns\n", overAMesh);
  return 0;
}
