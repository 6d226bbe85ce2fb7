#include "console.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "console_io.h"
#include "io_state.h"
#include "platform.h"
#include "screen.h"
#include "text_file.h"

namespace survey_rt {
namespace {

Screen screen;
bool started = false;
bool stdout_terminal = false;
bool utf8_console = false;
std::int64_t last_shown_ms = 0;
unsigned writes_since_check = 0;
int pending_key_code = -1;

struct PipedInput {
  char data[1 << 16];
  std::size_t pos = 0;
  std::size_t len = 0;
  bool eof = false;
} piped;  // the code of a function key, delivered after its 0

constexpr int kRedrawMs = 40;

// Text written at a place reached by goto_xy is not put into the cells at
// once: counters are rewritten after every record, and only the last text at
// each place counts. Such a piece (plain characters that stay inside their row)
// is kept aside, one piece per place and length, until anything else touches
// the screen or it is shown; then the pieces go into the cells in the order in
// which they were last written, which leaves every cell as writing them at
// once would have left it.
constexpr std::size_t kPieceMax = 48;
constexpr int kPieces = 8;

struct Piece {
  int x = 0, y = 0;  // its first cell
  std::size_t len = 0;
  std::uint64_t order = 0;  // when it was last written
  char text[kPieceMax + 8];  // 8 more bytes to read words across the end
  // A counter of show_count: text holds its label; the number after it, right-
  // aligned in width, is made from count when the piece goes into the cells.
  bool counter = false;
  std::size_t label_len = 0;
  int width = 0;
  int count = 0;
  // The counts whose number is as long as count's: with such a count the
  // counter is found again without counting digits.
  int same_from = 0, same_to = 0;
};

Piece pieces[kPieces];  // pieces[0, piece_count) wait for the cells
int piece_count = 0;
std::uint64_t piece_clock = 0;
Piece run;              // the text written since the last goto_xy
bool run_open = false;  // ... while it can still be kept aside

char32_t decode_high(const char* text, std::size_t n, std::size_t& i);

// The cell of a byte of a piece: on a UTF-8 console a byte from 0x80 on stands
// alone in a piece (no UTF-8 sequence) and is shown as Windows-1251.
char32_t piece_cell(char byte) {
  const unsigned char c = static_cast<unsigned char>(byte);
  if (c < 0x80 || !utf8_console) return c;
  std::size_t i = 0;
  return decode_high(&byte, 1, i);
}

void put_pieces() {
  // At most a few, each put once: in order of their last writing.
  for (int done = 0; done < piece_count; ++done) {
    int next = done;
    for (int i = done + 1; i < piece_count; ++i)
      if (pieces[i].order < pieces[next].order) next = i;
    std::swap(pieces[done], pieces[next]);
    Piece& p = pieces[done];
    if (p.counter) {  // the number as write_int writes it
      char number[16];
      const std::size_t digits =
          static_cast<std::size_t>(std::to_chars(number, number + sizeof number, p.count).ptr - number);
      const std::size_t pad = p.width > 0 && static_cast<std::size_t>(p.width) > digits ? p.width - digits : 0;
      std::memset(p.text + p.label_len, ' ', pad);
      std::memcpy(p.text + p.label_len + pad, number, digits);
    }
    char32_t* const cell = &screen.at(p.x, p.y);
    for (std::size_t i = 0; i < p.len; ++i) cell[i] = piece_cell(p.text[i]);
  }
  piece_count = 0;
}

// The run becomes the piece of its place and length.
void close_run() {
  if (!run_open) return;
  run_open = false;
  if (run.len == 0) return;
  int i = 0;
  while (i < piece_count && (pieces[i].x != run.x || pieces[i].y != run.y || pieces[i].len != run.len))
    ++i;
  if (i == piece_count) {
    if (piece_count == kPieces) {
      put_pieces();
      i = 0;
    }
    ++piece_count;
  }
  pieces[i] = run;
  pieces[i].order = ++piece_clock;
}

// Brings the cells up to date, before anything else reads or writes them.
void put_pending() {
  close_run();
  if (piece_count > 0) put_pieces();
}

// Whether the n bytes at t (with 8 more bytes readable after them) are shown
// in one cell each: none below 32, and on a UTF-8 console none that starts a
// UTF-8 sequence. Eight at a time: a word has no byte below 32 when
// subtracting 32 from each byte borrows nowhere.
bool plain_bytes(const char* t, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  std::uint64_t high = 0;
  for (std::size_t i = 0; i < n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, t + i, 8);
    if (n - i < 8) {  // blanks for the bytes after the text
      const unsigned rest = static_cast<unsigned>(8 * (8 - (n - i)));
      const std::uint64_t keep =
          std::endian::native == std::endian::little ? ~0ULL >> rest : ~0ULL << rest;
      w = (w & keep) | (0x20 * kOnes & ~keep);
    }
    if ((w - 0x20 * kOnes) & ~w & (0x80 * kOnes)) return false;
    high |= w & (0x80 * kOnes);
  }
  if (high == 0 || !utf8_console) return true;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t j = i;
    if (static_cast<unsigned char>(t[i]) >= 0x80 && (decode_high(t, n, j), j != i)) return false;
  }
  return true;
}

// Adds text at the cursor to the open run when it can be kept aside: plain
// characters, one cell each, that end before the row's last column.
bool keep_aside(const char* text, std::size_t n) {
  if (!run_open || run.len + n > kPieceMax || screen.x + static_cast<long>(n) > screen.width)
    return false;
  char* const to = run.text + run.len;
  std::memcpy(to, text, n);
  if (!plain_bytes(to, n)) return false;  // what was copied is no part of the run
  run.len += n;
  run.counter = false;  // (show_count marks its own)
  screen.x += static_cast<int>(n);
  return true;
}

// The characters of the decimal text of n.
std::size_t int_length(int n) {
  static constexpr std::uint32_t kTens[] = {10,      100,      1000,      10000,     100000,
                                           1000000, 10000000, 100000000, 1000000000};
  const std::uint32_t magnitude =
      n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
  std::size_t length = n < 0 ? 2 : 1;
  for (std::uint32_t ten : kTens) {
    if (magnitude < ten) break;
    ++length;
  }
  return length;
}

// The length of count's number right-aligned in width.
std::size_t padded_length(int count, int width) {
  const std::size_t digits = int_length(count);
  return width > 0 && static_cast<std::size_t>(width) > digits ? static_cast<std::size_t>(width) : digits;
}

// The counts [from, to) whose numbers have as many digits as count's; none
// for a negative count.
void same_length_counts(int count, int& from, int& to) {
  from = 1;
  to = 0;
  if (count < 0) return;
  from = 0;
  to = 10;
  while (to <= count && to <= std::numeric_limits<int>::max() / 10) {
    from = to;
    to *= 10;
  }
  if (to <= count) {  // ten digits
    from = to;
    to = std::numeric_limits<int>::max();
  }
}

void show() {
  put_pending();
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

void scroll_up() {
  std::memmove(screen.cells.data(), screen.cells.data() + screen.width,
               (screen.cells.size() - static_cast<std::size_t>(screen.width)) * sizeof(char32_t));
  std::fill(screen.cells.end() - screen.width, screen.cells.end(), U' ');
}

void line_feed() {
  if (screen.y == screen.height) scroll_up();
  else ++screen.y;
}

// Shows one character at the cursor and moves the cursor on.
void put_cell(char32_t c) {
  screen.at(screen.x, screen.y) = c;
  if (++screen.x > screen.width) {
    screen.x = 1;
    line_feed();
  }
}

void put_byte(unsigned char c) {
  switch (c) {
    case 7: return;
    case 8:
      if (screen.x > 1) --screen.x;
      return;
    case 9:
      do put_cell(U' ');
      while ((screen.x - 1) % 8 != 0);
      return;
    case 10: line_feed(); return;
    case 13: screen.x = 1; return;
  }
  put_cell(c < 32 ? U' ' : static_cast<char32_t>(c));
}

// Windows-1251 bytes 0x80 to 0xBF as Unicode (0xC0 to 0xFF are U+0410 to U+044F).
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// The character of the byte text[i] (0x80 or above) on a UTF-8 console: a
// whole UTF-8 sequence (text the user typed, passed through; i moves to its
// last byte), else the byte as Windows-1251, the code page of the tools' own
// Cyrillic texts.
char32_t decode_high(const char* text, std::size_t n, std::size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  const std::size_t len = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (len > 0 && lead < 0xF5 && i + len <= n) {
    char32_t cp = lead & (0x7F >> len);
    std::size_t k = 1;
    for (; k < len; ++k) {
      const unsigned char b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    const char32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (k == len && cp >= least && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
      i += len - 1;
      return cp;
    }
  }
  return lead >= 0xC0 ? static_cast<char32_t>(0x0410 + (lead - 0xC0)) : kCp1251High[lead - 0x80];
}

void finish() {
  show();
  platform::restore_terminal();
}

// Reads one line from the terminal, echoing and editing it on the screen: the
// text typed, without its line end; false when the input ended first.
bool edit_line(std::string& line) {
  // Where each typed character stands, to take it back from the screen.
  struct Typed {
    int x, y;
    std::size_t bytes;
  };
  std::vector<Typed> typed;
  const bool utf8 = platform::console_is_utf8();
  std::string partial;  // the first bytes of a character of several bytes
  auto erase_last = [&] {
    if (typed.empty()) return;
    const Typed t = typed.back();
    typed.pop_back();
    line.resize(line.size() - t.bytes);
    screen.x = t.x;
    screen.y = t.y;
    screen.at(t.x, t.y) = U' ';
  };
  auto echo = [&](char32_t c, std::size_t bytes) {
    if (screen.x == screen.width && screen.y == screen.height) {
      for (Typed& t : typed) --t.y;  // the echo scrolls the window
    }
    typed.push_back({screen.x, screen.y, bytes});
    put_cell(c);
  };
  show();
  platform::keys_on();
  bool ended = false;
  for (;;) {
    platform::Key key;
    if (!platform::read_key(key)) {
      ended = true;
      break;
    }
    const unsigned char c = static_cast<unsigned char>(key.ch);
    if (key.ch == 0) {
      if (key.code == 75) erase_last();  // left arrow
    } else if (c == 13 || c == 10) {
      break;
    } else if (c == 4 && line.empty()) {  // Ctrl-D on an empty line: the end of the input
      ended = true;
      break;
    } else if (c == 8 || c == 127) {
      erase_last();
    } else if (c == 27) {
      while (!typed.empty()) erase_last();
    } else if (c >= 32 && line.size() < 254) {
      if (utf8 && c >= 0x80) {
        partial += static_cast<char>(c);
        const unsigned char lead = static_cast<unsigned char>(partial[0]);
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (partial.size() < need) continue;
        if (line.size() + partial.size() <= 254) {
          char32_t cp = need == 1 ? lead : lead & (0x3F >> (need - 1));
          for (std::size_t i = 1; i < need; ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(partial[i]) & 0x3F);
          line += partial;
          echo(cp, partial.size());
        }
        partial.clear();
      } else {
        line += static_cast<char>(c);
        echo(c, 1);
      }
    }
    show();
  }
  platform::keys_off();
  screen.x = 1;  // Enter, and the end of the input too, move to the next row
  line_feed();
  show();
  return !ended || !line.empty();
}

[[noreturn]] void runtime_stop(const void* where) {
  const std::uint16_t code = io_pending();
  const std::string what = io_failure_text();
  io_clear();
  if (started) show();
  flush_open_outputs();
  platform::restore_terminal();
  char text[700];
  const auto addr = reinterpret_cast<unsigned long long>(where);
  std::snprintf(text, sizeof text, "Runtime error %u at $%016llX\n  $%016llX  %s\n\n", code, addr,
                addr, what.c_str());
  platform::write_stderr(text);
  platform::exit_process(code);
}

}  // namespace

void console_start() {
  if (started) return;
  started = true;
  stdout_terminal = platform::stdout_is_terminal();
  utf8_console = platform::console_is_utf8();
  platform::window_size(screen.width, screen.height);
  screen.cells.assign(static_cast<std::size_t>(screen.width * screen.height), U' ');
  platform::install_exit_guards();
  std::atexit(finish);
}

void console_emit(const char* text, std::size_t n) {
  console_start();
  if (keep_aside(text, n)) {
    maybe_show();
    return;
  }
  put_pending();
  // Bytes from 32 up to below this one are shown as themselves, one cell each.
  const unsigned plain_end = utf8_console ? 0x80 : 0x100;
  for (std::size_t i = 0; i < n; ++i) {
    // The common case, in one go: characters inside the cursor's row.
    {
      int x = screen.x;
      const int last = screen.width;
      char32_t* const row = &screen.at(1, screen.y) - 1;  // row[x] is column x
      for (; i < n && x < last; ++i, ++x) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c >= plain_end) break;
        row[x] = c;
      }
      screen.x = x;
      if (i == n) break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80 && utf8_console) {
      put_cell(decode_high(text, n, i));
    } else {
      put_byte(c);
    }
  }
  maybe_show();
}

#ifdef SURVEY_FUZZ
void console_input_reset() {
  piped.pos = 0;
  piped.len = 0;
  piped.eof = false;
  pending_key_code = -1;
}
#endif

bool console_fill(TextFile& f) {
  if (platform::stdin_is_terminal()) {
    std::string line;
    if (!edit_line(line)) return false;
    line += "\r\n";
    std::memcpy(f.buf + f.len, line.data(), line.size());
    f.len += line.size();
    return true;
  }
  show();
  // Piped input is handed over a line at a time from one buffer shared by
  // every text file open on the console, so none of them holds back lines
  // that another one reads next.
  if (piped.pos == piped.len) {
    if (piped.eof) return false;
    std::size_t got = 0;
    const std::uint16_t err = platform::read_some(platform::stdin_fd(), piped.data, sizeof piped.data, got);
    if (err != 0) io_fail(err, &f, "read");
    piped.pos = 0;
    piped.len = got;
    if (got == 0) {
      piped.eof = true;
      return false;
    }
  }
  const char* start = piped.data + piped.pos;
  std::size_t n = piped.len - piped.pos;
  if (const void* lf = std::memchr(start, '\n', n)) n = static_cast<const char*>(lf) - start + 1;
  n = std::min(n, f.cap - f.len);
  std::memcpy(f.buf + f.len, start, n);
  f.len += n;
  piped.pos += n;
  return true;
}

void clear_screen() {
  console_start();
  run_open = false;  // what waits for the cells is cleared away too
  piece_count = 0;
  std::fill(screen.cells.begin(), screen.cells.end(), U' ');
  screen.x = 1;
  screen.y = 1;
  screen.cleared = true;
}

void goto_xy(int x, int y) {
  console_start();
  if (x < 1 || y < 1 || x > screen.width || y > screen.height) return;
  close_run();
  screen.x = x;
  screen.y = y;
  run_open = true;
  run.x = x;
  run.y = y;
  run.len = 0;
  run.counter = false;
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
    TextFile& in = console_input();
    if (io_pending() != 0 || at_end(in)) return 26;
    const char c = in.buf[in.pos++];
    return c;
  }
  platform::keys_on();
  platform::Key key;
  const bool got = platform::read_key(key);
  platform::keys_off();
  if (!got) return 26;
  if (key.ch == 0) pending_key_code = key.code;
  return key.ch;
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

namespace {

// The piece of the counter at x, y with this label and width, when one waits
// for the cells with a number as long as count's.
Piece* same_counter(int x, int y, std::string_view label, int count, int width) {
  for (int i = 0; i < piece_count; ++i) {
    Piece& p = pieces[i];
    if (p.x != x || p.y != y || !p.counter || p.width != width || p.label_len != label.size())
      continue;
    const bool in_range = count >= p.same_from && count < p.same_to;
    if (!in_range && p.len != label.size() + padded_length(count, width)) continue;
    if (std::memcmp(p.text, label.data(), label.size()) != 0) continue;
    if (!in_range) same_length_counts(count, p.same_from, p.same_to);
    return &p;
  }
  return nullptr;
}

// show_count for a counter that is new, or changes its length, or cannot be
// kept aside.
[[gnu::noinline]] void show_count_slowly(int x, int y, std::string_view label, int count, int width) {
  TextFile& con = console_output();
  goto_xy(x, y);
  // The label and the counter as one piece of text, when it can be kept aside.
  if (io_pending() == 0 && label.size() <= kPieceMax && width <= 16) {
    char text[kPieceMax + 32];
    char number[16];
    const std::size_t digits =
        static_cast<std::size_t>(std::to_chars(number, number + sizeof number, count).ptr - number);
    const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > digits ? width - digits : 0;
    std::memcpy(text, label.data(), label.size());
    std::memset(text + label.size(), ' ', 16);  // the digits are written over what is too many
    std::memcpy(text + label.size() + pad, number, sizeof number);
    const std::size_t n = label.size() + pad + digits;
    if (keep_aside(text, n)) {
      if (run.len == n && run.x == x && run.y == y) {  // the run is this counter alone
        run.counter = true;
        run.label_len = label.size();
        run.width = width;
        run.count = count;
        same_length_counts(count, run.same_from, run.same_to);
      }
      maybe_show();
      io_check();
      return;
    }
  }
  write_str(con, label);
  write_int(con, count, width);
  io_check();
}

}  // namespace

void show_count(int x, int y, std::string_view label, int count, int width) {
  if (started && io_pending() == 0 && x >= 1 && y >= 1 && x <= screen.width && y <= screen.height) {
    // The same counter again, with a number of the same length: only the
    // number changes (it is made when the piece goes into the cells).
    close_run();
    if (Piece* p = same_counter(x, y, label, count, width)) {
      p->count = count;
      p->order = ++piece_clock;
      screen.x = x + static_cast<int>(p->len);
      screen.y = y;
      maybe_show();
      io_check();
      return;
    }
  }
  show_count_slowly(x, y, label, count, width);
}

__attribute__((noinline)) void io_check() {
  if (io_pending() != 0) runtime_stop(__builtin_return_address(0));
}

std::uint16_t io_result() {
  const std::uint16_t code = io_pending();
  io_clear();
  return code;
}

void halt(int code) {
  if (started) show();
  flush_open_outputs();
  platform::restore_terminal();
  platform::exit_process(code);
}

void halt_with_message(int code, std::string_view message) {
  if (started) show();
  flush_open_outputs();
  platform::restore_terminal();
  platform::write_stderr(std::string(message) + "\n");
  platform::exit_process(code);
}

}  // namespace survey_rt
