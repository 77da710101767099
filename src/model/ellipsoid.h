// Reference ellipsoids of the plane rectangular coordinate system, indexed by the ellipsoid kind.
#pragma once

// Ellipsoid kinds: the index of a row of the ellipsoid table.
enum EllipsoidKind { kBessel = 0, kGrs80 = 1 };

// One reference ellipsoid. The table holds a and 1/f; f and e^2 are derived when a zone
// projection is set up (deriveEllipsoid).
struct Ellipsoid {
  double semiMajorAxis;        // a, metres
  double inverseFlattening;    // 1/f
  double flattening;           // f, recomputed as 1 / (1/f)
  double eccentricitySquared;  // e^2, 0 in the table
  char name[32];               // NUL-terminated; carried along, never read
};

// The row of an ellipsoid kind (0 Bessel 1841, 1 GRS80). `kind` must be 0 or 1.
const Ellipsoid& ellipsoidRow(int kind);

// A copy of the row with f = 1 / F and e^2 = ((2F - 1) / F) / F, F being the inverse flattening.
Ellipsoid deriveEllipsoid(const Ellipsoid& row);
