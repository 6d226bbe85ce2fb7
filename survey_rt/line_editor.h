// The line editor of typed console input: the keys of one line, echoed into
// the screen's cells at the cursor. Backspace (or the left arrow) takes back
// the last character, Escape the whole line, Enter ends it, Ctrl-D on an empty
// line ends the input. A line holds at most 254 bytes; further keys are
// ignored. Internal to the runtime (console.cpp reads the keys and shows the
// window between them).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform.h"
#include "screen.h"

namespace survey_rt {

struct LineEdit {
  explicit LineEdit(bool utf8_console) : utf8(utf8_console) {}

  bool utf8;         // a UTF-8 console: a character may come in several bytes
  std::string line;  // the bytes typed so far
  // Where each typed character stands, to take it back from the screen.
  struct Typed {
    int x, y;
    std::size_t bytes;
  };
  std::vector<Typed> typed;
  std::string partial;  // the first bytes of a character of several bytes
};

enum class EditStep { more, enter, end_of_input };

// Takes one key: the line and the screen as it leaves them, and whether the
// line goes on, ends (Enter) or the input ends (Ctrl-D on an empty line).
EditStep edit_key(LineEdit& edit, Screen& screen, const platform::Key& key);

}  // namespace survey_rt
