// A survey's grid: the plane coordinates in which its points are delivered.
// A projection (Transverse Mercator, or the Lambert conformal conic with one
// or two standard parallels) on an ellipsoid, and, when the grid's datum is
// not taken as WGS 84, the Helmert shift from that datum to WGS 84.
//
// The whole use, for a tool that has the survey folder's grid (survey_grid.h):
//
//   const Grid grid = make_grid(definition);
//   GridXY xy = grid_forward(grid, latitude, longitude);    // WGS 84 degrees to metres
//   LatLon ll = grid_inverse(grid, xy.x, xy.y);             // and back
//   grid.definition.name, .epsg, .projection, .central_meridian, .ellipsoid.a, ...
//
// Forward: the receiver's WGS 84 latitude and longitude, at height 0 on the
// WGS 84 ellipsoid, through the inverse Helmert shift to the grid's datum
// (when there is one; its height there is dropped), then the projection.
// Inverse: the inverse projection, then the WGS 84 point at height 0 whose
// forward gives back the same grid point (the shift is applied with the
// datum height that makes the WGS 84 height 0), so that the two are each
// other's inverse to a fraction of a millimetre with a shift too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ellipsoid.h"
#include "helmert.h"
#include "lambert_conic.h"
#include "transverse_mercator.h"

namespace survey_rt {

enum class Projection : std::uint8_t {
  transverse_mercator,  // EPSG method 9807
  lambert_conic_1sp,    // 9801: one standard parallel (the latitude of origin) with a scale
  lambert_conic_2sp,    // 9802: two standard parallels and a false origin
};

// What a grid is: enough for a title block, an ESRI .prj or GeoTIFF keys.
struct GridDefinition {
  std::string text;        // as given: "UTM 35N", "EPSG:25832", "tm 9 1 3500000 0 Bessel1841"
  std::string name;        // "WGS 84 / UTM zone 35N"; a grid by its parameters: its text
  int epsg = 0;            // the EPSG code of a named grid; 0 otherwise
  std::string datum;       // a named grid's geographic system ("ETRS89"); empty otherwise
  int datum_epsg = 0;      // its EPSG code (4258); 0 otherwise
  Projection projection = Projection::transverse_mercator;
  double latitude_of_origin = 0;  // degrees; of the false origin for lambert_conic_2sp
  double central_meridian = 0;    // degrees; the false origin's longitude for lambert_conic_2sp
  double scale_factor = 1;        // on the central meridian (tm) or the parallel of origin (lcc 1SP)
  double standard_parallel_1 = 0;  // degrees, lambert_conic_2sp only
  double standard_parallel_2 = 0;
  double false_easting = 0;   // metres
  double false_northing = 0;  // metres
  Ellipsoid ellipsoid;
  std::optional<HelmertParameters> helmert;  // from the grid's datum to WGS 84
  std::string helmert_text;                  // the seven numbers as given
};

struct LatLon {
  double latitude = 0;   // decimal degrees, WGS 84
  double longitude = 0;
};

// A grid ready to project.
struct Grid {
  GridDefinition definition;
  TransverseMercator tm;  // for transverse_mercator
  LambertConic lcc;       // for the Lambert conics
  Helmert shift;          // when definition.helmert
  // Where the grid makes sense (in_grid_range): latitudes from min_latitude
  // to max_latitude, and for Transverse Mercator longitudes at most
  // max_offset degrees from the central meridian (0: any).
  double min_latitude = -90, max_latitude = 90, max_offset = 0;
};

Grid make_grid(const GridDefinition& definition);

// WGS 84 latitude and longitude (degrees) to easting and northing (metres).
GridXY grid_forward(const Grid& grid, double latitude, double longitude);
// Easting and northing to WGS 84 latitude and longitude.
LatLon grid_inverse(const Grid& grid, double easting, double northing);

// Whether a WGS 84 position lies where the grid makes sense:
//   UTM-type Transverse Mercator (k0 0.9996, FE 500000, FN 0 or 10000000 on a
//   zone's meridian): its hemisphere up to 84 N or 80 S, and up to 10 degrees
//   across the equator; any other Transverse Mercator: 80 S to 84 N; either,
//   within 30 degrees of longitude of the central meridian (beyond, a wrong
//   grid; at 90 degrees the projection ends);
//   Lambert conic: its cone's hemisphere up to 89 degrees, and up to 10
//   degrees across the equator.
// Not a finite number: outside.
bool in_grid_range(const Grid& grid, double latitude, double longitude);
// That range in words: "latitudes from 10 S to 84 N, longitudes within 30
// degrees of the central meridian".
std::string grid_range_text(const Grid& grid);

}  // namespace survey_rt
