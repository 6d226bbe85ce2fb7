// What every fuzz target shares: the run-time stop caught as an exception
// instead of ending the process, the standard error text kept for checking,
// a private scratch folder, and failing loudly when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace survey_fuzz {

// Thrown by the process exit of survey_rt (a run-time stop or halt) in fuzz
// builds; the target catches it where the real program would have ended.
struct ToolExit {
  int code;
};

// Installs the exit and standard error hooks (once).
void install_hooks();
// The standard error text written since the last take_stderr, then cleared.
std::string take_stderr();

// A scratch folder of this process, made once: <tmp>/survey-fuzz-XXXXXX.
const std::string& scratch_dir();

void write_file(const std::string& path, std::string_view bytes);
// The bytes of a file; false when it cannot be read.
bool read_file(const std::string& path, std::string& bytes);
// Removes everything inside folder (not the folder itself).
void empty_folder(const std::string& folder);

// Prints what failed and aborts (libFuzzer then keeps the input).
[[noreturn]] void fail(const std::string& what);
#define FUZZ_CHECK(cond, what)                                  \
  do {                                                          \
    if (!(cond)) ::survey_fuzz::fail(std::string(#cond ": ") + (what)); \
  } while (0)

// Checks the text of a run-time stop with exit status code: "Runtime error
// <code> at $<16 hex digits>", one or more lines "  $<hex>...", an empty line.
void check_stop_message(const std::string& text, int code);

// Printable form of bytes for failure messages.
std::string show(std::string_view bytes, std::size_t limit = 200);

}  // namespace survey_fuzz
