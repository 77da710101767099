// Cells of the three-level mesh: the cell and fractions of a point, the neighbours, the bilinear
// interpolation and the correction area.
#include <gtest/gtest.h>

#include "model/mesh_cell.h"

namespace {

MeshCell cellFromCode(int code) {
  return MeshCell{code / 1000000, code / 10000 % 100, code / 1000 % 10,
                  code / 100 % 10, code / 10 % 10, code % 10};
}

TEST(mesh_cell_test, cell_and_fractions_of_a_point) {
  struct Case {
    double longitude, latitude;
    MeshCell cell;
    int code;
    double u, v;
  };
  const Case cases[] = {
      {139.76, 35.51, {53, 39, 2, 6, 1, 0}, 53392610, 0.8, 0.2},
      {139.75, 35.5, {53, 39, 2, 6, 0, 0}, 53392600, 0.0, 0.0},  // on a grid point
      {139.0, 35.0 + 1.0 / 3.0, {53, 39, 0, 0, 0, 0}, 53390000, 0.0, 0.0},
      {150.0, 50.0, {75, 50, 0, 0, 0, 0}, 75500000, 0.0, 0.0},
      {129.99, 33.66, {50, 29, 3, 7, 9, 9}, 50293799, 0.2, 0.2},
  };
  for (const Case& c : cases) {
    const CellPosition p = cellOf(c.longitude, c.latitude);
    EXPECT_EQ(p.cell, c.cell) << c.code;
    EXPECT_EQ(p.meshCode, c.code);
    EXPECT_EQ(meshCode(p.cell), c.code);
    EXPECT_NEAR(p.u, c.u, 1e-9) << c.code;
    EXPECT_NEAR(p.v, c.v, 1e-9) << c.code;
    EXPECT_GE(p.u, 0.0);
    EXPECT_GE(p.v, 0.0);
  }
  // Exactly on a grid point the fractions are exactly 0.
  EXPECT_EQ(cellOf(139.75, 35.5).u, 0.0);
  EXPECT_EQ(cellOf(139.75, 35.5).v, 0.0);
}

TEST(mesh_cell_test, neighbours_carry_into_the_next_mesh) {
  struct Case {
    int from;
    int north;
    int east;
  };
  const Case cases[] = {
      {53392610, 53392620, 53392611},
      {53397496, 54390406, 53397497},
      {53392699, 53393609, 53392790},  // third-level digits carry into the second level
      {53397799, 54390709, 53407090},
  };
  for (const Case& c : cases) {
    MeshCell north = cellFromCode(c.from);
    EXPECT_EQ(stepNorth(north), c.north) << c.from;
    EXPECT_EQ(meshCode(north), c.north);
    MeshCell east = cellFromCode(c.from);
    EXPECT_EQ(stepEast(east), c.east) << c.from;
    EXPECT_EQ(meshCode(east), c.east);
  }
}

TEST(mesh_cell_test, bilinear_meets_the_corners_and_interpolates_between) {
  struct Case {
    double u, v, expected;
  };
  const Case cases[] = {{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 5}, {0.8, 0.2, 2.36}, {0.5, 0.5, 2.75}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(bilinear(c.u, c.v, 1.0, 3.0, 5.0, 2.0), c.expected) << c.u << "," << c.v;
  }
}

TEST(mesh_cell_test, correction_area_includes_its_bounds) {
  struct Case {
    double longitude, latitude;
    int inside;
  };
  const Case cases[] = {{120, 20, 1}, {150, 50, 1}, {135, 35, 1},      {119.9, 35, 0},
                        {150.0001, 35, 0}, {135, 50.1, 0}, {135, 19.99, 0}, {-135, -35, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(inCorrectionArea(c.longitude, c.latitude), c.inside) << c.longitude << "," << c.latitude;
  }
}

}  // namespace
