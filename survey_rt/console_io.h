// What the text files need from the console: typed (or piped) input bytes and
// a place for output bytes.
#pragma once

#include <cstddef>

namespace survey_rt {

struct TextFile;

// Appends the next input bytes of the console to f's buffer (a whole typed
// line with its line end, when the standard input is a terminal). Returns false
// at the end of the input; sets the I/O result on a read error.
bool console_fill(TextFile& f);
// Shows bytes written to the console output at the cursor.
void console_emit(const char* text, std::size_t n);
// Sets up the console once (window size, exit guards); idempotent.
void console_start();

#ifdef SURVEY_FUZZ
// Forgets what was read of the standard input, for a tool run again in the
// same process (fuzz builds).
void console_input_reset();
#endif

}  // namespace survey_rt
