// Timings of the correction model: correcting points (cache hits within one sheet, misses over a
// first-level mesh) and loading a large parameter file. Run a Release build:
//   build/<tree>/bin/model_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_grid.h"
#include "model/correction_model.h"
#include "model/point_corrector.h"

namespace {

constexpr int kPointCount = 100000;
constexpr int kZone = 9;  // origin 36 N, 139 deg 50' E

CorrectionModel& loadedModel() {
  static CorrectionModel model;
  static bool loaded = false;
  if (!loaded) {
    const auto path = writeParameterFile("ostrand_model_bench_grid.par", {5339, 5340, 5439, 5440});
    std::wstring header;
    model.readParameterFile(path.wstring(), header);
    std::filesystem::remove(path);
    loaded = true;
  }
  return model;
}

// Seconds per point of CPU time, printed with an SI prefix ("450n" is 450 ns).
void reportTimePerPoint(benchmark::State& state, size_t pointsPerIteration) {
  state.counters["per_point"] = benchmark::Counter(
      static_cast<double>(pointsPerIteration),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void runPoints(benchmark::State& state, const std::vector<CoordPoint>& points) {
  PointCorrector corrector(loadedModel());
  corrector.setZone(kZone);
  int corrected = 0;
  for (auto _ : state) {
    for (const CoordPoint& p : points) {
      double y = 0, x = 0;
      corrected += corrector.correctPoint(p.east, p.north, y, x);
      benchmark::DoNotOptimize(y);
      benchmark::DoNotOptimize(x);
    }
  }
  if (corrected != static_cast<int>(points.size() * state.iterations())) {
    state.SkipWithError("some points were not corrected");
  }
  reportTimePerPoint(state, points.size());
}

// 100 000 points over one sheet of 3 km (north) by 4 km (east): about 20 cells, all cache hits.
void correctPointInOneSheet(benchmark::State& state) {
  std::mt19937 random(1);
  std::uniform_real_distribution<double> north(-30000.0, -27000.0), east(-6000.0, -2000.0);
  std::vector<CoordPoint> points(kPointCount);
  for (CoordPoint& p : points) p = {east(random), north(random), 0.0};
  runPoints(state, points);
}
BENCHMARK(correctPointInOneSheet)->Unit(benchmark::kMillisecond);

// 100 000 points scattered over first-level mesh 5339 (6400 cells, 2000 cached): mostly misses.
void correctPointOverAFirstLevelMesh(benchmark::State& state) {
  CorrectionModel& model = loadedModel();
  std::mt19937 random(2);
  std::uniform_real_distribution<double> latitude(35.0 + 1.0 / 3.0, 36.0 - 1e-9),
      longitude(139.0, 140.0 - 1e-9);
  std::vector<CoordPoint> points(kPointCount);
  for (CoordPoint& p : points) {
    model.projectionTable().geodeticToPlane(kZone, 1, {longitude(random), latitude(random), 0.0}, p);
  }
  runPoints(state, points);
}
BENCHMARK(correctPointOverAFirstLevelMesh)->Unit(benchmark::kMillisecond);

// The geodetic conversions alone, for comparison.
void projectionsOnly(benchmark::State& state) {
  const ProjectionTable& table = loadedModel().projectionTable();
  std::mt19937 random(1);
  std::uniform_real_distribution<double> north(-30000.0, -27000.0), east(-6000.0, -2000.0);
  std::vector<CoordPoint> points(kPointCount);
  for (CoordPoint& p : points) p = {east(random), north(random), 0.0};
  for (auto _ : state) {
    for (const CoordPoint& p : points) {
      CoordPoint g, q;
      table.planeToGeodetic(kZone, 1, p, g);
      table.geodeticToPlane(kZone, 1, g, q);
      benchmark::DoNotOptimize(q);
    }
  }
  reportTimePerPoint(state, points.size());
}
BENCHMARK(projectionsOnly)->Unit(benchmark::kMillisecond);

// Loading a parameter file of 500 000 grid-point lines (78 first-level meshes and a part).
void readParameterFile500k(benchmark::State& state) {
  std::vector<int> firstLevel;
  for (int lat = 50; lat < 60 && firstLevel.size() < 79; ++lat)
    for (int lon = 30; lon < 40 && firstLevel.size() < 79; ++lon) firstLevel.push_back(lat * 100 + lon);
  const auto path = writeParameterFile("ostrand_model_bench_500k.par", firstLevel);
  // Cut the file after 500 000 grid-point lines (16 lines of header and heading before them).
  {
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    for (int n = 0; n < 16 + 500000; ++n) pos = all.find('\n', pos) + 1;
    in.close();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << all.substr(0, pos);
  }
  CorrectionModel model;
  unsigned count = 0;
  for (auto _ : state) {
    std::wstring header;
    count = model.readParameterFile(path.wstring(), header);
    benchmark::DoNotOptimize(count);
  }
  if (count != 500000) state.SkipWithError("the file did not load 500 000 records");
  state.counters["records"] = count;
  std::filesystem::remove(path);
}
BENCHMARK(readParameterFile500k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
