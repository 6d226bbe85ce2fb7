// The GIS files of a grid of heights beside its ESRI ASCII grid
// (Temp/Surface.asc, Temp/Difference.asc): the same cells as a GeoTIFF
// (.tif) and, where the survey's grid is known, its definition as an ESRI
// .prj, so that both grids place themselves in a GIS.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "geotiff.h"
#include "grid.h"
#include "text_file.h"
#include "write_output.h"

namespace survey_rt {

// What the screen says of the files beside stem.asc: ", .prj, .tif", or
// ", .tif" and why there is no .prj.
std::string grid_files_shown(const std::optional<Grid>& grid);

// The .prj of the grid, or none.
void write_prj(const std::string& path, const std::optional<Grid>& grid);

// Removes a file the run does not write this time, so that an older one is
// not taken for this run's; a file that is not there is no fault.
void remove_old_output(std::string_view path);

// stem.prj (or, where the grid is not known, no such file: an older one is
// removed) and stem.tif; rows(put) hands every row of cells, from the north
// down, to put.
template <class Rows>
void write_grid_files(std::string_view stem, const RasterPlace& place, const std::optional<Grid>& grid, Rows rows) {
  const std::string base(stem);
  write_prj(base + ".prj", grid);
  write_file(base + ".tif", [&](TextFile& f) {
    write_geotiff_head(f, place, grid ? &grid->definition : nullptr);
    rows([&](std::span<const double> row) { write_geotiff_row(f, row); });
  });
}

}  // namespace survey_rt
