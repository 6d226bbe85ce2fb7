// The console screen of the survey tools and the run-time stop.
//
// The screen is a grid of cells with a cursor (columns and rows from 1). What
// the tools write to console_output() lands in that grid; the terminal is
// brought up to date before every wait for input, at every exit, and now and
// then while a tool runs, so a counter rewritten after every record costs no
// terminal output of its own.
#pragma once

#include <cstdint>
#include <string_view>

namespace survey_rt {

void clear_screen();
// Puts the cursor at column x, row y; does nothing when either is 0 or beyond
// the window.
void goto_xy(int x, int y);
int window_width();
int window_height();

// Reads one line from the console and discards it.
void wait_enter();
// Waits for one key without echo; a key without a character gives 0 first and
// its key code at the next call. At the end of a piped input it returns 26.
char read_key();

// The screen lines every tool writes, each followed by io_check: a text and a
// line end; a text at column x, row y; a label and a counter right-aligned in
// width at column x, row y.
void show_line(std::string_view text);
void show_at(int x, int y, std::string_view text);
void show_count(int x, int y, std::string_view label, int count, int width);

// Stops the tool with the run-time error when the I/O result is not 0.
void io_check();
// The pending I/O error code, cleared (0 when the last operation succeeded).
std::uint16_t io_result();
// Ends the tool at once with the exit status code.
[[noreturn]] void halt(int code);
// halt, with a message (and a line end) on the standard error once the
// terminal is given back, so that it stands below the last screen.
[[noreturn]] void halt_with_message(int code, std::string_view message);

}  // namespace survey_rt
