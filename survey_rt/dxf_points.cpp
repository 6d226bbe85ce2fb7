#include "dxf_points.h"

#include <string>
#include <vector>

#include "console.h"

namespace survey_rt {
namespace {

// Reads one whole line (at most 255 characters of it are kept).
std::string next_line(TextFile& file) {
  std::string line = read_line(file);
  skip_line(file);
  io_check();
  return line;
}

bool at_end_checked(TextFile& file) {
  const bool end = at_end(file);
  io_check();
  return end;
}

// Reads lines until one equals code; false when the file ends first.
bool find_code(TextFile& file, std::string_view code) {
  for (;;) {
    if (at_end_checked(file)) return false;
    if (next_line(file) == code) return true;
  }
}

}  // namespace

void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point) {
  std::vector<double> values(codes.size());
  do {
    if (next_line(file) == "POINT") {
      for (std::size_t i = 0; i < codes.size(); ++i) {
        if (!find_code(file, codes[i])) return;
        // The number may stand after blanks; the rest of its line is dropped.
        values[i] = read_real(file);
        skip_line(file);
        io_check();
      }
      on_point(values);
    }
  } while (!at_end_checked(file));
}

}  // namespace survey_rt
