#include "grid_files.h"

#include <cstdio>

namespace survey_rt {

std::string grid_files_shown(const GisGrid& grid) {
  return grid.known ? ", .prj, .tif" : ", .tif (no grid known: no PM/La_Lo_De.txt)";
}

void write_prj(const std::string& path, const GisGrid& grid) {
  if (!grid.known) {
    remove_old_output(path);
    return;
  }
  write_file(path, [&](TextFile& f) {
    write_str(f, esri_wkt(grid.crs));
    end_line(f);
  });
}

void remove_old_output(std::string_view path) { std::remove(disk_path(path).c_str()); }

}  // namespace survey_rt
