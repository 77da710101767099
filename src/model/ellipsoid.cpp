#include "model/ellipsoid.h"

namespace {

// The published ellipsoids: Bessel 1841 (a = 6377397.155 m, 1/f = 299.152813) and GRS80
// (a = 6378137 m, 1/f = 298.257222101). f is stored as given; set-up recomputes it.
const Ellipsoid kEllipsoidTable[2] = {
    {6377397.155, 299.152813, 0.0033427731799399794, 0.0, "Bessel"},
    {6378137.0, 298.257222101, 0.003352810681182319, 0.0, "GRS-80"},
};

}  // namespace

const Ellipsoid& ellipsoidRow(int kind) { return kEllipsoidTable[kind]; }

Ellipsoid deriveEllipsoid(const Ellipsoid& row) {
  Ellipsoid derived = row;
  const double inverse = row.inverseFlattening;
  derived.flattening = 1.0 / inverse;
  // e^2 = 2f - f^2, written in the inverse flattening F as ((2F - 1) / F) / F.
  derived.eccentricitySquared = ((2.0 * inverse - 1.0) / inverse) / inverse;
  return derived;
}
