// The console screen of the survey tools: clearing it, placing the cursor,
// the screen lines every tool writes, and what the user types.
//
// The screen is a grid of cells with a cursor (columns and rows from 1;
// screen.h has the writing rules). What the tools write to console_output()
// lands in that grid; the terminal is brought up to date before every wait
// for input, at every exit, and now and then while a tool runs, so a counter
// rewritten after every record costs no terminal output of its own
// (counter_cache.h). Typed lines are edited as line_editor.h says. A failed
// operation stops the tool (stop.h).
#pragma once

#include <string>
#include <string_view>

namespace survey_rt {

void clear_screen();
// Puts the cursor at column x, row y; does nothing when either is 0 or beyond
// the window.
void goto_xy(int x, int y);
int window_width();
int window_height();

// The screen lines every tool writes, each followed by io_check: a text and a
// line end; a text at column x, row y; a label and a counter right-aligned in
// width at column x, row y.
void show_line(std::string_view text);
void show_at(int x, int y, std::string_view text);
void show_count(int x, int y, std::string_view label, int count, int width);

// Reads one line from the console and discards it.
void wait_enter();
// Waits for one key without echo; a key without a character gives 0 first and
// its key code at the next call. At the end of a piped input it returns 26.
char read_key();
// The answers typed at a prompt, each followed by io_check: a line (a name,
// at most 255 characters, its line end consumed), and a number (read_real;
// the rest of its line is dropped).
std::string read_typed_line();
double read_typed_real();

// The file a tool works on, named on its command line (given) or else typed
// at the prompt, which stands at column 7 of row y (the name given is shown
// after it). No name stops the tool: "No <what> named: nothing done." six
// rows below, "<tool>: no <what> named" on the standard error, status 1.
std::string ask_name(int y, std::string_view prompt, const std::string& given, std::string_view tool,
                     std::string_view what);

}  // namespace survey_rt
