#include "grid_files.h"

#include <cstdio>

#include "gis_crs.h"
#include "stop.h"
#include "write_output.h"

namespace survey_rt {

std::string grid_files_shown(const std::optional<Grid>& grid) {
  return grid ? ", .prj, .tif" : ", .tif (no PM/Grid.txt or PM/La_Lo_De.txt)";
}

void remove_old_output(std::string_view path) { std::remove(disk_path(path).c_str()); }

void grid_files_begin(GridFiles& files, std::string_view stem, const RasterPlace& place,
                      const std::optional<Grid>& grid) {
  const std::string base(stem);
  if (grid) {
    write_file(base + ".prj", [&](TextFile& f) {
      write_str(f, esri_wkt(grid->definition));
      end_line(f);
    });
  } else {
    remove_old_output(base + ".prj");
  }
  create_output(files.tif, base + ".tif");
  io_check();
  write_geotiff_head(files.tif, place, grid ? &grid->definition : nullptr);
}

void grid_files_row(GridFiles& files, std::span<const double> row) { write_geotiff_row(files.tif, row); }

void grid_files_end(GridFiles& files) {
  close_file(files.tif);
  io_check();
}

}  // namespace survey_rt
