#include "io_state.h"

#include <cstdio>

#include "platform.h"
#include "text_file.h"

namespace survey_rt {

std::uint16_t io_detail::pending = 0;

namespace {

using io_detail::pending;
char failure[512] = "";

const char* describe(std::uint16_t code) {
  switch (code) {
    case kFileNotFound: return "file not found";
    case kPathNotFound: return "path not found";
    case kAccessDenied: return "access denied";
    case kFileNotOpen: return "file not open";
    case kNotOpenForInput: return "file not open for input";
    case kNotOpenForOutput: return "file not open for output";
    case kInvalidNumber: return "invalid numeric format";
    default: return platform::error_text(code);
  }
}

}  // namespace

void io_fail(std::uint16_t code, const TextFile* f, std::string_view what) {
  if (pending != 0) return;
  pending = code;
  const int w = static_cast<int>(what.size());
  if (f == nullptr) {
    std::snprintf(failure, sizeof failure, "%.*s: %s", w, what.data(), describe(code));
  } else if (f->kind == FileKind::console) {
    std::snprintf(failure, sizeof failure, "%.*s: console: %s", w, what.data(), describe(code));
  } else if (f->mode == FileMode::input && f->eof && f->pos >= f->len) {
    std::snprintf(failure, sizeof failure, "%.*s: %s, at end of file: %s", w, what.data(),
                  f->name.c_str(), describe(code));
  } else if (f->mode == FileMode::input) {
    std::snprintf(failure, sizeof failure, "%.*s: %s, line %ld: %s", w, what.data(),
                  f->name.c_str(), f->line, describe(code));
  } else {
    std::snprintf(failure, sizeof failure, "%.*s: %s: %s", w, what.data(), f->name.c_str(),
                  describe(code));
  }
}

const char* io_failure_text() { return pending != 0 ? failure : ""; }

void io_clear() {
  pending = 0;
  failure[0] = '\0';
}

}  // namespace survey_rt
