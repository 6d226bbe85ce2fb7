// The run-time stop, and every other way a tool ends before its main returns.
//
// Every operation on a text file or the console that fails sets the
// process-wide I/O result: an error code, with a text that says where it
// failed. While it is set, every further read or write does nothing (reads
// deliver 0 or nothing). The tools call io_check after every operation, so
// the first failure stops the tool: the last screen is shown, the output
// files are written out, the terminal is given back, and the standard error
// gets
//     Runtime error 2 at $000055B4A129E64C
//       $000055B4A129E64C  open_input: Temp/Raw_Pos.txt: file not found
// and an empty line; the exit status is the error code.
#pragma once

#include <cstdint>
#include <string_view>

namespace survey_rt {

// The error codes of the I/O result. The platform's own codes (errno on
// POSIX) stand for every other failure of the system.
enum : std::uint16_t {
  kFileNotFound = 2,
  kPathNotFound = 3,
  kAccessDenied = 5,
  kFileNotOpen = 103,
  kNotOpenForInput = 104,
  kNotOpenForOutput = 105,
  kInvalidNumber = 106,
};

// The text of an error code; for the platform's other codes, the platform's
// own words ("disk full").
const char* error_text(std::uint16_t code);

namespace stop_detail {
extern std::uint16_t pending;  // the I/O result; read through io_pending()
}

// The pending error code (0 when none); inline, as every read and write asks.
inline std::uint16_t io_pending() { return stop_detail::pending; }
// Sets the I/O result, when none is pending, with where it failed: the
// operation and the place ("Temp/Raw_Pos.txt, line 3", "console", or empty
// when there is none), for the message of the run-time stop.
void io_fail(std::uint16_t code, std::string_view operation, std::string_view place);
// The text of the pending failure ("" when none), e.g.
// "read_real: Temp/Raw_Pos.txt, line 3: invalid numeric format".
const char* io_failure_text();
void io_clear();

// Stops the tool with the run-time error when the I/O result is not 0.
void io_check();
// The pending I/O error code, cleared (0 when the last operation succeeded).
std::uint16_t io_result();

// Ends the tool at once with the exit status code.
[[noreturn]] void halt(int code);
// halt, with a message (and a line end) on the standard error once the
// terminal is given back, so that it stands below the last screen.
[[noreturn]] void halt_with_message(int code, std::string_view message);

// What to undo when the tool ends early (the run-time stop, halt): undo is
// called once the output files are written out, before the process ends.
// One at a time; nullptr for none.
void on_stop(void (*undo)());

}  // namespace survey_rt
