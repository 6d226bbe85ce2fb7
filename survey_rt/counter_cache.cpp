// Why the invariant of counter_cache.h holds. A piece is plain characters,
// one cell each, that end before the last column of their row: putting it
// into the cells touches those cells alone and moves nothing else (no wrap,
// no scroll). A text written again at the same place with the same length
// replaces the piece there, which is what writing both at once leaves in
// those cells. Pieces that overlap are put in the order of their last
// writing. Everything else that touches the cells (a text that is not plain
// or reaches the last column, showing the window, a typed line) first puts
// the pieces in, and clearing the window drops them with the cells.
#include "counter_cache.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "console.h"
#include "console_io.h"
#include "console_text.h"
#include "padding.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {
namespace {

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

Screen* screen = nullptr;
bool utf8 = false;
Piece pieces[kPieces];  // pieces[0, piece_count) wait for the cells
int piece_count = 0;
std::uint64_t piece_clock = 0;
Piece run;              // the text written since the last goto_xy
bool run_open = false;  // ... while it can still be kept aside

// The cell of a byte of a piece: on a UTF-8 console a byte from 0x80 on stands
// alone in a piece (no UTF-8 sequence) and is shown as Windows-1251.
char32_t piece_cell(char byte) {
  std::size_t i = 0;
  return console_char(&byte, 1, i, utf8);
}

// The digits of count right-aligned in width at to; their length.
std::size_t put_count(char* to, int count, int width) {
  char number[16];
  const std::size_t digits =
      static_cast<std::size_t>(std::to_chars(number, number + sizeof number, count).ptr - number);
  const std::size_t pad = padding(width, digits);
  std::memset(to, ' ', pad);
  std::memcpy(to + pad, number, digits);
  return pad + digits;
}

void put_pieces() {
  // At most a few, each put once: in order of their last writing.
  for (int done = 0; done < piece_count; ++done) {
    int next = done;
    for (int i = done + 1; i < piece_count; ++i)
      if (pieces[i].order < pieces[next].order) next = i;
    std::swap(pieces[done], pieces[next]);
    Piece& p = pieces[done];
    if (p.counter) put_count(p.text + p.label_len, p.count, p.width);  // the number as write_int writes it
    char32_t* const cell = &screen->at(p.x, p.y);
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
  if (high == 0 || !utf8) return true;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t j = i;
    if (static_cast<unsigned char>(t[i]) >= 0x80 && (console_char(t, n, j, true), j != i)) return false;
  }
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

// The length of count's number right-aligned in width: its digits, or width.
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

}  // namespace

void cache_start(Screen& s, bool utf8_console) {
  screen = &s;
  utf8 = utf8_console;
}

void cache_open(int x, int y) {
  close_run();
  run_open = true;
  run.x = x;
  run.y = y;
  run.len = 0;
  run.counter = false;
}

bool cache_text(const char* text, std::size_t n) {
  if (!run_open || run.len + n > kPieceMax || screen->x + static_cast<long>(n) > screen->width)
    return false;
  char* const to = run.text + run.len;
  std::memcpy(to, text, n);
  if (!plain_bytes(to, n)) return false;  // what was copied is no part of the run
  run.len += n;
  run.counter = false;  // (cache_counter marks its own)
  screen->x += static_cast<int>(n);
  return true;
}

void cache_put() {
  close_run();
  if (piece_count > 0) put_pieces();
}

void cache_drop() {
  run_open = false;
  piece_count = 0;
}

namespace {

// Keeps a counter written right after goto_xy(x, y) aside: the label and
// count right-aligned in width (as write_str and write_int write them); false
// when it cannot be kept aside.
bool cache_counter(int x, int y, std::string_view label, int count, int width) {
  if (label.size() > kPieceMax || width > 16) return false;
  // The label and the counter as one piece of text.
  char text[kPieceMax + 32];
  std::memcpy(text, label.data(), label.size());
  const std::size_t n = label.size() + put_count(text + label.size(), count, width);
  if (!cache_text(text, n)) return false;
  if (run.len == n && run.x == x && run.y == y) {  // the run is this counter alone
    run.counter = true;
    run.label_len = label.size();
    run.width = width;
    run.count = count;
    same_length_counts(count, run.same_from, run.same_to);
  }
  return true;
}

// show_count for a counter that is new, or changes its length, or cannot be
// kept aside.
[[gnu::noinline]] void show_count_slowly(int x, int y, std::string_view label, int count, int width) {
  goto_xy(x, y);
  if (io_pending() == 0 && cache_counter(x, y, label, count, width)) {
    console_maybe_show();
    io_check();
    return;
  }
  TextFile& con = console_output();
  write_str(con, label);
  write_int(con, count, width);
  io_check();
}

}  // namespace

void show_count(int x, int y, std::string_view label, int count, int width) {
  if (screen != nullptr && io_pending() == 0 && x >= 1 && y >= 1 && x <= screen->width && y <= screen->height) {
    // Fast path: the same counter again, with a number of the same length:
    // only the number changes (it is made when the piece goes into the
    // cells). It must leave the window as show_count_slowly would;
    // ConsoleScreen.EveryShownWindowIsTheOneOfTheWritingRules checks it.
    close_run();
    if (Piece* p = same_counter(x, y, label, count, width)) {
      p->count = count;
      p->order = ++piece_clock;
      screen->x = x + static_cast<int>(p->len);
      screen->y = y;
      console_maybe_show();
      io_check();
      return;
    }
  }
  show_count_slowly(x, y, label, count, width);
}

}  // namespace survey_rt
