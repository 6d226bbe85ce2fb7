#include "ascii_grid.h"

#include <cmath>
#include <string>
#include <string_view>

#include "fixed_notation.h"
#include "stop.h"

using namespace survey_rt;

namespace surface {

namespace {

void line(TextFile& f, std::string_view text) {
  write_str(f, text);
  end_line(f);
}

}  // namespace

void write_grid_header(TextFile& f, const Grid& grid) {
  int d = 0;
  while (d < 9 && fixed_value(grid.cell, d) != grid.cell) ++d;
  line(f, "ncols         " + std::to_string(grid.columns));
  line(f, "nrows         " + std::to_string(grid.rows));
  line(f, "xllcorner     " + fixed_text(grid.x0, d));
  line(f, "yllcorner     " + fixed_text(grid.y0, d));
  line(f, "cellsize      " + fixed_text(grid.cell, d));
  line(f, "NODATA_value  -9999");
  io_check();
}

std::int64_t write_grid_row(TextFile& f, std::span<const double> values) {
  std::int64_t with_value = 0;
  for (std::size_t c = 0; c < values.size(); ++c) {
    if (c > 0) write_char(f, ' ');
    if (std::isnan(values[c])) {
      write_str(f, "-9999");
    } else {
      write_fixed(f, values[c], 0, 3);
      ++with_value;
    }
  }
  end_line(f);
  io_check();
  return with_value;
}

}  // namespace surface
