#include "grid.h"

#include <cmath>
#include <numbers>

namespace survey_rt {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kAcrossEquator = 10;  // degrees a grid of one hemisphere reaches into the other
constexpr double kMaxOffset = 30;      // degrees of longitude from a Transverse Mercator's meridian

// Whether a Transverse Mercator is a UTM zone's (on any ellipsoid).
bool utm_type(const GridDefinition& d) {
  const double zone = (d.central_meridian + 183) / 6;
  return d.projection == Projection::transverse_mercator && d.scale_factor == 0.9996 &&
         d.false_easting == 500000 && d.latitude_of_origin == 0 &&
         (d.false_northing == 0 || d.false_northing == 10000000) && zone == std::floor(zone) && zone >= 1 &&
         zone <= 60;
}

std::string latitude_words(double lat) {
  const long degrees = std::lround(std::fabs(lat));
  return degrees == 0 ? "0" : std::to_string(degrees) + (lat < 0 ? " S" : " N");
}

}  // namespace

Grid make_grid(const GridDefinition& d) {
  Grid g;
  g.definition = d;
  switch (d.projection) {
    case Projection::transverse_mercator:
      g.tm = transverse_mercator(d.ellipsoid, d.latitude_of_origin, d.central_meridian, d.scale_factor,
                                 d.false_easting, d.false_northing);
      g.max_offset = kMaxOffset;
      if (utm_type(d) && d.false_northing == 0) {
        g.min_latitude = -kAcrossEquator;
        g.max_latitude = 84;
      } else if (utm_type(d)) {
        g.min_latitude = -80;
        g.max_latitude = kAcrossEquator;
      } else {
        g.min_latitude = -80;
        g.max_latitude = 84;
      }
      break;
    case Projection::lambert_conic_1sp:
    case Projection::lambert_conic_2sp:
      g.lcc = d.projection == Projection::lambert_conic_1sp
                  ? lambert_conic_1sp(d.ellipsoid, d.latitude_of_origin, d.central_meridian, d.scale_factor,
                                      d.false_easting, d.false_northing)
                  : lambert_conic_2sp(d.ellipsoid, d.standard_parallel_1, d.standard_parallel_2,
                                      d.latitude_of_origin, d.central_meridian, d.false_easting,
                                      d.false_northing);
      g.min_latitude = g.lcc.n > 0 ? -kAcrossEquator : -89;
      g.max_latitude = g.lcc.n > 0 ? 89 : kAcrossEquator;
      break;
  }
  if (d.helmert) g.shift = helmert(*d.helmert);
  return g;
}

GridXY grid_forward(const Grid& grid, double latitude, double longitude) {
  Geographic p{latitude * kDegree, longitude * kDegree};
  if (grid.definition.helmert)
    p = to_geographic(grid.definition.ellipsoid,
                      helmert_from_wgs84(grid.shift, to_geocentric(wgs84_ellipsoid(), p, 0)));
  return grid.definition.projection == Projection::transverse_mercator ? tm_forward(grid.tm, p)
                                                                       : lcc_forward(grid.lcc, p);
}

LatLon grid_inverse(const Grid& grid, double easting, double northing) {
  const Geographic on_grid = grid.definition.projection == Projection::transverse_mercator
                                 ? tm_inverse(grid.tm, {easting, northing})
                                 : lcc_inverse(grid.lcc, {easting, northing});
  Geographic p = on_grid;
  if (grid.definition.helmert) {
    // The datum height whose WGS 84 height is 0 (the forward's): it moves
    // the WGS 84 position by about a millimetre against the datum's height 0.
    double h = 0;
    for (int i = 0; i < 3; ++i) {
      double wgs84_height = 0;
      p = to_geographic(wgs84_ellipsoid(),
                        helmert_to_wgs84(grid.shift, to_geocentric(grid.definition.ellipsoid, on_grid, h)),
                        &wgs84_height);
      h -= wgs84_height;
    }
  }
  return {p.phi / kDegree, p.lambda / kDegree};
}

bool in_grid_range(const Grid& grid, double latitude, double longitude) {
  if (!(latitude >= grid.min_latitude && latitude <= grid.max_latitude && std::isfinite(longitude)))
    return false;
  if (grid.max_offset == 0) return true;
  return std::fabs(longitude_difference(longitude, grid.definition.central_meridian, 180)) <= grid.max_offset;
}

std::string grid_range_text(const Grid& grid) {
  std::string text =
      "latitudes from " + latitude_words(grid.min_latitude) + " to " + latitude_words(grid.max_latitude);
  if (grid.max_offset != 0)
    text += ", longitudes within " + std::to_string(std::lround(grid.max_offset)) +
            " degrees of the central meridian";
  return text;
}

}  // namespace survey_rt
