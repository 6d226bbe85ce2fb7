// The console window as the tools see it: a grid of cells and a cursor.
#pragma once

#include <vector>

namespace survey_rt {

struct Screen {
  int width = 80;
  int height = 25;
  std::vector<char32_t> cells;  // row by row, blanks where nothing was written
  int x = 1;                    // cursor column, from 1
  int y = 1;                    // cursor row, from 1
  bool cleared = false;         // the whole window was cleared since it was last shown

  char32_t& at(int col, int row) { return cells[static_cast<std::size_t>((row - 1) * width + (col - 1))]; }
  char32_t at(int col, int row) const { return cells[static_cast<std::size_t>((row - 1) * width + (col - 1))]; }
};

}  // namespace survey_rt
