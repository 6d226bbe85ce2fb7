#include "grid_files.h"

#include <cstdio>

#include "gis_crs.h"

namespace survey_rt {

std::string grid_files_shown(const std::optional<Grid>& grid) {
  return grid ? ", .prj, .tif" : ", .tif (no PM/Grid.txt or PM/La_Lo_De.txt)";
}

void write_prj(const std::string& path, const std::optional<Grid>& grid) {
  if (!grid) {
    remove_old_output(path);
    return;
  }
  write_file(path, [&](TextFile& f) {
    write_str(f, esri_wkt(grid->definition));
    end_line(f);
  });
}

void remove_old_output(std::string_view path) { std::remove(disk_path(path).c_str()); }

}  // namespace survey_rt
