// The transverse Mercator projection of one zone of the plane rectangular coordinate system on
// one ellipsoid, by the Gauss-Krueger series: scale factor 0.9999 on the central meridian, the
// meridian arc by a series in e^2 up to e^16.
//
// Plane points: east = y (easting, m), north = x (northing, m). Geodetic points at this interface:
// east = longitude, north = latitude, in degrees. Radians inside. The height is copied unchanged.
// Within |y| <= 300 km, |x| <= 400 km of a zone's origin the series agrees with an exact
// transverse Mercator projection to about 1e-5 m (better than 1e-7 m within 130 km of the
// central meridian), and plane -> geodetic -> plane reproduces the input to within 1e-5 m.
#pragma once

#include "common/coord_point.h"
#include "model/ellipsoid.h"

// Meridian-arc coefficients A ... I of the series in e^2 (A includes its leading 1).
struct MeridianArcCoefficients {
  double a, b, c, d, e, f, g, h, i;
};

// The factors of the meridian arc's bracket, I/16, H/14, ..., B/2 and A: they depend only on the
// ellipsoid, so a zone takes each quotient once (the very quotient the bracket would take).
struct MeridianArcFactors {
  double i16, h14, g12, f10, e8, d6, c4, b2, a;
};

// Length of the meridian arc from the equator to latitude `phi` (radians), metres:
// a(1-e^2) * (A phi - B/2 sin 2phi + C/4 sin 4phi - ... + I/16 sin 16phi), the bracket summed from
// the I term down to the A term.
double meridianArc(double phi, double aOneMinusE2, const MeridianArcCoefficients& k);

class ZoneProjection {
 public:
  // Sets up everything that does not depend on the point. `kind` must be 0 or 1; for a zone
  // outside 1 to 19 the origin keeps its previous value.
  void setUp(int zone, int kind);

  // Plane (y, x in metres) -> geodetic (longitude, latitude in degrees). When `convergence` is
  // given it receives the meridian convergence in radians. Always returns 1.
  int planeToGeodetic(const CoordPoint& in, CoordPoint& out, double* convergence = nullptr) const;

  // Geodetic (longitude, latitude in degrees) -> plane (y, x in metres). Always returns 1.
  int geodeticToPlane(const CoordPoint& in, CoordPoint& out) const;

  int zone() const { return zone_; }
  int kind() const { return kind_; }
  const Ellipsoid& ellipsoid() const { return ellipsoid_; }
  const CoordPoint& origin() const { return origin_; }  // radians: east = lambda0, north = phi0
  double aOneMinusE2() const { return aOneMinusE2_; }
  double polarRadius() const { return c_; }
  double secondEccentricitySquared() const { return ePrime2_; }
  const MeridianArcCoefficients& arcCoefficients() const { return arc_; }
  double originArc() const { return s0_; }

 private:
  int zone_ = 0;
  CoordPoint origin_;         // lambda0, phi0 (radians), 0
  int kind_ = 0;
  Ellipsoid ellipsoid_{};     // with f and e^2 derived
  double aOneMinusE2_ = 0.0;  // a (1 - e^2)
  double c_ = 0.0;            // a / sqrt(1 - e^2), polar radius of curvature
  double ePrime2_ = 0.0;      // e'^2 = e^2 / (1 - e^2)
  MeridianArcCoefficients arc_{};
  MeridianArcFactors arcFactors_{};
  double s0_ = 0.0;           // meridian arc from the equator to phi0
  double e2_ = 0.0, e4_ = 0.0, e6_ = 0.0, e8_ = 0.0, e10_ = 0.0, e12_ = 0.0, e14_ = 0.0,
         e16_ = 0.0;

  // Values of the footpoint iteration's first step, which always starts at phi0: computed once
  // here by the very expressions the step would evaluate, so each point skips that work.
  double sinPhi0_ = 0.0, cosPhi0_ = 0.0, w0Pow15_ = 0.0, w0Sqrt_ = 0.0;
};
