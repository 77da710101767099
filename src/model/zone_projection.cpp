#include "model/zone_projection.h"

#include <cmath>

#include "model/correctly_rounded.h"
#include "model/zone_origin.h"

namespace {

// sin, cos, tan and powers correctly rounded by our own code, so that both builds give the same
// bits (see correctly_rounded.h).
namespace cr = correctly_rounded;

constexpr double kPi = 3.141592653589793;
constexpr double kScale = 0.9999;  // scale factor on the central meridian

// Footpoint iteration: stop when a step changes the latitude by less than this (radians), or
// after this many steps (the last latitude is then used as it stands).
constexpr double kFootpointTolerance = 1e-14;
constexpr int kFootpointMaxSteps = 100;

// Meridian-arc coefficients: the factor of each power of e^2, from e^2 to e^16. Every fraction
// reduces to a power-of-two denominator, so each double is exact.
struct ArcSeries {
  double k[8];  // factors of e^2, e^4, ..., e^16
};
constexpr ArcSeries kArcA = {{3.0 / 4.0, 45.0 / 64.0, 175.0 / 256.0, 11025.0 / 16384.0,
                              43659.0 / 65536.0, 693693.0 / 1048576.0,
                              19324305.0 / 29360128.0, 4927697775.0 / 7516192768.0}};
constexpr ArcSeries kArcB = {{3.0 / 4.0, 15.0 / 16.0, 525.0 / 512.0, 2205.0 / 2048.0,
                              72765.0 / 65536.0, 297297.0 / 262144.0,
                              135270135.0 / 117440512.0, 547521975.0 / 469762048.0}};
constexpr ArcSeries kArcC = {{0.0, 15.0 / 64.0, 105.0 / 256.0, 2205.0 / 4096.0,
                              10395.0 / 16384.0, 1486485.0 / 2097152.0,
                              45090045.0 / 58720256.0, 766530765.0 / 939524096.0}};
constexpr ArcSeries kArcD = {{0.0, 0.0, 35.0 / 512.0, 315.0 / 2048.0, 31185.0 / 131072.0,
                              165165.0 / 524288.0, 45090045.0 / 117440512.0,
                              209053845.0 / 469762048.0}};
constexpr ArcSeries kArcE = {{0.0, 0.0, 0.0, 315.0 / 16384.0, 3465.0 / 65536.0,
                              99099.0 / 1048576.0, 4099095.0 / 29360128.0,
                              348423075.0 / 1879048192.0}};
constexpr ArcSeries kArcF = {{0.0, 0.0, 0.0, 0.0, 693.0 / 131072.0, 9009.0 / 524288.0,
                              4099095.0 / 117440512.0, 26801775.0 / 469762048.0}};
constexpr ArcSeries kArcG = {{0.0, 0.0, 0.0, 0.0, 0.0, 3003.0 / 2097152.0,
                              315315.0 / 58720256.0, 11486475.0 / 939524096.0}};
constexpr ArcSeries kArcH = {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 45045.0 / 117440512.0,
                              765765.0 / 469762048.0}};
constexpr ArcSeries kArcI = {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 765765.0 / 7516192768.0}};
static_assert(sizeof(ArcSeries) == 8 * sizeof(double), "one factor per power e^2 ... e^16");

// Sums a coefficient from its e^16 term down to its lowest term (a coefficient's first term is the
// lowest power with a non-zero factor).
double sumArcSeries(const ArcSeries& series, const double (&powers)[8]) {
  int lowest = 0;
  while (series.k[lowest] == 0.0) ++lowest;
  double sum = series.k[7] * powers[7];
  for (int i = 6; i >= lowest; --i) sum = sum + series.k[i] * powers[i];
  return sum;
}

}  // namespace

double meridianArc(double phi, double aOneMinusE2, const MeridianArcCoefficients& k) {
  // sin 16phi, sin 14phi, ..., sin 2phi, all in one call.
  const double angles[8] = {16.0 * phi, 14.0 * phi, 12.0 * phi, 10.0 * phi,
                            8.0 * phi,  6.0 * phi,  4.0 * phi,  2.0 * phi};
  double s[8];
  cr::sines(angles, s, 8);
  const double bracket = k.i / 16.0 * s[0] - k.h / 14.0 * s[1] + k.g / 12.0 * s[2] -
                         k.f / 10.0 * s[3] + k.e / 8.0 * s[4] - k.d / 6.0 * s[5] +
                         k.c / 4.0 * s[6] - k.b / 2.0 * s[7] + k.a * phi;
  return aOneMinusE2 * bracket;
}

void ZoneProjection::setUp(int zone, int kind) {
  zone_ = zone;
  zoneOrigin(zone, &origin_);
  kind_ = kind;
  ellipsoid_ = deriveEllipsoid(ellipsoidRow(kind));

  e2_ = ellipsoid_.eccentricitySquared;
  e4_ = e2_ * e2_;
  e6_ = e4_ * e2_;
  e8_ = e4_ * e4_;
  e10_ = e8_ * e2_;
  e12_ = e8_ * e4_;
  e14_ = e8_ * e6_;
  e16_ = e8_ * e8_;

  const double a = ellipsoid_.semiMajorAxis;
  aOneMinusE2_ = a * (1.0 - e2_);
  c_ = a / std::sqrt(1.0 - e2_);
  ePrime2_ = e2_ / (1.0 - e2_);

  const double powers[8] = {e2_, e4_, e6_, e8_, e10_, e12_, e14_, e16_};
  arc_.a = sumArcSeries(kArcA, powers) + 1.0;
  arc_.b = sumArcSeries(kArcB, powers);
  arc_.c = sumArcSeries(kArcC, powers);
  arc_.d = sumArcSeries(kArcD, powers);
  arc_.e = sumArcSeries(kArcE, powers);
  arc_.f = sumArcSeries(kArcF, powers);
  arc_.g = sumArcSeries(kArcG, powers);
  arc_.h = sumArcSeries(kArcH, powers);
  arc_.i = sumArcSeries(kArcI, powers);

  s0_ = meridianArc(origin_.north, aOneMinusE2_, arc_);

  // The footpoint iteration always starts at phi0: its first step's trigonometry is fixed.
  const double phi0 = origin_.north;
  cr::sinCos(phi0, sinPhi0_, cosPhi0_);
  const double w0 = 1.0 - e2_ * sinPhi0_ * sinPhi0_;
  w0Pow15_ = cr::powThreeHalves(w0);
  w0Sqrt_ = std::sqrt(w0);
}

int ZoneProjection::planeToGeodetic(const CoordPoint& in, CoordPoint& out,
                                    double* convergence) const {
  const double y = in.east;
  const double x = in.north;
  const double m = s0_ + x / kScale;
  const double yp = y / kScale;

  // Footpoint latitude: Halley's iteration on S(phi) - M from phi0. The first step uses the
  // values set up for phi0 (S(phi0) is S0); they are those the step would compute itself.
  double phi = origin_.north;
  {
    const double d = s0_ - m;
    const double step = 2.0 * d * w0Pow15_ /
                        (3.0 * e2_ * d * sinPhi0_ * cosPhi0_ * w0Sqrt_ - 2.0 * aOneMinusE2_);
    phi = phi + step;
    int steps = 1;
    bool converged = std::fabs(step) < kFootpointTolerance;
    while (!converged && steps < kFootpointMaxSteps) {
      double sinPhi = 0.0, cosPhi = 0.0;
      cr::sinCos(phi, sinPhi, cosPhi);
      const double dn = meridianArc(phi, aOneMinusE2_, arc_) - m;
      const double w = 1.0 - e2_ * sinPhi * sinPhi;
      const double next =
          2.0 * dn * cr::powThreeHalves(w) /
          (3.0 * e2_ * dn * sinPhi * cosPhi * std::sqrt(w) - 2.0 * aOneMinusE2_);
      phi = phi + next;
      ++steps;
      converged = std::fabs(next) < kFootpointTolerance;
    }
  }
  const double phi1 = phi;

  double t = 0.0, cosPhi1 = 0.0;
  cr::tanCos(phi1, t, cosPhi1);
  const double eta2 = ePrime2_ * cosPhi1 * cosPhi1;
  const double n = c_ / std::sqrt(1.0 + eta2);

  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double t6 = t4 * t2;
  const double eta4 = eta2 * eta2;
  const double n2 = n * n;
  const double n4 = n2 * n2;
  const double n6 = n4 * n2;
  const double n8 = n4 * n4;
  const double y2 = yp * yp;
  const double y3 = y2 * yp;
  const double y4 = y2 * y2;
  const double y5 = y4 * yp;
  const double y6 = y4 * y2;
  const double y7 = y6 * yp;
  const double y8 = y4 * y4;

  const double latitudeBracket =
      (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6) / (40320.0 * n8) * y8 -
      (61.0 + 90.0 * t2 + 45.0 * t4 + 107.0 * eta2 - 162.0 * t2 * eta2 - 45.0 * t4 * eta2) /
          (720.0 * n6) * y6 +
      (5.0 + 3.0 * t2 + 6.0 * eta2 - 6.0 * t2 * eta2 - 3.0 * eta4 - 9.0 * t2 * eta4) /
          (24.0 * n4) * y4 -
      (1.0 + eta2) / (2.0 * n2) * y2;
  const double latitude = phi1 + t * latitudeBracket;

  const double longitudeBracket =
      -(61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6) / (5040.0 * n6 * n * cosPhi1) * y7 +
      (5.0 + 28.0 * t2 + 24.0 * t4 + 6.0 * eta2 + 8.0 * t2 * eta2) / (120.0 * n4 * n * cosPhi1) *
          y5 -
      (1.0 + 2.0 * t2 + eta2) / (6.0 * n2 * n * cosPhi1) * y3 + yp / (n * cosPhi1);
  const double longitude = origin_.east + longitudeBracket;

  if (convergence != nullptr) {
    constexpr double kOneFifteenth = 0.06666666666666667;
    constexpr double kOneThird = 0.3333333333333333;
    const double n3 = n2 * n;
    const double n5 = n4 * n;
    *convergence = kOneFifteenth * t * (1.0 + t2) * (2.0 + 3.0 * t2) * y5 / n5 -
                   kOneThird * t * (1.0 + t2 - eta2) * y3 / n3 + t * yp / n;
  }

  out.east = longitude * 180.0 / kPi;
  out.north = latitude * 180.0 / kPi;
  out.height = in.height;
  return 1;
}

int ZoneProjection::geodeticToPlane(const CoordPoint& in, CoordPoint& out) const {
  const double lambda = in.east / 180.0 * kPi;
  const double phi = in.north / 180.0 * kPi;
  const double dl = lambda - origin_.east;

  double t = 0.0, cosPhi = 0.0;
  cr::tanCos(phi, t, cosPhi);
  const double cos2 = cosPhi * cosPhi;
  const double eta2 = ePrime2_ * cos2;
  const double n = c_ / std::sqrt(1.0 + eta2);

  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double t6 = t4 * t2;
  const double eta4 = eta2 * eta2;
  // cos^4 and cos^6 as the powers 2 and 3 of cos^2, correctly rounded: the square is the one
  // rounded product, the cube needs its own rounding.
  const double cos4 = cos2 * cos2;
  const double cos6 = cr::cube(cos2);
  const double dl2 = dl * dl;
  const double dl4 = dl2 * dl2;
  const double dl6 = dl4 * dl2;

  const double northBracket =
      (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6) * cos6 * dl6 / 40320.0 +
      (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2) * cos4 * dl4 / 720.0 +
      (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4) * cos2 * dl2 / 24.0 + 0.5;
  const double x =
      kScale * (n * cos2 * t * dl2 * northBracket + meridianArc(phi, aOneMinusE2_, arc_) - s0_);

  const double eastBracket =
      (61.0 - 479.0 * t2 + 179.0 * t4 - t6) * cos6 * dl6 / 5040.0 +
      (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2) * cos4 * dl4 / 120.0 +
      (1.0 - t2 + eta2) * cos2 * dl2 / 6.0 + 1.0;
  const double y = kScale * n * cosPhi * dl * eastBracket;

  out.east = y;
  out.north = x;
  out.height = in.height;
  return 1;
}
