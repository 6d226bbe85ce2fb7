// Writing a text file: texts, characters and integers right-aligned in a
// width, fixed-notation numbers (the rounding in fixed_notation.h), CR LF.
// A disk file's bytes gather in its buffer; the console's go to the screen.
#include "text_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "console_io.h"
#include "file_buffer.h"
#include "fixed_notation.h"
#include "padding.h"
#include "stop.h"

namespace survey_rt {

using detail::buffer_of;
using detail::FileBuffer;
using detail::FileKind;
using detail::flush_output;
using detail::refuse;

namespace {

// Whether f may be written now; else the I/O result tells why (unless an
// error is pending already).
inline bool can_write(FileBuffer& f, const char* op) {
  if (f.mode == FileMode::output && io_pending() == 0) [[likely]]
    return true;
  return refuse(f, FileMode::output, op);
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

}  // namespace

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

}  // namespace survey_rt
