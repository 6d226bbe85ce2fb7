// Files of x y z records: PM/Points.txt, PM/PointsCl.txt, PM/Out.Dat and the
// like, one point a line, its easting, northing and height first; whatever
// follows them on the line is passed over. Inline: the tools read a record
// in their main loops.
#pragma once

#include <string_view>

#include "stop.h"
#include "text_file.h"

namespace survey_rt {

// Reads the next record; followed by io_check.
inline void read_xyz(TextFile& f, double& x, double& y, double& z) {
  x = read_real(f);
  y = read_real(f);
  z = read_real(f);
  skip_line(f);
  io_check();
}

// Reads the first record of the file at path that f has open at its start,
// then opens the file again, so that the reading loop starts from its first
// record once more; followed by io_check.
inline void read_first_xyz(TextFile& f, std::string_view path, double& x, double& y, double& z) {
  read_xyz(f, x, y, z);
  open_input(f, path);
  io_check();
}

// Writes a record as the point lists written from x y z records are: the
// three numbers with two decimals, a blank between them, then the line end;
// followed by io_check.
inline void write_xyz(TextFile& f, double x, double y, double z) {
  write_fixed(f, x, 0, 2);
  write_char(f, ' ');
  write_fixed(f, y, 0, 2);
  write_char(f, ' ');
  write_fixed(f, z, 0, 2);
  end_line(f);
  io_check();
}

}  // namespace survey_rt
