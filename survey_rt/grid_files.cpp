#include "grid_files.h"

#include "gis_crs.h"
#include "run_outputs.h"
#include "write_output.h"

namespace survey_rt {

std::string grid_files_shown(const std::optional<Grid>& grid) {
  return grid ? ", .prj, .tif" : ", .tif (no PM/Grid.txt or PM/La_Lo_De.txt)";
}

void grid_files_begin(GridFiles& files, std::string_view stem, const RasterPlace& place,
                      const std::optional<Grid>& grid) {
  const std::string base(stem);
  if (grid) {
    write_file(base + ".prj", [&](TextFile& f) {
      write_str(f, esri_wkt(grid->definition));
      end_line(f);
    });
  }
  create_run_output(files.tif, base + ".tif");
  write_geotiff_head(files.tif, place, grid ? &grid->definition : nullptr);
}

void grid_files_row(GridFiles& files, std::span<const double> row) { write_geotiff_row(files.tif, row); }

void grid_files_end(GridFiles& files) {
  close_run_output(files.tif);
}

}  // namespace survey_rt
