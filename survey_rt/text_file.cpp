// A text file's life and its buffer: opening and closing, the refill of an
// input buffer and the writing out of an output buffer, where an operation
// failed, and the console's two files. The reading operations are in
// text_file_read.cpp, the writing ones in text_file_write.cpp.
#include "text_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "console_io.h"
#include "file_buffer.h"
#include "platform.h"
#include "stop.h"

namespace survey_rt {

using detail::buffer_of;
using detail::FileBuffer;
using detail::FileKind;
using detail::flush_output;

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

void detail::flush_output(FileBuffer& f) {
  if (f.len == 0 || f.kind == FileKind::console) return;
  const std::uint16_t err = platform::write_all(f.fd, f.buf, f.len);
  f.len = 0;
  if (err != 0) fail_on(f, err, "write");
}

namespace {

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

}  // namespace

[[gnu::noinline]] bool detail::more(FileBuffer& f, std::size_t& keep) {
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

[[gnu::noinline]] bool detail::refuse(FileBuffer& f, FileMode wanted, const char* op) {
  if (io_pending() != 0) return false;
  fail(f, f.mode == FileMode::closed ? kFileNotOpen
                                     : wanted == FileMode::input ? kNotOpenForInput
                                                                 : kNotOpenForOutput,
       op);
  return false;
}

namespace {

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
