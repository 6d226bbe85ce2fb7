// What must change on a window that shows one screen to make it show another,
// and those changes as VT/ANSI escape sequences. Every platform draws a
// redirected standard output with the same bytes.
#pragma once

#include <string>
#include <vector>

#include "screen.h"

namespace survey_rt {

struct ScreenChanges {
  bool clear = false;  // the whole window is blanked first
  struct Span {
    int col, row, count;  // count cells of the screen from col in row
  };
  std::vector<Span> spans;
  bool cursor = false;  // the cursor is put at the screen's cursor last
};

// The changes from shown to screen, and shown made equal to screen. The whole
// window is cleared and drawn anew when nothing was shown yet, when redraw is
// set, when the screen was cleared, or when its size changed.
ScreenChanges take_changes(Screen& shown, const Screen& screen, bool redraw);

// The changes as escape sequences and text: the cells as UTF-8 when utf8,
// else one byte each.
std::string vt_text(const ScreenChanges& changes, const Screen& screen, bool utf8);

}  // namespace survey_rt
