#include "model/mesh_cell.h"

#include <climits>
#include <cmath>

namespace {

// Drops the fraction (toward zero). Values beyond the int range, and NaN, saturate (NaN gives 0)
// instead of being undefined; no point of the correction area comes near them.
int truncateToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

// Integer products and sums that wrap instead of overflowing for absurd digits.
int wrapMultiply(int a, int b) {
  return static_cast<int>(static_cast<unsigned>(a) * static_cast<unsigned>(b));
}

}  // namespace

CellPosition cellOf(double longitude, double latitude) {
  CellPosition p;
  MeshCell& c = p.cell;
  c.latitude1 = truncateToInt(1.5 * latitude);
  c.longitude1 = truncateToInt(longitude - 100.0);
  c.latitude2 = truncateToInt(8.0 * (1.5 * latitude - c.latitude1));
  // The first-level cell's west edge, B + 100, formed as an integer.
  const double westEdge = static_cast<double>(static_cast<long long>(c.longitude1) + 100);
  c.longitude2 = truncateToInt(8.0 * (longitude - westEdge));
  c.latitude3 = truncateToInt(
      10.0 * (12.0 * latitude - static_cast<double>(wrapMultiply(8, c.latitude1)) - c.latitude2));
  c.longitude3 = truncateToInt(10.0 * (8.0 * (longitude - westEdge) - c.longitude2));
  p.v = 120.0 * latitude - static_cast<double>(wrapMultiply(80, c.latitude1)) -
        static_cast<double>(wrapMultiply(10, c.latitude2)) - c.latitude3;
  p.u = 80.0 * (longitude - westEdge) - static_cast<double>(wrapMultiply(10, c.longitude2)) -
        c.longitude3;
  p.meshCode = meshCode(c);
  return p;
}

int meshCode(const MeshCell& c) {
  const unsigned code = static_cast<unsigned>(c.latitude1) * 1000000u +
                        static_cast<unsigned>(c.longitude1) * 10000u +
                        static_cast<unsigned>(c.latitude2) * 1000u +
                        static_cast<unsigned>(c.longitude2) * 100u +
                        static_cast<unsigned>(c.latitude3) * 10u +
                        static_cast<unsigned>(c.longitude3);
  return static_cast<int>(code);
}

int stepNorth(MeshCell& c) {
  c.latitude3 += 1;
  if (c.latitude3 == 10) {
    c.latitude3 = 0;
    c.latitude2 += 1;
    if (c.latitude2 == 8) {
      c.latitude2 = 0;
      c.latitude1 += 1;
    }
  }
  return meshCode(c);
}

int stepEast(MeshCell& c) {
  c.longitude3 += 1;
  if (c.longitude3 == 10) {
    c.longitude3 = 0;
    c.longitude2 += 1;
    if (c.longitude2 == 8) {
      c.longitude2 = 0;
      c.longitude1 += 1;
    }
  }
  return meshCode(c);
}

double bilinear(double u, double v, double southWest, double northWest, double northEast,
                double southEast) {
  return southWest + (southEast - southWest) * u + (northWest - southWest) * v +
         (northEast - southEast - northWest + southWest) * u * v;
}

int inCorrectionArea(double longitude, double latitude) {
  return (longitude >= 120.0 && longitude <= 150.0 && latitude >= 20.0 && latitude <= 50.0) ? 1
                                                                                             : 0;
}
