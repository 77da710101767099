// The zone projections: the published numbers of the series, the zone and kind checks, the
// origins, and the accuracy against an exact transverse Mercator projection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/projection_table.h"
#include "model/zone_origin.h"

#ifdef OSTRAND_HAVE_GEOGRAPHICLIB
#include <GeographicLib/TransverseMercatorExact.hpp>
#endif

namespace {

constexpr double kPi = 3.141592653589793;

std::string scientific(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

const ProjectionTable& table() {
  static const ProjectionTable instance;
  return instance;
}

const ZoneProjection& grs80(int zone) { return table().element(1, zone - 1); }

TEST(projection_test, derived_values_of_the_ellipsoids_and_zone_9) {
  struct Case {
    const char* what;
    double actual;
    double expected;
    double tolerance;
  };
  const ZoneProjection& bessel9 = table().element(0, 8);
  const Case cases[] = {
      {"GRS80 e^2", grs80(9).ellipsoid().eccentricitySquared, 0.006694380022900787, 0.0},
      {"GRS80 e'^2", grs80(9).secondEccentricitySquared(), 0.006739496775478957, 0.0},
      {"GRS80 A", grs80(9).arcCoefficients().a, 1.0050525018131466, 0.0},
      {"GRS80 S0 at 36 deg", grs80(9).originArc(), 3985542.6703, 5e-5},
      {"GRS80 f", grs80(9).ellipsoid().flattening, 0.003352810681182319, 0.0},
      {"Bessel e^2", bessel9.ellipsoid().eccentricitySquared, 0.006674372227347433, 0.0},
      {"Bessel f", bessel9.ellipsoid().flattening, 0.0033427731799399794, 0.0},
      {"zone 9 origin latitude", bessel9.origin().north, 36.0 * kPi / 180.0, 0.0},
      {"zone 9 origin longitude", bessel9.origin().east, (139.0 + 50 / 60.0) * kPi / 180.0, 0.0},
  };
  for (const Case& c : cases) {
    if (c.tolerance == 0.0) {
      EXPECT_EQ(c.actual, c.expected) << c.what;
    } else {
      EXPECT_NEAR(c.actual, c.expected, c.tolerance) << c.what;
    }
  }
}

TEST(projection_test, zone_9_examples_in_both_directions) {
  CoordPoint geodetic;
  double convergence = 0;
  ASSERT_EQ(table().planeToGeodetic(9, 1, {10000.0, 20000.0, 0.0}, geodetic, &convergence), 1);
  EXPECT_NEAR(geodetic.east, 139.9445072848, 1e-10);
  EXPECT_NEAR(geodetic.north, 36.1802104478, 1e-10);
  EXPECT_NEAR(convergence, 0.00114544266, 1e-11);
  CoordPoint plane;
  ASSERT_EQ(table().geodeticToPlane(9, 1, geodetic, plane), 1);
  EXPECT_NEAR(plane.east, 10000.0, 1e-8);
  EXPECT_NEAR(plane.north, 20000.0, 1e-8);

  struct Case {
    int kind;
    double y, x;
  };
  const Case forward[] = {{1, 15120.0601, -55458.8696}, {0, 15118.2551, -55452.9842}};
  for (const Case& c : forward) {
    ASSERT_EQ(table().geodeticToPlane(9, c.kind, {140.0, 35.5, 0.0}, plane), 1);
    EXPECT_NEAR(plane.east, c.y, 5e-5) << "kind " << c.kind;
    EXPECT_NEAR(plane.north, c.x, 5e-5) << "kind " << c.kind;
  }
}

TEST(projection_test, zone_or_kind_out_of_range_fails_and_leaves_the_output) {
  const int cases[][2] = {{0, 1}, {20, 1}, {-1, 1}, {9, 2}, {9, -1}, {0, 0}};
  for (const auto& c : cases) {
    CoordPoint out{7.0, 8.0, 9.0};
    double convergence = 5.0;
    EXPECT_EQ(table().planeToGeodetic(c[0], c[1], {1.0, 2.0, 3.0}, out, &convergence), 0);
    EXPECT_EQ(out.east, 7.0);
    EXPECT_EQ(out.north, 8.0);
    EXPECT_EQ(out.height, 9.0);
    EXPECT_EQ(convergence, 5.0);
    EXPECT_EQ(table().geodeticToPlane(c[0], c[1], {139.0, 35.0, 3.0}, out), 0);
    EXPECT_EQ(out.east, 7.0);
    EXPECT_EQ(out.north, 8.0);
    EXPECT_EQ(out.height, 9.0);
  }
}

TEST(projection_test, origin_of_every_zone_maps_to_its_latitude_and_longitude) {
  for (int zone = 1; zone <= 19; ++zone) {
    for (int kind = 0; kind <= 1; ++kind) {
      const double latitude = toDegrees(zoneOriginRow(zone).latitude);
      const double longitude = toDegrees(zoneOriginRow(zone).longitude);
      CoordPoint geodetic;
      double convergence = 1.0;
      ASSERT_EQ(table().planeToGeodetic(zone, kind, {0.0, 0.0, 0.0}, geodetic, &convergence), 1);
      EXPECT_NEAR(geodetic.north, latitude, 1e-12) << zone;
      EXPECT_NEAR(geodetic.east, longitude, 1e-12) << zone;
      EXPECT_EQ(convergence, 0.0) << zone;
      CoordPoint plane;
      ASSERT_EQ(table().geodeticToPlane(zone, kind, {longitude, latitude, 0.0}, plane), 1);
      EXPECT_NEAR(plane.east, 0.0, 1e-8) << zone;
      EXPECT_NEAR(plane.north, 0.0, 1e-8) << zone;
    }
  }
}

TEST(projection_test, central_meridian_keeps_the_origin_longitude_and_no_convergence) {
  for (double x : {-400000.0, -1234.5, 250000.0}) {
    CoordPoint geodetic;
    double convergence = 1.0;
    ASSERT_EQ(table().planeToGeodetic(9, 1, {0.0, x, 0.0}, geodetic, &convergence), 1);
    EXPECT_DOUBLE_EQ(geodetic.east, 139.0 + 50.0 / 60.0) << x;
    EXPECT_EQ(convergence, 0.0) << x;
  }
}

TEST(projection_test, height_passes_unchanged_in_both_directions) {
  for (double height : {0.0, -12.5, 1234.567, 1e300}) {
    CoordPoint out;
    table().planeToGeodetic(3, 1, {-5000.0, 7000.0, height}, out);
    EXPECT_EQ(out.height, height);
    table().geodeticToPlane(3, 0, {132.0, 36.0, height}, out);
    EXPECT_EQ(out.height, height);
  }
}

TEST(projection_test, plane_geodetic_plane_round_trip_within_1e_5_m_in_every_zone) {
  double worst = 0;
  for (int kind = 0; kind <= 1; ++kind) {
    for (int zone = 1; zone <= 19; ++zone) {
      for (double y = -300000; y <= 300000; y += 25000) {
        for (double x = -400000; x <= 400000; x += 25000) {
          CoordPoint geodetic, plane;
          table().planeToGeodetic(zone, kind, {y, x, 0.0}, geodetic);
          table().geodeticToPlane(zone, kind, geodetic, plane);
          worst = std::max(worst, std::hypot(plane.east - y, plane.north - x));
        }
      }
    }
  }
  EXPECT_LT(worst, 1e-5);
  RecordProperty("max_round_trip_error_m", scientific(worst));
}

// Accuracy of the series against an exact projection, as the largest error in metres over the
// whole extent (|y| <= 300 km, |x| <= 400 km) and near the central meridian (|y| <= 130 km).
struct Accuracy {
  double whole = 0;
  double near = 0;
  void add(double y, double error) {
    whole = std::max(whole, error);
    if (std::fabs(y) <= 130000) near = std::max(near, error);
  }
};

constexpr double kWholeBound = 2e-5;
constexpr double kNearBound = 1e-6;

// Both directions for one exact pair: the series' geodetic -> plane of the exact latitude and
// longitude against the exact plane point, and its plane -> geodetic against the exact latitude
// and longitude (the difference turned into metres on the sphere of radius a).
double seriesError(int zone, double y, double x, double longitude, double latitude) {
  CoordPoint plane, geodetic;
  table().geodeticToPlane(zone, 1, {longitude, latitude, 0.0}, plane);
  const double forward = std::hypot(plane.east - y, plane.north - x);
  table().planeToGeodetic(zone, 1, {y, x, 0.0}, geodetic);
  const double toMetres = 6378137.0 * kPi / 180.0;
  const double inverse =
      std::hypot((geodetic.north - latitude) * toMetres,
                 (geodetic.east - longitude) * toMetres * std::cos(latitude * kPi / 180.0));
  return std::max(forward, inverse);
}

struct ReferencePoint {
  int zone;
  double y, x, longitude, latitude;
};

const ReferencePoint kReference[] = {
#include "projection_reference.inc"
};

TEST(projection_test, series_agrees_with_the_exact_projection_table) {
  Accuracy byZone[20];
  for (const ReferencePoint& p : kReference) {
    byZone[p.zone].add(p.y, seriesError(p.zone, p.y, p.x, p.longitude, p.latitude));
  }
  Accuracy all;
  for (int zone = 1; zone <= 19; ++zone) {
    EXPECT_LT(byZone[zone].whole, kWholeBound) << "zone " << zone;
    EXPECT_LT(byZone[zone].near, kNearBound) << "zone " << zone;
    all.whole = std::max(all.whole, byZone[zone].whole);
    all.near = std::max(all.near, byZone[zone].near);
  }
  // The figures, for the XML report (--gtest_output=xml).
  RecordProperty("max_error_m_whole_extent", scientific(all.whole));
  RecordProperty("max_error_m_within_130_km", scientific(all.near));
  EXPECT_EQ(sizeof kReference / sizeof kReference[0], 19u * 15u * 9u);
}

#ifdef OSTRAND_HAVE_GEOGRAPHICLIB
TEST(projection_test, series_agrees_with_geographiclib_exact_transverse_mercator) {
  const GeographicLib::TransverseMercatorExact exact(6378137.0, 1 / 298.257222101, 0.9999);
  Accuracy all;
  for (int zone = 1; zone <= 19; ++zone) {
    const double lon0 = toDegrees(zoneOriginRow(zone).longitude);
    const double lat0 = toDegrees(zoneOriginRow(zone).latitude);
    double e0 = 0, n0 = 0;
    exact.Forward(lon0, lat0, lon0, e0, n0);
    Accuracy accuracy;
    for (double y = -300000; y <= 300000; y += 10000) {
      for (double x = -400000; x <= 400000; x += 20000) {
        double latitude = 0, longitude = 0;
        exact.Reverse(lon0, y, x + n0, latitude, longitude);
        accuracy.add(y, seriesError(zone, y, x, longitude, latitude));
      }
    }
    EXPECT_LT(accuracy.whole, kWholeBound) << "zone " << zone;
    EXPECT_LT(accuracy.near, kNearBound) << "zone " << zone;
    all.whole = std::max(all.whole, accuracy.whole);
    all.near = std::max(all.near, accuracy.near);
  }
  RecordProperty("max_error_m_whole_extent", scientific(all.whole));
  RecordProperty("max_error_m_within_130_km", scientific(all.near));
}
#endif

}  // namespace
