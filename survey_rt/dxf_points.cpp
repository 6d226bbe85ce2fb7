#include "dxf_points.h"

#include <vector>

#include "line_search.h"
#include "stop.h"

namespace survey_rt {

std::string_view trim_code(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

bool is_binary_dxf(TextFile& file) {
  constexpr std::string_view kSentinel = "AutoCAD Binary DXF";
  const std::string_view start = peek_bytes(file, kSentinel.size() + 4);
  return start.starts_with(kSentinel) && start.substr(kSentinel.size()).find('\x1a') != std::string_view::npos;
}

namespace {

// The search for one wanted code inside a POINT entity, whose lines are read
// as code and value pairs: 1 when the code line was found (its value line is
// next), 2 when a code 0 ended the entity (consumed), 0 when the file ended.
int find_code_in_entity(TextFile& file, std::string_view code) {
  for (;;) {
    if (at_end_checked(file)) return 0;
    const std::string_view line = trim_code(take_line(file));
    io_check();
    if (line == code) return 1;
    if (line == "0") return 2;
    if (at_end_checked(file)) return 0;
    skip_line(file);  // the value of a code that is not wanted
    io_check();
  }
}

}  // namespace

// Every line that reads POINT starts a point; the lines of its codes are then
// searched for one after the other, each followed by its value. A POINT line
// right after a line that reads 0 (blanks and tabs around it allowed) is an
// entity's type: its lines are then read as pairs of a code line, compared
// without its blanks and tabs, and a value line, and the entity ends at the
// next code 0; a 2D point (no code 30) is at z 0, and a point without its x or
// y is dropped. After any other line (the name of a layer POINT, for
// instance) the search goes on line by line past such lines.
void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point) {
  constexpr std::size_t kNeeded = 2;  // x and y; the codes after them may be left out
  std::vector<double> values(codes.size());
  for (;;) {
    const bool point = find_line(file, "POINT");
    io_check();
    if (!point) return;
    const bool entity = line_before_reads(file, "POINT", "0");
    std::size_t found = 0;
    for (; found < codes.size(); ++found) {
      const int line = entity ? find_code_in_entity(file, trim_code(codes[found])) : find_line(file, codes[found]);
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
