// The named grids of `--grid EPSG:n` and `--grid "UTM 35N"`: projected
// systems of the EPSG registry on datums that it takes as equal to WGS 84
// (ETRS89 and its national forms, NAD83, GDA, SIRGAS, JGD2011, ...), each a
// Transverse Mercator or Lambert conic. The rows (epsg_grids.inc) are written
// by make_epsg_grids.py from the registry; docs/utm_points.md lists them.
#pragma once

#include <span>

#include "grid.h"

namespace survey_rt {

struct EpsgGrid {
  int code = 0;
  const char* name = "";   // "ETRS89 / UTM zone 32N"
  const char* datum = "";  // its geographic system, "ETRS89"
  int datum_code = 0;      // 4258
  Projection projection = Projection::transverse_mercator;
  double latitude_of_origin = 0, central_meridian = 0, scale_factor = 1;  // degrees; lcc 2SP: the false origin
  double false_easting = 0, false_northing = 0;                          // metres
  double standard_parallel_1 = 0, standard_parallel_2 = 0;              // degrees, lcc 2SP
  int ellipsoid = 0;  // its EPSG code (ellipsoid.h)
};

// Every named grid, by ascending code.
std::span<const EpsgGrid> epsg_grids();
// The named grid of a code; nullptr when the table has none.
const EpsgGrid* find_epsg_grid(int code);

}  // namespace survey_rt
