#include "line_editor.h"

#include "console_text.h"

namespace survey_rt {
namespace {

void erase_last(LineEdit& edit, Screen& screen) {
  if (edit.typed.empty()) return;
  const LineEdit::Typed t = edit.typed.back();
  edit.typed.pop_back();
  edit.line.resize(edit.line.size() - t.bytes);
  screen.x = t.x;
  screen.y = t.y;
  screen.at(t.x, t.y) = U' ';
}

void echo(LineEdit& edit, Screen& screen, char32_t c, std::size_t bytes) {
  edit.typed.push_back({screen.x, screen.y, bytes});
  if (screen.x == screen.width && screen.y == screen.height) {
    for (LineEdit::Typed& t : edit.typed) --t.y;  // the echo scrolls the window, itself too
  }
  put_cell(screen, c);
}

}  // namespace

EditStep edit_key(LineEdit& edit, Screen& screen, const platform::Key& key) {
  constexpr std::size_t kMaxLine = 254;
  const unsigned char c = static_cast<unsigned char>(key.ch);
  if (key.ch == 0) {
    if (key.code == 75) erase_last(edit, screen);  // left arrow
  } else if (c == 13 || c == 10) {
    return EditStep::enter;
  } else if (c == 4 && edit.line.empty()) {
    return EditStep::end_of_input;
  } else if (c == 8 || c == 127) {
    erase_last(edit, screen);
  } else if (c == 27) {
    while (!edit.typed.empty()) erase_last(edit, screen);
  } else if (c >= 32 && edit.line.size() < kMaxLine) {
    // The bytes of a character wait until it is complete, then show as the
    // console shows them when a tool writes them.
    std::string& bytes = edit.partial;
    bytes += static_cast<char>(c);
    if (edit.utf8 && utf8_incomplete(bytes)) return EditStep::more;
    if (edit.line.size() + bytes.size() <= kMaxLine) {
      edit.line += bytes;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t first = i;
        const char32_t shown = console_char(bytes.data(), bytes.size(), i, edit.utf8);
        echo(edit, screen, shown, i - first + 1);
      }
    }
    bytes.clear();
  }
  return EditStep::more;
}

}  // namespace survey_rt
