#include "text_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

#include "console_io.h"
#include "file_buffer.h"
#include "fixed_notation.h"
#include "number_grammar.h"
#include "padding.h"
#include "platform.h"
#include "stop.h"

namespace survey_rt {

using detail::buffer_of;
using detail::FileBuffer;
using detail::FileKind;
using detail::kEndOfFile;
using detail::kMaxToken;

namespace {

constexpr std::size_t kBufferSize = 1 << 17;

FileBuffer* open_outputs = nullptr;
// The console input file that read the piped input last: it may hold bytes
// it has not consumed yet, which another console input file reads first.
FileBuffer* console_reader = nullptr;

// Gives the bytes that the last console reader read ahead back to the
// console, when a file other than it reads the console (or it is closed).
void release_console(const FileBuffer* next) {
  if (console_reader == nullptr || console_reader == next) return;
  FileBuffer& r = *console_reader;
  if (r.mode == FileMode::input && r.pos < r.len && console_unread(r.buf + r.pos, r.len - r.pos)) {
    r.len = r.pos;
    r.eof = false;
  }
  console_reader = nullptr;
}

void link_output(FileBuffer& f) {
  f.next_open = open_outputs;
  open_outputs = &f;
}

void unlink_output(FileBuffer& f) {
  for (FileBuffer** p = &open_outputs; *p != nullptr; p = &(*p)->next_open) {
    if (*p == &f) {
      *p = f.next_open;
      break;
    }
  }
  f.next_open = nullptr;
}

void ensure_buffer(FileBuffer& f) {
  if (f.buf == nullptr) {
    f.buf = new char[kBufferSize];
    f.cap = kBufferSize;
  }
  f.pos = 0;
  f.len = 0;
  f.eof = false;
  f.line_pos = 0;
  f.cr_seen = false;
  f.line = 1;
  f.count_at_failure = false;
  f.dropped = 0;
  f.back_len = 0;
}

// The line ends among n > 0 bytes at p, the byte before them a CR when
// cr_before: an LF, a CR LF or a CR alone ends a line. Every CR, and every LF
// that does not follow a CR, counted in blocks of at most 255 bytes with a
// one-byte count each, a loop the compiler turns into vector instructions.
std::size_t count_line_ends(const unsigned char* p, std::size_t n, bool cr_before) {
  std::size_t ends = (p[0] == '\r') | ((p[0] == '\n') & !cr_before);
  for (std::size_t i = 1; i < n;) {
    const std::size_t stop = std::min(n, i + 255);
    unsigned char block = 0;
    for (; i < stop; ++i)
      block = static_cast<unsigned char>(block + (p[i] == '\r') + ((p[i] == '\n') & (p[i - 1] != '\r')));
    ends += block;
  }
  return ends;
}

// Counts the line ends among the consumed bytes buf[line_pos, upto).
void count_lines(FileBuffer& f, std::size_t upto) {
  if (upto <= f.line_pos) return;
  const unsigned char* const p = reinterpret_cast<const unsigned char*>(f.buf) + f.line_pos;
  const std::size_t n = upto - f.line_pos;
  f.line += static_cast<long>(count_line_ends(p, n, f.cr_seen));
  f.cr_seen = p[n - 1] == '\r';
  f.line_pos = upto;
}

// The line of the byte buf[pos] of a file that counts at a failure: its
// dropped bytes are read again from the start of the file, the buffer's own
// bytes before pos counted as they are.
long line_from_start(const FileBuffer& f) {
  constexpr std::size_t kChunk = 1 << 16;
  const auto chunk = std::make_unique<unsigned char[]>(kChunk);
  long line = 1;
  bool cr = false;
  for (std::uint64_t offset = 0; offset < f.dropped;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, f.dropped - offset));
    std::size_t got = 0;
    if (platform::read_at(f.fd, reinterpret_cast<char*>(chunk.get()), want, offset, got) != 0 || got == 0)
      break;  // the file can no longer be read: the lines counted so far
    line += static_cast<long>(count_line_ends(chunk.get(), got, cr));
    cr = chunk[got - 1] == '\r';
    offset += got;
  }
  if (f.pos > 0)
    line += static_cast<long>(count_line_ends(reinterpret_cast<const unsigned char*>(f.buf), f.pos, cr));
  return line;
}

// Where an operation on f failed, for the message of the stop: the file's
// name and, for an input file, the line of the next byte or the file's end.
std::string place_of(const FileBuffer& f) {
  if (f.kind == FileKind::console) return "console";
  if (f.mode == FileMode::input && f.eof && f.pos >= f.len) return f.name + ", at end of file";
  if (f.mode == FileMode::input) return f.name + ", line " + std::to_string(f.line);
  return f.name;
}

void fail_on(const FileBuffer& f, std::uint16_t code, const char* op) { io_fail(code, op, place_of(f)); }

}  // namespace

[[gnu::noinline]] void detail::fail(FileBuffer& f, std::uint16_t code, const char* op) {
  if (f.mode == FileMode::input && f.buf != nullptr) {
    if (f.count_at_failure) {
      f.line = line_from_start(f);
    } else {
      count_lines(f, f.pos);
    }
  }
  fail_on(f, code, op);
}

namespace {

using detail::fail;

// Writes out the buffered output bytes; the I/O result tells a failure.
void flush_output(FileBuffer& f) {
  if (f.len == 0 || f.kind == FileKind::console) return;
  const std::uint16_t err = platform::write_all(f.fd, f.buf, f.len);
  f.len = 0;
  if (err != 0) fail_on(f, err, "write");
}

// Keeps the last of the n bytes about to be dropped from the front of the
// buffer in f.back.
void keep_back(FileBuffer& f, std::size_t n) {
  constexpr std::size_t kSize = sizeof f.back;
  if (n >= kSize) {
    std::memcpy(f.back, f.buf + n - kSize, kSize);
    f.back_len = kSize;
    return;
  }
  std::memmove(f.back, f.back + n, kSize - n);
  std::memcpy(f.back + kSize - n, f.buf, n);
  f.back_len = static_cast<std::uint8_t>(std::min(kSize, f.back_len + n));
}

// Reads more input into the buffer, keeping the bytes from keep on (moved to
// the front; keep is updated). False when nothing more could be read.
[[gnu::noinline]] bool more(FileBuffer& f, std::size_t& keep) {
  if (f.eof) return false;
  if (keep > 0) {
    keep_back(f, keep);
    if (f.count_at_failure) {
      f.dropped += keep;
    } else {
      count_lines(f, keep);
      f.line_pos -= keep;
    }
    std::memmove(f.buf, f.buf + keep, f.len - keep);
    f.len -= keep;
    f.pos -= keep;
    keep = 0;
  }
  std::size_t got = 0;
  if (f.kind == FileKind::console) {
    release_console(&f);
    console_reader = &f;
  }
  const std::uint16_t err = f.kind == FileKind::console
                                ? console_fill(f.buf + f.len, f.cap - f.len, got)
                                : platform::read_some(f.fd, f.buf + f.len, f.cap - f.len, got);
  if (err != 0) {
    fail(f, err, "read");
    f.eof = true;
    return false;
  }
  if (got == 0) f.eof = true;
  f.len += got;
  return got > 0;
}

// The next byte, or -1 at the end of the file (byte 26 included).
inline int peek(FileBuffer& f) {
  if (f.pos == f.len) {
    std::size_t keep = f.pos;
    if (!more(f, keep)) return -1;
  }
  const char c = f.buf[f.pos];
  return c == kEndOfFile ? -1 : static_cast<unsigned char>(c);
}

}  // namespace

[[gnu::noinline]] bool detail::refuse(FileBuffer& f, FileMode wanted, const char* op) {
  if (io_pending() != 0) return false;
  fail(f, f.mode == FileMode::closed ? kFileNotOpen
                                     : wanted == FileMode::input ? kNotOpenForInput
                                                                 : kNotOpenForOutput,
       op);
  return false;
}

namespace {

using detail::can_read;
using detail::find_line_end;
using detail::refuse;

inline bool can_write(FileBuffer& f, const char* op) {
  if (f.mode == FileMode::output && io_pending() == 0) [[likely]]
    return true;
  return refuse(f, FileMode::output, op);
}

inline bool is_blank(char c) { return static_cast<unsigned char>(c) <= 32 && c != kEndOfFile; }

// Skips bytes of value 32 or less (not byte 26, which ends the file); tells
// whether any was skipped.
bool skip_blanks(FileBuffer& f) {
  bool skipped = false;
  for (;;) {
    const char* p = f.buf + f.pos;
    const char* const end = f.buf + f.len;
    const char* const from = p;
    while (p < end && is_blank(*p)) ++p;
    f.pos = static_cast<std::size_t>(p - f.buf);
    skipped = skipped || p != from;
    if (p < end) return skipped;
    std::size_t keep = f.pos;
    if (!more(f, keep)) return skipped;
  }
}

// Takes the bytes up to the next blank or control byte, the end of the file or
// byte 26, at most 255 of them; the byte that ends the token stays unread.
std::string_view take_token(FileBuffer& f) {
  std::size_t start = f.pos;
  for (;;) {
    const std::size_t limit = std::min(f.len, start + kMaxToken);
    std::size_t i = f.pos;
    while (i < limit && static_cast<unsigned char>(f.buf[i]) > 32) ++i;
    f.pos = i;
    if (i < f.len || i - start >= kMaxToken || !more(f, start)) break;
  }
  return {f.buf + start, f.pos - start};
}

// Where the line from buf[pos] ends: at a CR, LF or byte 26 among the
// buffered bytes before limit, else at limit.
inline std::size_t line_end(const FileBuffer& f, std::size_t limit) {
  return static_cast<std::size_t>(find_line_end(f.buf + f.pos, f.buf + limit) - f.buf);
}

[[gnu::noinline]] void emit_slow(FileBuffer& f, const char* text, std::size_t n) {
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

// n bytes to to: the short texts of the tools (separators, words, numbers,
// line ends) as two word copies that overlap in the middle, longer ones by
// memcpy.
inline void copy_bytes(char* to, const char* from, std::size_t n) {
  if (n >= 8 && n <= 16) {
    std::uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + n - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + n - 8, &tail, 8);
  } else if (n >= 4 && n < 8) {
    std::uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n < 4) {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  } else {
    std::memcpy(to, from, n);
  }
}

// Output bytes: into the buffer of a disk file, onto the screen for the console.
inline void emit(FileBuffer& f, const char* text, std::size_t n) {
  if (f.kind == FileKind::disk && n <= f.cap - f.len) [[likely]] {
    copy_bytes(f.buf + f.len, text, n);
    f.len += n;
    return;
  }
  emit_slow(f, text, n);
}

[[gnu::noinline]] void emit_blanks(FileBuffer& f, std::size_t pad) {
  static const char blanks[] = "                                ";
  while (pad > 0) {
    const std::size_t part = std::min(pad, sizeof blanks - 1);
    emit(f, blanks, part);
    pad -= part;
  }
}

// w - n blanks (when w is larger), then the text.
inline void emit_padded(FileBuffer& f, const char* text, std::size_t n, int w) {
  const std::size_t pad = padding(w, n);
  if (f.kind == FileKind::disk && pad + n <= f.cap - f.len) [[likely]] {
    if (pad > 0) std::memset(f.buf + f.len, ' ', pad);
    copy_bytes(f.buf + f.len + pad, text, n);
    f.len += pad + n;
    return;
  }
  if (f.kind == FileKind::console && pad > 0 && pad + n <= 64) {  // a counter: one piece
    char padded[64];
    std::memset(padded, ' ', pad);
    std::memcpy(padded + pad, text, n);
    console_emit(padded, pad + n);
    return;
  }
  if (pad > 0) emit_blanks(f, pad);
  emit(f, text, n);
}

void close_quietly(FileBuffer& f) {
  if (console_reader == &f) release_console(nullptr);
  if (f.mode == FileMode::output) unlink_output(f);
  if (f.kind == FileKind::disk && f.fd >= 0) platform::close_fd(f.fd);
  f.fd = -1;
  f.mode = FileMode::closed;
}

void open_file(FileBuffer& f, std::string_view path, FileMode mode) {
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
      fail_on(f, err, mode == FileMode::input ? "open_input" : "create_output");
      return;
    }
  }
  f.mode = mode;
  f.count_at_failure = mode == FileMode::input && f.kind == FileKind::disk && platform::is_regular_file(f.fd);
  if (mode == FileMode::output) link_output(f);
}

}  // namespace

TextFile::~TextFile() {
  if (mode == FileMode::output && kind == FileKind::disk && len > 0)
    platform::write_all(fd, buf, len);
  // At the exit nothing reads the console any more (and its buffer may be
  // gone already): what this file read ahead is not given back.
  if (console_reader == this) console_reader = nullptr;
  close_quietly(*this);
  delete[] buf;
}

void open_input(TextFile& file, std::string_view path) {
  FileBuffer& f = buffer_of(file);
  if (io_pending() != 0) return;
  open_file(f, path, FileMode::input);
}

bool open_input_if_present(TextFile& file, std::string_view path) {
  FileBuffer& f = buffer_of(file);
  if (io_pending() != 0) return true;
  open_file(f, path, FileMode::input);
  if (io_pending() != kFileNotFound) return true;
  io_clear();
  return false;
}

void create_output(TextFile& file, std::string_view path) {
  FileBuffer& f = buffer_of(file);
  if (io_pending() != 0) return;
  open_file(f, path, FileMode::output);
}

void close_file(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (io_pending() != 0) return;
  if (f.mode == FileMode::closed) {
    fail_on(f, kFileNotOpen, "close_file");
    return;
  }
  if (f.mode == FileMode::output) flush_output(f);
  std::uint16_t err = 0;
  if (f.kind == FileKind::disk) err = platform::close_fd(f.fd);
  f.fd = -1;
  close_quietly(f);
  if (err != 0) fail_on(f, err, "close_file");
}

bool at_end(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "at_end")) return true;
  return peek(f) < 0;
}

std::string_view peek_bytes(TextFile& file, std::size_t n) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "peek_bytes")) return {};
  n = std::min(n, f.cap);
  while (f.len - f.pos < n) {
    std::size_t keep = f.pos;
    if (!more(f, keep)) break;
  }
  return {f.buf + f.pos, std::min(n, f.len - f.pos)};
}

int take_byte(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (io_pending() != 0 || at_end(file)) return -1;
  return static_cast<unsigned char>(f.buf[f.pos++]);
}

namespace {

// Where the next token starts when it surely lies whole in the buffer (a
// token has at most 255 bytes, and a byte ends it); nullptr otherwise.
inline const char* buffered_token(const FileBuffer& f) {
  const char* p = f.buf + f.pos;
  const char* const end = f.buf + f.len;
  while (p < end && is_blank(*p)) ++p;
  return end - p > static_cast<std::ptrdiff_t>(kMaxToken) ? p : nullptr;
}

// read_real for every token that is not a plain decimal lying whole in the
// buffer.
[[gnu::noinline]] double read_real_slowly(FileBuffer& f) {
  const bool skipped = skip_blanks(f);
  const std::string_view token = take_token(f);
  double value = 0;
  if (token.empty()) {
    if (!skipped) fail(f, kInvalidNumber, "read_real");
  } else if (!parse_real(token, value)) {
    fail(f, kInvalidNumber, "read_real");
  }
  return value;
}

}  // namespace

double read_real(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "read_real")) return 0;
  // Fast path: a token lying whole in the buffer, read in one pass; it must
  // read as read_real_slowly does. TextFileTest.BufferedTokensReadAsTheTokenRulesSay
  // and the fuzz target readers check it.
  if (const char* token = buffered_token(f)) {
    double value;
    if (const char* end = parse_plain_real(token, f.buf + f.len, value)) {
      f.pos = static_cast<std::size_t>(end - f.buf);
      return value;
    }
  }
  return read_real_slowly(f);
}

std::uint16_t read_word(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "read_word")) return 0;
  if (const char* token = buffered_token(f)) {
    std::uint16_t value;
    if (const char* end = parse_plain_word(token, f.buf + f.len, value)) {
      f.pos = static_cast<std::size_t>(end - f.buf);
      return value;
    }
  }
  skip_blanks(f);
  const std::string_view token = take_token(f);
  std::uint16_t value = 0;
  if (!token.empty() && !parse_word(token, value)) fail(f, kInvalidNumber, "read_word");
  return value;
}

namespace {

// Reads more until the line from buf[pos] ends among the buffered bytes (a
// CR, LF or byte 26), reaches 255 bytes, or the file ends; returns where it
// ends. With whole_end a CR read last does not end it yet: an LF may follow.
inline std::size_t buffer_line(FileBuffer& f, bool whole_end) {
  for (;;) {
    const std::size_t end = line_end(f, std::min(f.len, f.pos + kMaxToken));
    const bool ended = end < f.len && (!whole_end || f.buf[end] != '\r' || end + 1 < f.len);
    if (ended || end - f.pos == kMaxToken || f.eof) return end;
    std::size_t keep = f.pos;
    more(f, keep);  // when it reads nothing, f.eof is set
  }
}

// Consumes the line end at buf[pos] when one is buffered: an LF, a CR, or a
// CR LF; a byte 26 stays, as the end of the file.
inline void pass_line_end(FileBuffer& f) {
  if (f.pos == f.len || f.buf[f.pos] == kEndOfFile) return;
  if (f.buf[f.pos++] == '\r' && f.pos < f.len && f.buf[f.pos] == '\n') ++f.pos;
}

}  // namespace

std::string read_line(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "read_line")) return {};
  const std::size_t end = buffer_line(f, false);
  std::string line(f.buf + f.pos, end - f.pos);
  f.pos = end;
  return line;
}

std::string_view take_line(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "take_line")) return {};
  const std::size_t end = buffer_line(f, true);
  const char* const start = f.buf + f.pos;
  const std::size_t n = end - f.pos;
  f.pos = end;
  if (n == kMaxToken) {  // a long line: its start is kept aside while the rest is skipped
    f.long_line.assign(start, n);
    skip_line(file);
    return f.long_line;
  }
  pass_line_end(f);
  return {start, n};
}

bool take_raw_line(TextFile& file, std::size_t keep, std::string_view& line, std::uint64_t& size) {
  FileBuffer& f = buffer_of(file);
  line = {};
  size = 0;
  if (!can_read(f, "take_raw_line")) return false;
  if (f.pos == f.len) {
    std::size_t k = f.pos;
    if (!more(f, k)) return false;
  }
  keep = std::min(keep, f.cap / 2);  // the kept bytes and a CR always leave room to read more
  std::uint64_t passed = 0;          // bytes of a long line already passed over
  for (;;) {
    const char* const start = f.buf + f.pos;
    const char* const end = find_line_end<true>(start, f.buf + f.len);
    const std::size_t n = static_cast<std::size_t>(end - start);
    // A CR read last may be the first half of a CR LF.
    const bool ended = end < f.buf + f.len && (*end == '\n' || end + 1 < f.buf + f.len || f.eof);
    if (ended || f.eof) {
      if (passed == 0 && n <= keep) {
        line = {start, n};
      } else {
        if (passed == 0) f.long_line.assign(start, keep);
        line = f.long_line;
      }
      size = passed + n;
      f.pos += n;
      pass_line_end(f);
      return true;
    }
    if (passed + n > keep) {  // a long line: its start is kept aside, the rest passed over
      if (passed == 0) f.long_line.assign(start, keep);
      passed += n;
      f.pos += n;
    }
    std::size_t k = f.pos;
    more(f, k);  // when it reads nothing, f.eof is set
  }
}

namespace {

// skip_line for every line end but a CR LF right at the next byte.
[[gnu::noinline]] void skip_line_slowly(FileBuffer& f) {
  for (;;) {
    const std::size_t end = line_end(f, f.len);
    f.pos = end;
    if (end < f.len) {
      const char c = f.buf[end];
      if (c == kEndOfFile) return;
      ++f.pos;
      if (c == '\r' && peek(f) == '\n') ++f.pos;
      return;
    }
    std::size_t keep = f.pos;
    if (!more(f, keep)) return;
  }
}

}  // namespace

void skip_line(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "skip_line")) return;
  // Fast path: the usual rest of a record, its line end; it must skip what
  // skip_line_slowly skips. The fuzz target readers checks it.
  if (f.len - f.pos >= 2 && f.buf[f.pos] == '\r' && f.buf[f.pos + 1] == '\n') {
    f.pos += 2;
    return;
  }
  skip_line_slowly(f);
}

void write_str(TextFile& file, std::string_view s, int w) {
  FileBuffer& f = buffer_of(file);
  if (!can_write(f, "write_str")) return;
  emit_padded(f, s.data(), s.size(), w);
}

void write_char(TextFile& file, char c, int w) {
  FileBuffer& f = buffer_of(file);
  if (!can_write(f, "write_char")) return;
  if (w <= 1 && f.kind == FileKind::disk && f.len < f.cap) {
    f.buf[f.len++] = c;
    return;
  }
  emit_padded(f, &c, 1, w);
}

void write_int(TextFile& file, std::int32_t n, int w) {
  FileBuffer& f = buffer_of(file);
  if (!can_write(f, "write_int")) return;
  char text[32];  // 11 characters at most; the larger array keeps GCC's overread check quiet
  const auto res = std::to_chars(text, text + sizeof text, n);
  emit_padded(f, text, static_cast<std::size_t>(res.ptr - text), w);
}

namespace {

constexpr std::size_t kRoom = 64;  // for the usual fixed-notation texts

// write_fixed for the console, a full buffer and texts longer than kRoom.
[[gnu::noinline]] void write_fixed_slowly(FileBuffer& f, double x, int w, int d) {
  char text[kRoom];
  const std::size_t n = format_fixed(text, sizeof text, x, d, 0);
  if (n <= sizeof text) {
    emit_padded(f, text, n, w);
  } else {
    const std::string big = fixed_text(x, d);
    emit_padded(f, big.data(), big.size(), w);
  }
}

}  // namespace

void write_fixed(TextFile& file, double x, int w, int d) {
  FileBuffer& f = buffer_of(file);
  if (!can_write(f, "write_fixed")) return;
  // Fast path: straight into the buffer of a disk file when it has the room;
  // it must write what write_fixed_slowly writes.
  // NumberFileTest.WriteFixedRightAlignsWithoutCutting and the fuzz target
  // write_fixed check it.
  if (f.kind == FileKind::disk && f.cap - f.len >= kRoom) {
    const std::size_t n = format_fixed(f.buf + f.len, kRoom, x, d, w);
    if (n <= kRoom) {
      f.len += n;
      return;
    }
  }
  write_fixed_slowly(f, x, w, d);
}

void end_line(TextFile& file) {
  FileBuffer& f = buffer_of(file);
  if (!can_write(f, "end_line")) return;
  emit(f, "\r\n", 2);
}

TextFile& console_input() {
  static TextFile f;
  if (f.mode == FileMode::closed) open_file(buffer_of(f), "", FileMode::input);
  return f;
}

TextFile& console_output() {
  static TextFile f;
  if (f.mode == FileMode::closed) open_file(buffer_of(f), "", FileMode::output);
  return f;
}

std::string disk_path(std::string_view path) { return platform::resolve(path, platform::Use::write); }

void flush_open_outputs() {
  for (FileBuffer* f = open_outputs; f != nullptr; f = f->next_open) {
    if (f->kind == FileKind::disk && f->len > 0) {
      platform::write_all(f->fd, f->buf, f->len);
      f->len = 0;
    }
  }
}

}  // namespace survey_rt
