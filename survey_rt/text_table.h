// A table of a text report (Temp/Volume.txt and the like): columns that stay
// apart for any figure. Each column is as wide as asked, and wider where a
// cell needs it: a cell of any column after the first always has a blank
// before it, so that no figure ever runs into the one beside it, however
// large. Cells are left- or right-aligned in their column; a row ends after
// its last cell that is not empty, with no blanks after it.
#pragma once

#include <string>
#include <vector>

#include "text_file.h"

namespace survey_rt {

struct TextColumn {
  std::size_t width = 0;  // the least width
  bool right = false;     // right-aligned (figures), else left-aligned
};

// The widths of the columns for these rows: each at least its least width,
// the first at least its widest cell, every other at least its widest cell and
// a blank.
std::vector<std::size_t> column_widths(const std::vector<TextColumn>& columns,
                                       const std::vector<std::vector<std::string>>& rows);

// Writes the rows, a line each (CR LF), in the columns' widths; followed by
// io_check.
void write_table(TextFile& f, const std::vector<TextColumn>& columns,
                 const std::vector<std::vector<std::string>>& rows);

}  // namespace survey_rt
