// The seam between the console (console.cpp) and the text files
// (text_file.cpp, text_file_read.cpp, text_file_write.cpp), and what the stop
// asks of the console. Internal to the runtime.
#pragma once

#include <cstddef>
#include <cstdint>

namespace survey_rt {

struct TextFile;

// From the console to the text files.

// Puts the next input bytes of the console, at most room of them, at to (a
// whole typed line with its line end, when the standard input is a terminal;
// else as many piped bytes as are at hand, a block read when none are);
// got = 0 at the end of the input. Returns 0, or the error code of a failed
// read.
std::uint16_t console_fill(char* to, std::size_t room, std::size_t& got);
// Takes back n input bytes that console_fill handed over and a file did not
// consume, to hand them over again before any other; false (nothing taken)
// when the standard input is a terminal, whose typed lines stay with the file
// that read them.
bool console_unread(const char* bytes, std::size_t n);
// Shows bytes written to the console output at the cursor.
void console_emit(const char* text, std::size_t n);
// Sets up the console once (window size, exit guards); idempotent.
void console_start();
// Shows the last screen, when the console was set up (at a stop or halt).
void console_show_last();
// Shows the window now and then while a tool writes, on a terminal.
void console_maybe_show();

// From the text files to the console: the next byte of the input file f,
// consumed; -1 at its end (byte 26 included) or while an error is pending.
int take_byte(TextFile& f);

#ifdef SURVEY_FUZZ
// Forgets what was read of the standard input, for a tool run again in the
// same process (fuzz builds).
void console_input_reset();
#endif

}  // namespace survey_rt
