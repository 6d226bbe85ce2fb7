#include "screen.h"

#include <algorithm>
#include <cstring>

#include "console_text.h"

namespace survey_rt {
namespace {

void scroll_up(Screen& s) {
  std::memmove(s.cells.data(), s.cells.data() + s.width,
               (s.cells.size() - static_cast<std::size_t>(s.width)) * sizeof(char32_t));
  std::fill(s.cells.end() - s.width, s.cells.end(), U' ');
}

void put_byte(Screen& s, unsigned char c) {
  switch (c) {
    case 7: return;
    case 8:
      if (s.x > 1) --s.x;
      return;
    case 9:
      do put_cell(s, U' ');
      while ((s.x - 1) % 8 != 0);
      return;
    case 10: line_feed(s); return;
    case 13: s.x = 1; return;
  }
  put_cell(s, c < 32 ? U' ' : static_cast<char32_t>(c));
}

}  // namespace

void clear_cells(Screen& s) {
  std::fill(s.cells.begin(), s.cells.end(), U' ');
  s.x = 1;
  s.y = 1;
  s.cleared = true;
}

void line_feed(Screen& s) {
  if (s.y == s.height) scroll_up(s);
  else ++s.y;
}

void put_cell(Screen& s, char32_t c) {
  s.at(s.x, s.y) = c;
  if (++s.x > s.width) {
    s.x = 1;
    line_feed(s);
  }
}

void put_text(Screen& s, const char* text, std::size_t n, bool utf8) {
  // Bytes from 32 up to below this one are shown as themselves, one cell each.
  const unsigned plain_end = utf8 ? 0x80 : 0x100;
  for (std::size_t i = 0; i < n; ++i) {
    // Fast path: characters inside the cursor's row, in one go; it must place
    // them as put_cell does. ConsoleScreen.EveryShownWindowIsTheOneOfTheWritingRules
    // checks it.
    {
      int x = s.x;
      const int last = s.width;
      char32_t* const row = &s.at(1, s.y) - 1;  // row[x] is column x
      for (; i < n && x < last; ++i, ++x) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c >= plain_end) break;
        row[x] = c;
      }
      s.x = x;
      if (i == n) break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80 && utf8) {
      put_cell(s, console_char(text, n, i, true));
    } else {
      put_byte(s, c);
    }
  }
}

}  // namespace survey_rt
