// The survey folder's grid: PM/Grid.txt, which `utm_points --grid` writes,
// or, without it, the chain's own Transverse Mercator of the parameter line.
//
// PM/Grid.txt holds the grid as it was given, a line each, CR LF:
//   Grid: EPSG:25832
//   Helmert: 598.1 73.7 418.2 0.202 0.045 -2.455 6.7     (only with a shift)
//   Rotation: position-vector                            (only with a shift)
// The words before the colon in any letter case; blank lines are passed over.
//
// For a tool that writes the survey in a GIS format or on a sheet:
//
//   const std::optional<Grid> grid = load_survey_grid("survey_surface");
//   if (grid) { LatLon ll = grid_inverse(*grid, x, y); ... grid->definition.epsg ... }
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "grid.h"

namespace survey_rt {

inline constexpr std::string_view kGridFile = "PM/Grid.txt";

enum class GridFile : std::uint8_t { absent, read, refused };

// Reads PM/Grid.txt: absent when there is no such file (or no PM folder);
// refused, with why ("line 2: ..."), when it does not give a grid. A file
// that cannot be read is the run-time stop, as for every file.
GridFile read_grid_file(GridDefinition& grid, std::string& why);
// Writes the grid's text (and its shift) to PM/Grid.txt; a failure is left
// for io_check.
void write_grid_file(const GridDefinition& grid);

// The false easting and northing of utm_points' own projection: fixed for two
// pairs of meridian and scale (exactly equal), 0 for every other.
void chain_false_origin(double meridian, double scale, double& false_easting, double& false_northing);
// That projection as a grid: Transverse Mercator, latitude of origin 0, the
// parameter line's meridian and scale, chain_false_origin's false easting and
// northing, on the chain's ellipsoid (a 6378137, b 6356752.314). Its name
// says so; it has no text and no EPSG code. Projected through this module it
// agrees with utm_points' own series to under a millimetre within 3 degrees
// of the meridian (that series' pi has ten decimals).
GridDefinition chain_grid(double meridian, double scale);

// The survey folder's grid: PM/Grid.txt when there is one; else the chain's
// own projection of PM/La_Lo_De.txt's parameter line; else (no point list,
// or one whose parameter line cannot be read) none. A PM/Grid.txt that
// gives no grid ends the tool: exit status 1, "tool: PM/Grid.txt, line 2: why".
std::optional<Grid> load_survey_grid(std::string_view tool);

}  // namespace survey_rt
