// The GIS files of a grid of heights beside its ESRI ASCII grid
// (Temp/Surface.asc, Temp/Difference.asc): the same cells as a GeoTIFF
// (.tif) and, where the survey's grid is known, its definition as an ESRI
// .prj, so that both grids place themselves in a GIS. The rows go to the
// GeoTIFF as they go to the .asc, so that a grid is sampled once:
//
//   GridFiles gis;
//   grid_files_begin(gis, "Temp/Surface", place, grid);
//   ... grid_files_row(gis, row) for each row, from the north down ...
//   grid_files_end(gis);
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "geotiff.h"
#include "grid.h"
#include "text_file.h"

namespace survey_rt {

// What the screen says of the files beside stem.asc: ", .prj, .tif", or
// ", .tif" and why there is no .prj.
std::string grid_files_shown(const std::optional<Grid>& grid);

struct GridFiles {
  TextFile tif;
};
// Writes stem.prj where the grid is known and the GeoTIFF's head, both under
// their temporary names (run_outputs.h); a failure is the run-time stop.
void grid_files_begin(GridFiles& files, std::string_view stem, const RasterPlace& place,
                      const std::optional<Grid>& grid);
void grid_files_row(GridFiles& files, std::span<const double> row);
void grid_files_end(GridFiles& files);

}  // namespace survey_rt
