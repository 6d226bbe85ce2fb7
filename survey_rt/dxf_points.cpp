#include "dxf_points.h"

#include <vector>

#include "console.h"

namespace survey_rt {

// Every line that reads POINT starts a point; the lines of its codes are then
// searched for one after the other, each followed by its value.
void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point) {
  std::vector<double> values(codes.size());
  for (;;) {
    const bool point = find_line(file, "POINT");
    io_check();
    if (!point) return;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const bool code = find_line(file, codes[i]);
      io_check();
      if (!code) return;  // the file ended: the incomplete point is dropped
      // The number may stand after blanks; the rest of its line is dropped.
      values[i] = read_real(file);
      skip_line(file);
      io_check();
    }
    on_point(values);
  }
}

}  // namespace survey_rt
