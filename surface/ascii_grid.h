// A grid of values as an ESRI ASCII grid (.asc), the raster every GIS reads:
//   ncols         3
//   nrows         2
//   xllcorner     500.5
//   yllcorner     6000.0
//   cellsize      0.5
//   NODATA_value  -9999
// then the rows from the top (northernmost) down, the values to the
// millimetre separated by one blank, -9999 where a cell has none.
#pragma once

#include <cstdint>
#include <span>

#include "geotiff.h"
#include "surface.h"
#include "text_file.h"

namespace surface {

// The header of grid: the corner and the cell size with the decimals that
// write the cell size exactly (at most nine), so that the grid's cells are
// where the header puts them.
void write_grid_header(survey_rt::TextFile& f, const Grid& grid);

// Where the grid's cells lie, for its GeoTIFF beside the .asc.
inline survey_rt::RasterPlace raster_place(const Grid& grid) {
  return {grid.columns, grid.rows, grid.x0, grid.y0 + grid.rows * grid.cell, grid.cell};
}

// One row of values, NaN for a cell without one; the count of cells with a
// value.
std::int64_t write_grid_row(survey_rt::TextFile& f, std::span<const double> values);

}  // namespace surface
