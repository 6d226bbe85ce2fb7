// The grid the survey folder's points are in, as the GIS outputs need it:
// its definition for the GeoTIFF's keys and the .prj, and the way from its
// eastings and northings back to WGS 84 for GeoJSON and KML. Without a grid
// of its own the folder's points are in the chain's Transverse Mercator of
// the parameter line of PM/La_Lo_De.txt (its central meridian and scale
// factor, latitude of origin 0, the false easting and northing that
// utm_points derives from them, the ellipsoid a = 6378137 m,
// b = 6356752.314 m).
#pragma once

#include <string>

#include "gis_crs.h"

namespace survey_rt {

struct GisGrid {
  bool known = false;  // false: no file says which grid the points are in
  std::string source;  // the file that told it
  GisCrs crs;
  ToWgs84 to_wgs84;
};

// The survey folder's grid, read from the parameter line of PM/La_Lo_De.txt;
// unknown when that file is missing. A parameter line that is not numbers is
// the run-time stop, as in utm_points.
GisGrid gis_grid();

// The chain's Transverse Mercator of a central meridian and scale factor.
GisCrs chain_tm(double meridian, double scale);

// The inverse of a Transverse Mercator on the ellipsoid (Krüger's series to
// the sixth order in n, as in Karney's "Transverse Mercator with an accuracy
// of a few nanometers", 2011): well under a millimetre within 10 degrees of
// the central meridian.
ToWgs84 inverse_tm(const GisCrs& crs);

}  // namespace survey_rt
