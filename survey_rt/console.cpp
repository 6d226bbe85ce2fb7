// The console: its state (the window, whether it is a terminal, when it was
// last shown), the way bytes get to and from it, and the operations of
// console.h. The screen's writing rules are in screen.cpp, the texts kept
// aside (and show_count) in counter_cache.cpp, the editing of a typed line in
// line_editor.cpp.
#include "console.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "console_io.h"
#include "counter_cache.h"
#include "line_editor.h"
#include "platform.h"
#include "screen.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {
namespace {

constexpr int kRedrawMs = 40;

Screen screen;
bool started = false;
bool stdout_terminal = false;
bool utf8_console = false;
std::int64_t last_shown_ms = 0;
unsigned writes_since_check = 0;
int pending_key_code = -1;  // the code of a function key, delivered after its 0

// Piped input is read in blocks into one buffer shared by every text file
// open on the console and handed over as much at a time as a file takes. A
// file that read ahead gives back what it did not consume before another one
// reads (console_unread), so none of them holds back lines that another one
// reads next.
struct PipedInput {
  char data[1 << 17];
  std::size_t pos = 0;
  std::size_t len = 0;
  bool eof = false;
  std::string returned;  // bytes given back, handed over before data
} piped;
bool stdin_terminal = false;

void show() {
  cache_put();
  platform::present(screen);
  screen.cleared = false;
  last_shown_ms = platform::now_ms();
}

// On a terminal the window is redrawn now and then while a tool runs, so its
// counters move; redirected output gets the screen at its waits and its end.
void maybe_show() {
  if (!stdout_terminal || ++writes_since_check < 64) return;
  writes_since_check = 0;
  if (platform::now_ms() - last_shown_ms >= kRedrawMs) show();
}

void finish() {
  // The end of main; after a stop or halt, which claimed the end with their
  // own status, this changes nothing.
  platform::begin_exit(0);
  show();
  platform::restore_terminal();
}

// Reads one line from the terminal, echoing and editing it on the screen: the
// text typed, without its line end; false when the input ended first.
bool edit_typed_line(std::string& line) {
  LineEdit edit(utf8_console);
  show();
  platform::keys_on();
  EditStep step = EditStep::more;
  while (step == EditStep::more) {
    platform::Key key;
    if (!platform::read_key(key)) {
      step = EditStep::end_of_input;
      break;
    }
    step = edit_key(edit, screen, key);
    if (step == EditStep::more) show();
  }
  platform::keys_off();
  screen.x = 1;  // Enter, and the end of the input too, move to the next row
  line_feed(screen);
  show();
  line = std::move(edit.line);
  return step == EditStep::enter || !line.empty();
}

}  // namespace

void console_start() {
  if (started) return;
  started = true;
  stdout_terminal = platform::stdout_is_terminal();
  stdin_terminal = platform::stdin_is_terminal();
  utf8_console = platform::console_is_utf8();
  platform::window_size(screen.width, screen.height);
  screen.cells.assign(static_cast<std::size_t>(screen.width * screen.height), U' ');
  cache_start(screen, utf8_console);
  platform::install_exit_guards();
  std::atexit(finish);
}

void console_show_last() {
  if (started) show();
}

void console_maybe_show() { maybe_show(); }

void console_emit(const char* text, std::size_t n) {
  console_start();
  if (!cache_text(text, n)) {
    cache_put();
    put_text(screen, text, n, utf8_console);
  }
  maybe_show();
}

#ifdef SURVEY_FUZZ
void console_input_reset() {
  piped.pos = 0;
  piped.len = 0;
  piped.eof = false;
  piped.returned.clear();
  pending_key_code = -1;
}
#endif

std::uint16_t console_fill(char* to, std::size_t room, std::size_t& got) {
  got = 0;
  if (stdin_terminal) {
    std::string line;
    if (!edit_typed_line(line)) return 0;
    line += "\r\n";
    got = std::min(line.size(), room);
    std::memcpy(to, line.data(), got);
    return 0;
  }
  if (!piped.returned.empty()) {
    got = std::min(piped.returned.size(), room);
    std::memcpy(to, piped.returned.data(), got);
    piped.returned.erase(0, got);
    return 0;
  }
  if (piped.pos == piped.len) {
    if (piped.eof) return 0;
    // The screen is shown before the tool may wait for its input.
    show();
    std::size_t read = 0;
    const std::uint16_t err = platform::read_some(platform::stdin_fd(), piped.data, sizeof piped.data, read);
    piped.pos = 0;
    piped.len = read;
    if (read == 0) {
      piped.eof = true;
      return err;
    }
  }
  got = std::min(piped.len - piped.pos, room);
  std::memcpy(to, piped.data + piped.pos, got);
  piped.pos += got;
  return 0;
}

bool console_unread(const char* bytes, std::size_t n) {
  if (stdin_terminal) return false;
  piped.returned.insert(0, bytes, n);
  return true;
}

void clear_screen() {
  console_start();
  cache_drop();  // what waits for the cells is cleared away too
  clear_cells(screen);
}

void goto_xy(int x, int y) {
  console_start();
  if (x < 1 || y < 1 || x > screen.width || y > screen.height) return;
  cache_open(x, y);
  screen.x = x;
  screen.y = y;
}

int window_width() {
  console_start();
  return screen.width;
}

int window_height() {
  console_start();
  return screen.height;
}

void wait_enter() {
  TextFile& in = console_input();
  read_line(in);
  skip_line(in);
}

char read_key() {
  console_start();
  if (pending_key_code >= 0) {
    const char code = static_cast<char>(pending_key_code);
    pending_key_code = -1;
    return code;
  }
  show();
  if (!platform::stdin_is_terminal()) {
    const int c = take_byte(console_input());
    return c < 0 ? 26 : static_cast<char>(c);
  }
  platform::keys_on();
  platform::Key key;
  const bool got = platform::read_key(key);
  platform::keys_off();
  if (!got) return 26;
  if (key.ch == 0) pending_key_code = key.code;
  return key.ch;
}

std::string read_typed_line() {
  TextFile& in = console_input();
  std::string line = read_line(in);
  skip_line(in);
  io_check();
  return line;
}

double read_typed_real() {
  TextFile& in = console_input();
  const double value = read_real(in);
  skip_line(in);
  io_check();
  return value;
}

std::string ask_name(int y, std::string_view prompt, const std::string& given, std::string_view tool,
                     std::string_view what) {
  show_at(7, y, prompt);
  std::string name = given;
  if (!name.empty()) {
    write_str(console_output(), name);
    io_check();
  } else {
    name = read_typed_line();
  }
  if (name.empty()) {
    show_at(7, y + 6, "No " + std::string(what) + " named: nothing done.");
    show_line("");
    halt_with_message(1, std::string(tool) + ": no " + std::string(what) + " named");
  }
  return name;
}

void show_line(std::string_view text) {
  TextFile& con = console_output();
  write_str(con, text);
  end_line(con);
  io_check();
}

void show_at(int x, int y, std::string_view text) {
  goto_xy(x, y);
  write_str(console_output(), text);
  io_check();
}

}  // namespace survey_rt
