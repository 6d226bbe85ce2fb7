#include "screen_changes.h"

#include <cstdio>

namespace survey_rt {
namespace {

void put_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void move_to(std::string& out, int col, int row) {
  char seq[32];
  std::snprintf(seq, sizeof seq, "\x1b[%d;%dH", row, col);
  out += seq;
}

}  // namespace

ScreenChanges take_changes(Screen& shown, const Screen& screen, bool redraw) {
  ScreenChanges changes;
  if (shown.cells.empty() || redraw || screen.cleared || shown.width != screen.width ||
      shown.height != screen.height) {
    changes.clear = true;
    shown.width = screen.width;
    shown.height = screen.height;
    shown.cells.assign(screen.cells.size(), U' ');
  }
  for (int row = 1; row <= screen.height; ++row) {
    int first = 0, last = 0;
    for (int col = 1; col <= screen.width; ++col) {
      if (screen.at(col, row) != shown.at(col, row)) {
        if (first == 0) first = col;
        last = col;
      }
    }
    if (first == 0) continue;
    changes.spans.push_back({first, row, last - first + 1});
    for (int col = first; col <= last; ++col) shown.at(col, row) = screen.at(col, row);
  }
  changes.cursor = changes.clear || !changes.spans.empty() || shown.x != screen.x || shown.y != screen.y;
  shown.x = screen.x;
  shown.y = screen.y;
  return changes;
}

std::string vt_text(const ScreenChanges& changes, const Screen& screen, bool utf8) {
  std::string out;
  if (changes.clear) out += "\x1b[H\x1b[2J";
  for (const ScreenChanges::Span& span : changes.spans) {
    move_to(out, span.col, span.row);
    for (int col = span.col; col < span.col + span.count; ++col) {
      const char32_t c = screen.at(col, span.row);
      if (utf8) put_utf8(out, c);
      else out += static_cast<char>(c);
    }
  }
  if (changes.cursor) move_to(out, screen.x, screen.y);
  return out;
}

}  // namespace survey_rt
