// Writes a small GeoTIFF and a .prj of one grid, for the GIS test to read
// with GDAL:
//   gis_crs_files FOLDER NAME GRID [HELMERT ROTATION]
// writes FOLDER/NAME.tif (3 x 2 cells of 10 m, the north-west corner at
// 500000 4700000) and FOLDER/NAME.prj of the grid given as utm_points takes
// it; a grid that is not read: exit status 1 and why.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geotiff.h"
#include "gis_crs.h"
#include "grid_text.h"
#include "run_outputs.h"
#include "write_output.h"

using namespace survey_rt;

int main(int argc, char** argv) {
  if (argc != 4 && argc != 6) return 2;
  GridDefinition grid;
  std::string why;
  if (!parse_shifted_grid(argv[3], argc == 6 ? argv[4] : "", argc == 6 ? argv[5] : "", grid, why)) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  const std::string stem = std::string(argv[1]) + "/" + argv[2];
  const std::vector<double> row = {-5.25, -6.5, NAN};
  write_file(stem + ".tif", [&](TextFile& f) {
    write_geotiff_head(f, {3, 2, 500000, 4700000, 10}, &grid);
    write_geotiff_row(f, row);
    write_geotiff_row(f, row);
  });
  write_file(stem + ".prj", [&](TextFile& f) {
    write_str(f, esri_wkt(grid));
    end_line(f);
  });
  finish_outputs();
  return 0;
}
