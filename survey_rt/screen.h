// The console window as the tools see it: a grid of cells and a cursor, and
// the writing rules that place characters in it. The platform shows it
// (platform::present).
#pragma once

#include <cstddef>
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

// The writing rules. A character takes the cell at the cursor, which moves one
// column right; past the last column it goes to column 1 of the next row.
// Whenever the cursor would leave the bottom row, the window scrolls up by
// one row. CR moves the cursor to column 1, LF one row down, byte 8 one
// column left (not past column 1), a tab to the column after the next
// multiple of 8; byte 7 is not shown, other control bytes show as blanks.

// Every cell blank, the cursor at column 1, row 1.
void clear_cells(Screen& s);
// One character at the cursor, the cursor moved on.
void put_cell(Screen& s, char32_t c);
// The cursor one row down, the window scrolled up at the bottom row.
void line_feed(Screen& s);
// The n bytes of console text at text, at the cursor (console_text.h tells
// the characters of bytes from 0x80 on; utf8: a UTF-8 console).
void put_text(Screen& s, const char* text, std::size_t n, bool utf8);

}  // namespace survey_rt
