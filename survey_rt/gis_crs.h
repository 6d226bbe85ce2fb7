// The survey's grid as the GIS files describe it (grid.h's definition): a
// named grid by its EPSG code, any other by its projection's parameters on
// its ellipsoid, with the shift of its datum to WGS 84; and the ESRI form of
// that, the text of a .prj file beside a grid.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "grid.h"

namespace survey_rt {

// The shift of a grid by its parameters to WGS 84 as GIS files give it:
// dx dy dz (m), rx ry rz (arc seconds) in the position vector convention
// (the rotations of a coordinate-frame shift turned), ds (ppm). All zero for
// a grid without a shift on another ellipsoid than WGS 84's: its latitudes
// and longitudes are the receiver's WGS 84 ones, and the files say so. None
// for a grid on WGS 84 itself (its datum is WGS 84).
std::optional<std::array<double, 7>> shift_to_wgs84(const GridDefinition& grid);

// The datum's name in the files: the named grid's geographic system, else
// "WGS 84" or that of the ellipsoid ("Bessel 1841 datum").
std::string datum_name(const GridDefinition& grid);

// The grid's definition in the ESRI form of well-known text, one line (the
// text of a .prj file).
std::string esri_wkt(const GridDefinition& grid);

}  // namespace survey_rt
