// Third-level mesh cells (30" of latitude by 45" of longitude) of the three-level mesh grid, and
// the bilinear interpolation within a cell.
//
// A first-level cell spans 40' of latitude by 1 degree of longitude and divides into 8 x 8
// second-level cells, each of which divides into 10 x 10 third-level cells. A cell's mesh code is
// its six digits run together; a parameter record belongs to the south-west corner of its cell.
#pragma once

struct MeshCell {
  int latitude1 = 0;   // first-level latitude index: latitude * 1.5, truncated
  int longitude1 = 0;  // first-level longitude index: longitude - 100, truncated
  int latitude2 = 0;   // second-level latitude digit, 0 to 7 northward
  int longitude2 = 0;  // second-level longitude digit, 0 to 7 eastward
  int latitude3 = 0;   // third-level latitude digit, 0 to 9 northward
  int longitude3 = 0;  // third-level longitude digit, 0 to 9 eastward
};

inline bool operator==(const MeshCell& a, const MeshCell& b) {
  return a.latitude1 == b.latitude1 && a.longitude1 == b.longitude1 &&
         a.latitude2 == b.latitude2 && a.longitude2 == b.longitude2 &&
         a.latitude3 == b.latitude3 && a.longitude3 == b.longitude3;
}

// A point's cell and its place in it: u eastward, v northward, in units of the cell's width and
// height (both in [0, 1) inside the cell; a point on the south or west edge has 0).
struct CellPosition {
  MeshCell cell;
  int meshCode = 0;
  double u = 0.0;
  double v = 0.0;
};

// The cell that holds the point (longitude, latitude in degrees).
CellPosition cellOf(double longitude, double latitude);

// latitude1 * 1000000 + longitude1 * 10000 + latitude2 * 1000 + longitude2 * 100
// + latitude3 * 10 + longitude3.
int meshCode(const MeshCell& cell);

// Moves the cell one row north (one column east), carrying at 10 and 8; returns its new code.
int stepNorth(MeshCell& cell);
int stepEast(MeshCell& cell);

// sw + (se - sw) u + (nw - sw) v + (ne - se - nw + sw) u v, summed in that order.
double bilinear(double u, double v, double southWest, double northWest, double northEast,
                double southEast);

// 1 when 120 <= longitude <= 150 and 20 <= latitude <= 50 (degrees), else 0.
int inCorrectionArea(double longitude, double latitude);
