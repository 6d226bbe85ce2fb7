#include "text_table.h"

#include <algorithm>

#include "stop.h"

namespace survey_rt {

std::vector<std::size_t> column_widths(const std::vector<TextColumn>& columns,
                                       const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    std::size_t w = columns[c].width;
    for (const std::vector<std::string>& row : rows)
      if (c < row.size() && !row[c].empty()) w = std::max(w, row[c].size() + (c > 0 ? 1 : 0));
    widths.push_back(w);
  }
  return widths;
}

void write_table(TextFile& f, const std::vector<TextColumn>& columns,
                 const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::size_t> widths = column_widths(columns, rows);
  for (const std::vector<std::string>& row : rows) {
    std::size_t cells = std::min(row.size(), columns.size());
    while (cells > 0 && row[cells - 1].empty()) --cells;
    std::string line;
    for (std::size_t c = 0; c < cells; ++c) {
      // After the first column a left-aligned cell starts after a blank.
      const std::string cell = c > 0 && !columns[c].right && !row[c].empty() ? " " + row[c] : row[c];
      const std::string blanks(widths[c] - std::min(widths[c], cell.size()), ' ');
      line += columns[c].right ? blanks + cell : cell + blanks;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    write_str(f, line);
    end_line(f);
    io_check();
  }
}

}  // namespace survey_rt
