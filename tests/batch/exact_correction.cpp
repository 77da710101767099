// The exact correction of plane points, for the repeat-correction test: each point is converted
// to latitude and longitude by the exact transverse Mercator projection (GeographicLib's
// TransverseMercatorExact: GRS80, scale factor 0.9999 on the central meridian), moved by a
// shift, and converted back to the same zone.
//
// Reads lines of "latitude0 longitude0 y x latitudeShift longitudeShift" from stdin: the zone
// origin in degrees, the plane point (easting y, northing x, metres from the zone origin) and
// the shift in arc-seconds. Writes "y x" of the moved point per line, in metres, with 17
// significant digits.
#include <GeographicLib/TransverseMercatorExact.hpp>

#include <cstdio>

int main() {
  const GeographicLib::TransverseMercatorExact exact(6378137.0, 1 / 298.257222101, 0.9999);
  double lat0, lon0, y, x, latShift, lonShift;
  while (std::scanf("%lf %lf %lf %lf %lf %lf", &lat0, &lon0, &y, &x, &latShift, &lonShift) == 6) {
    // Northing of the zone origin's parallel: plane x counts from it.
    double originEasting = 0, originNorthing = 0;
    exact.Forward(lon0, lat0, lon0, originEasting, originNorthing);
    double lat = 0, lon = 0;
    exact.Reverse(lon0, y, x + originNorthing, lat, lon);
    lat += latShift / 3600.0;
    lon += lonShift / 3600.0;
    double easting = 0, northing = 0;
    exact.Forward(lon0, lat, lon, easting, northing);
    std::printf("%.17g %.17g\n", easting, northing - originNorthing);
  }
  return 0;
}
