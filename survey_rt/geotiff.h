// A grid of heights as a GeoTIFF, the raster that every GIS places by
// itself: a baseline TIFF, little-endian and uncompressed, one band of 32-bit
// floats in strips of whole rows from the north down, the no-data value in
// GDAL's tag (42113), the cell size and the north-west corner in the
// ModelPixelScale (33550) and ModelTiepoint (33922) tags, and the grid's
// coordinate system as GeoKeys (34735, with its doubles in 34736 and texts in
// 34737): a named grid by its EPSG code, any other by its projection's
// parameters, ellipsoid and units.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "grid.h"
#include "text_file.h"

namespace survey_rt {

// Where the raster lies: its size in cells, the west and north edges of its
// north-west cell and the cells' size, metres.
struct RasterPlace {
  std::int64_t columns = 0, rows = 0;
  double left = 0, top = 0, cell = 1;
};

// The value of a cell that has none.
constexpr float kTiffNoData = -9999;

// The GeoKeys of a grid as the three GeoTIFF tags hold them: the key
// directory (its header, then one entry of four numbers a key, by key), the
// doubles and the texts ('|' after each) the entries point into.
struct GeoKeys {
  std::vector<std::uint16_t> directory;
  std::vector<double> doubles;
  std::string texts;
};
// The keys of grid; with none, only that the raster's cells are areas.
GeoKeys geokeys_of(const GridDefinition* grid);

// The rows of strips: whole rows of at most 64 KiB (one row when a row is
// longer).
std::int64_t rows_per_strip(std::int64_t columns);

// The file up to its first cell; the rows follow, from the north down, each
// through write_geotiff_row.
void write_geotiff_head(TextFile& f, const RasterPlace& place, const GridDefinition* grid);
// One row: each value as the float nearest to it to the millimetre (the
// ESRI grid's figure), kTiffNoData for NaN.
void write_geotiff_row(TextFile& f, std::span<const double> values);

}  // namespace survey_rt
