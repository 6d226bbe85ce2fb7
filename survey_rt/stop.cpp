#include "stop.h"

#include <cstdio>
#include <string>

#include "console_io.h"
#include "platform.h"
#include "text_file.h"

namespace survey_rt {

std::uint16_t stop_detail::pending = 0;

namespace {

using stop_detail::pending;
char failure[512] = "";
void (*undo_at_stop)() = nullptr;

// The end of the process claimed with its status (begin_exit), the last
// screen shown, the output files written out, the terminal as it was, and
// what the tool asked to undo.
void leave(int status) {
  platform::begin_exit(status);
  console_show_last();
  flush_open_outputs();
  platform::restore_terminal();
  if (undo_at_stop != nullptr) undo_at_stop();
}

[[noreturn]] void runtime_stop(const void* where) {
  const std::uint16_t code = pending;
  const std::string what = failure;
  io_clear();
  leave(code);
  char text[700];
  const auto addr = reinterpret_cast<unsigned long long>(where);
  std::snprintf(text, sizeof text, "Runtime error %u at $%016llX\n  $%016llX  %s\n\n", code, addr,
                addr, what.c_str());
  platform::write_stderr(text);
  platform::exit_process(code);
}

}  // namespace

const char* error_text(std::uint16_t code) {
  switch (code) {
    case kFileNotFound: return "file not found";
    case kPathNotFound: return "path not found";
    case kAccessDenied: return "access denied";
    case kFileNotOpen: return "file not open";
    case kNotOpenForInput: return "file not open for input";
    case kNotOpenForOutput: return "file not open for output";
    case kInvalidNumber: return "invalid numeric format";
    default: return platform::error_text(code);  // the system's own words
  }
}

void io_fail(std::uint16_t code, std::string_view operation, std::string_view place) {
  if (pending != 0) return;
  pending = code;
  std::snprintf(failure, sizeof failure, "%.*s: %.*s%s%s", static_cast<int>(operation.size()),
                operation.data(), static_cast<int>(place.size()), place.data(), place.empty() ? "" : ": ",
                error_text(code));
}

const char* io_failure_text() { return pending != 0 ? failure : ""; }

void io_clear() {
  pending = 0;
  failure[0] = '\0';
}

// Not inlined: the message tells the address it returns to, in the tool.
__attribute__((noinline)) void io_check() {
  if (pending != 0) runtime_stop(__builtin_return_address(0));
}

std::uint16_t io_result() {
  const std::uint16_t code = pending;
  io_clear();
  return code;
}

void halt(int code) {
  leave(code);
  platform::exit_process(code);
}

void halt_with_message(int code, std::string_view message) {
  leave(code);
  platform::write_stderr(std::string(message) + "\n");
  platform::exit_process(code);
}

void on_stop(void (*undo)()) { undo_at_stop = undo; }

}  // namespace survey_rt
