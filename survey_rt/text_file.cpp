#include "text_file.h"

#include <charconv>
#include <cstring>

#include "console_io.h"
#include "io_state.h"
#include "numbers.h"
#include "platform.h"

namespace survey_rt {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kMaxToken = 255;
constexpr char kEndOfFile = 26;

TextFile* open_outputs = nullptr;

void link_output(TextFile& f) {
  f.next_open = open_outputs;
  open_outputs = &f;
}

void unlink_output(TextFile& f) {
  for (TextFile** p = &open_outputs; *p != nullptr; p = &(*p)->next_open) {
    if (*p == &f) {
      *p = f.next_open;
      break;
    }
  }
  f.next_open = nullptr;
}

void ensure_buffer(TextFile& f) {
  if (f.buf == nullptr) {
    f.buf = new char[kBufferSize];
    f.cap = kBufferSize;
  }
  f.pos = 0;
  f.len = 0;
  f.eof = false;
  f.cr_seen = false;
  f.line = 1;
}

// Writes out the buffered output bytes; the I/O result tells a failure.
void flush_output(TextFile& f) {
  if (f.len == 0 || f.kind == FileKind::console) return;
  const std::uint16_t err = platform::write_all(f.fd, f.buf, f.len);
  f.len = 0;
  if (err != 0) io_fail(err, &f, "write");
}

// Reads more input into the buffer, keeping the bytes from keep on (moved to
// the front; keep is updated). False when nothing more could be read.
bool more(TextFile& f, std::size_t& keep) {
  if (f.eof) return false;
  if (keep > 0) {
    std::memmove(f.buf, f.buf + keep, f.len - keep);
    f.len -= keep;
    f.pos -= keep;
    keep = 0;
  }
  if (f.kind == FileKind::console) {
    if (!console_fill(f)) f.eof = true;
    return !f.eof;
  }
  std::size_t got = 0;
  const std::uint16_t err = platform::read_some(f.fd, f.buf + f.len, f.cap - f.len, got);
  if (err != 0) {
    io_fail(err, &f, "read");
    f.eof = true;
    return false;
  }
  if (got == 0) f.eof = true;
  f.len += got;
  return got > 0;
}

// The next byte, or -1 at the end of the file (byte 26 included).
int peek(TextFile& f) {
  if (f.pos == f.len) {
    std::size_t keep = f.pos;
    if (!more(f, keep)) return -1;
  }
  const char c = f.buf[f.pos];
  return c == kEndOfFile ? -1 : static_cast<unsigned char>(c);
}

// Consumes one byte, counting the line ends for messages.
void advance(TextFile& f) {
  const char c = f.buf[f.pos++];
  if (c == '\n') {
    if (!f.cr_seen) ++f.line;
  } else if (c == '\r') {
    ++f.line;
  }
  f.cr_seen = c == '\r';
}

bool can_read(TextFile& f, const char* op) {
  if (io_pending() != 0) return false;
  if (f.mode == FileMode::input) return true;
  io_fail(f.mode == FileMode::closed ? kFileNotOpen : kNotOpenForInput, &f, op);
  return false;
}

bool can_write(TextFile& f, const char* op) {
  if (io_pending() != 0) return false;
  if (f.mode == FileMode::output) return true;
  io_fail(f.mode == FileMode::closed ? kFileNotOpen : kNotOpenForOutput, &f, op);
  return false;
}

// Skips bytes of value 32 or less; tells whether any was skipped.
bool skip_blanks(TextFile& f) {
  bool skipped = false;
  for (int c = peek(f); c >= 0 && c <= 32; c = peek(f)) {
    advance(f);
    skipped = true;
  }
  return skipped;
}

// Takes the bytes up to the next blank or control byte, the end of the file or
// byte 26, at most 255 of them; the byte that ends the token stays unread.
std::string_view take_token(TextFile& f) {
  std::size_t start = f.pos;
  while (f.pos - start < kMaxToken) {
    if (f.pos == f.len && !more(f, start)) break;
    const unsigned char c = static_cast<unsigned char>(f.buf[f.pos]);
    if (c <= 32) break;
    f.cr_seen = false;
    ++f.pos;
  }
  return {f.buf + start, f.pos - start};
}

void emit(TextFile& f, const char* text, std::size_t n) {
  if (f.kind == FileKind::console) {
    console_emit(text, n);
    return;
  }
  while (n > 0) {
    if (f.len == f.cap) {
      flush_output(f);
      if (io_pending() != 0) return;
    }
    const std::size_t part = std::min(n, f.cap - f.len);
    std::memcpy(f.buf + f.len, text, part);
    f.len += part;
    text += part;
    n -= part;
  }
}

void emit_padded(TextFile& f, const char* text, std::size_t n, int w) {
  static const char blanks[] = "                                ";
  for (long pad = static_cast<long>(w) - static_cast<long>(n); pad > 0;) {
    const long part = std::min<long>(pad, sizeof blanks - 1);
    emit(f, blanks, static_cast<std::size_t>(part));
    pad -= part;
  }
  emit(f, text, n);
}

void close_quietly(TextFile& f) {
  if (f.mode == FileMode::output) unlink_output(f);
  if (f.kind == FileKind::disk && f.fd >= 0) platform::close_fd(f.fd);
  f.fd = -1;
  f.mode = FileMode::closed;
}

void open_file(TextFile& f, std::string_view path, FileMode mode) {
  if (f.mode != FileMode::closed) {
    if (f.mode == FileMode::output) flush_output(f);
    close_quietly(f);
  }
  f.name.assign(path);
  ensure_buffer(f);
  f.kind = path.empty() ? FileKind::console : FileKind::disk;
  if (f.kind == FileKind::console) {
    console_start();
    f.fd = mode == FileMode::input ? platform::stdin_fd() : platform::stdout_fd();
  } else {
    const std::uint16_t err = mode == FileMode::input ? platform::open_read(path, f.fd)
                                                      : platform::create_write(path, f.fd);
    if (err != 0) {
      f.fd = -1;
      io_fail(err, &f, mode == FileMode::input ? "open_input" : "create_output");
      return;
    }
  }
  f.mode = mode;
  if (mode == FileMode::output) link_output(f);
}

}  // namespace

TextFile::~TextFile() {
  if (mode == FileMode::output && kind == FileKind::disk && len > 0)
    platform::write_all(fd, buf, len);
  close_quietly(*this);
  delete[] buf;
}

void open_input(TextFile& f, std::string_view path) {
  if (io_pending() != 0) return;
  open_file(f, path, FileMode::input);
}

void create_output(TextFile& f, std::string_view path) {
  if (io_pending() != 0) return;
  open_file(f, path, FileMode::output);
}

void close_file(TextFile& f) {
  if (io_pending() != 0) return;
  if (f.mode == FileMode::closed) {
    io_fail(kFileNotOpen, &f, "close_file");
    return;
  }
  if (f.mode == FileMode::output) flush_output(f);
  std::uint16_t err = 0;
  if (f.kind == FileKind::disk) err = platform::close_fd(f.fd);
  f.fd = -1;
  close_quietly(f);
  if (err != 0) io_fail(err, &f, "close_file");
}

bool at_end(TextFile& f) {
  if (!can_read(f, "at_end")) return true;
  return peek(f) < 0;
}

double read_real(TextFile& f) {
  if (!can_read(f, "read_real")) return 0;
  const bool skipped = skip_blanks(f);
  const std::string_view token = take_token(f);
  double value = 0;
  if (token.empty()) {
    if (!skipped) io_fail(kInvalidNumber, &f, "read_real");
  } else if (!parse_real(token, value)) {
    io_fail(kInvalidNumber, &f, "read_real");
  }
  return value;
}

std::uint16_t read_word(TextFile& f) {
  if (!can_read(f, "read_word")) return 0;
  skip_blanks(f);
  const std::string_view token = take_token(f);
  std::uint16_t value = 0;
  if (!token.empty() && !parse_word(token, value)) io_fail(kInvalidNumber, &f, "read_word");
  return value;
}

std::string read_line(TextFile& f) {
  std::string line;
  if (!can_read(f, "read_line")) return line;
  for (int c = peek(f); c >= 0 && c != '\r' && c != '\n' && line.size() < kMaxToken; c = peek(f)) {
    line += static_cast<char>(c);
    advance(f);
  }
  return line;
}

void skip_line(TextFile& f) {
  if (!can_read(f, "skip_line")) return;
  for (int c = peek(f); c >= 0; c = peek(f)) {
    advance(f);
    if (c == '\n') return;
    if (c == '\r') {
      if (peek(f) == '\n') advance(f);
      return;
    }
  }
}

void write_str(TextFile& f, std::string_view s, int w) {
  if (!can_write(f, "write_str")) return;
  emit_padded(f, s.data(), s.size(), w);
}

void write_char(TextFile& f, char c, int w) {
  if (!can_write(f, "write_char")) return;
  emit_padded(f, &c, 1, w);
}

void write_int(TextFile& f, std::int32_t n, int w) {
  if (!can_write(f, "write_int")) return;
  char text[16];
  const auto res = std::to_chars(text, text + sizeof text, n);
  emit_padded(f, text, static_cast<std::size_t>(res.ptr - text), w);
}

void write_fixed(TextFile& f, double x, int w, int d) {
  if (!can_write(f, "write_fixed")) return;
  const std::string text = fixed_text(x, d);
  emit_padded(f, text.data(), text.size(), w);
}

void end_line(TextFile& f) {
  if (!can_write(f, "end_line")) return;
  emit(f, "\r\n", 2);
}

std::string fixed_text(double x, int d) {
  std::string text;
  append_fixed(text, x, d < 0 ? 0 : d);
  return text;
}

TextFile& console_input() {
  static TextFile f;
  if (f.mode == FileMode::closed) open_file(f, "", FileMode::input);
  return f;
}

TextFile& console_output() {
  static TextFile f;
  if (f.mode == FileMode::closed) open_file(f, "", FileMode::output);
  return f;
}

void flush_open_outputs() {
  for (TextFile* f = open_outputs; f != nullptr; f = f->next_open) {
    if (f->kind == FileKind::disk && f->len > 0) {
      platform::write_all(f->fd, f->buf, f->len);
      f->len = 0;
    }
  }
}

}  // namespace survey_rt
