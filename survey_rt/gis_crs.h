// The coordinate reference system of the survey's grid as the GIS files
// describe it: a projected system known by its EPSG code, or one given by its
// projection's parameters on an ellipsoid (and a datum shift to WGS 84), and
// its ESRI form, the text of a .prj file beside a grid.
#pragma once

#include <functional>
#include <string>

namespace survey_rt {

enum class GisMethod {
  transverse_mercator,  // lat0, lon0, k0, fe, fn
  lambert_1sp,          // Lambert conformal conic, one standard parallel: lat0, lon0, k0, fe, fn
  lambert_2sp,          // two standard parallels lat1, lat2; the false origin lat0, lon0, fe, fn
};

struct GisEllipsoid {
  std::string name;               // "WGS 84", "Bessel 1841"
  int epsg = 0;                   // its EPSG code (7030 ...), 0 when it has none
  double a = 6378137;             // semi-major axis, metres
  double inverse_flattening = 298.257223563;
  double b = 0;                   // semi-minor axis, metres, when it defines the ellipsoid (else 0)
};

struct GisCrs {
  std::string name;     // "WGS 84 / UTM zone 35N"
  int epsg = 0;         // the projected system's code; 0 when given by its parameters
  int geographic_epsg = 0;  // the geographic system the grid is built on, when it has a code (4326 ...)
  std::string datum = "unknown";  // the datum's name ("WGS_1984")
  GisMethod method = GisMethod::transverse_mercator;
  double lat0 = 0, lon0 = 0, k0 = 1, fe = 0, fn = 0;  // degrees, metres
  double lat1 = 0, lat2 = 0;                          // the standard parallels (lambert_2sp), degrees
  GisEllipsoid ellipsoid;
  // The shift from the grid's datum to WGS 84: dx dy dz (m), rx ry rz
  // (arc seconds, position vector convention), ds (ppm); none when false.
  bool shifted = false;
  double to_wgs84[7] = {0, 0, 0, 0, 0, 0, 0};
};

// A place on WGS 84, decimal degrees.
struct LonLat {
  double lon = 0, lat = 0;
};

// The way from the grid's easting and northing (metres) to WGS 84.
using ToWgs84 = std::function<LonLat(double x, double y)>;

// The grid's definition in the ESRI form of well-known text, one line (the
// text of a .prj file).
std::string esri_wkt(const GisCrs& crs);

}  // namespace survey_rt
