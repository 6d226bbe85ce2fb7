#include "dxf_points.h"

#include <vector>

#include "line_search.h"
#include "stop.h"

namespace survey_rt {

// Every line that reads POINT starts a point; the lines of its codes are then
// searched for one after the other, each followed by its value. A POINT line
// right after a line "  0" is an entity's type, and the entity ends at the
// next line "  0": a 2D point (no " 30") is at z 0, and a point without its x
// or y is dropped. After any other line (the name of a layer POINT, for
// instance) the search goes on past such lines.
void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point) {
  constexpr std::string_view kEntityStart = "  0";
  constexpr std::size_t kNeeded = 2;  // x and y; the codes after them may be left out
  std::vector<double> values(codes.size());
  for (;;) {
    const bool point = find_line(file, "POINT");
    io_check();
    if (!point) return;
    const bool entity = line_before_is(file, "POINT", kEntityStart);
    std::size_t found = 0;
    for (; found < codes.size(); ++found) {
      const int line = entity ? find_line(file, codes[found], kEntityStart) : find_line(file, codes[found]);
      io_check();
      if (line == 0) return;  // the file ended: the incomplete point is dropped
      if (line == 2) break;   // the entity ended
      // The number may stand after blanks; the rest of its line is dropped.
      values[found] = read_real(file);
      skip_line(file);
      io_check();
    }
    if (found < kNeeded && found < codes.size()) continue;
    for (std::size_t i = found; i < codes.size(); ++i) values[i] = 0;
    on_point(values);
  }
}

}  // namespace survey_rt
