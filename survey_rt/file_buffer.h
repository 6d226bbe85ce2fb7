// What the text-file operations share behind text_file.h (text_file.cpp, the
// buffer; text_file_read.cpp; text_file_write.cpp; line_search.cpp): a file's
// state and the rules for its bytes. Internal to the runtime's text files.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "stop.h"
#include "text_file.h"

namespace survey_rt::detail {

inline FileBuffer& buffer_of(TextFile& f) { return f; }
inline const FileBuffer& buffer_of(const TextFile& f) { return f; }

// A line or a token is at most 255 bytes; a longer line leaves the rest for
// the next read.
constexpr std::size_t kMaxToken = 255;
// Byte 26 (Ctrl-Z) in an input file acts as its end.
constexpr char kEndOfFile = 26;

// Sets the I/O result for an operation on f (an input file's message tells the
// line of the next byte).
void fail(FileBuffer& f, std::uint16_t code, const char* op);
// The failure of an operation on a closed file or one open the other way.
bool refuse(FileBuffer& f, FileMode wanted, const char* op);
// Reads more input into the buffer, keeping the bytes from keep on (moved to
// the front; keep is updated). False when nothing more could be read.
bool more(FileBuffer& f, std::size_t& keep);
// Writes out the buffered output bytes; the I/O result tells a failure.
void flush_output(FileBuffer& f);

// Whether f may be read now; else the I/O result tells why (unless an error
// is pending already).
inline bool can_read(FileBuffer& f, const char* op) {
  if (f.mode == FileMode::input && io_pending() == 0) [[likely]]
    return true;
  return refuse(f, FileMode::input, op);
}

inline bool ends_line(char c) { return c == '\n' || c == '\r' || c == kEndOfFile; }
inline bool ends_raw_line(char c) { return c == '\n' || c == '\r'; }

// The first LF, CR or byte 26 in [p, limit), or limit; for a raw line (a log
// that may hold any byte) the first LF or CR. Eight bytes at a time: a word
// with no byte below 27 (14 for a raw line) holds none of them.
// Fast path: it must find what the byte-by-byte loop at its end finds; the
// line tests of text_file_test.cpp and line_search_test.cpp and the fuzz
// targets readers and dxf_scan check it.
template <bool kRaw = false>
inline const char* find_line_end(const char* p, const char* limit) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kBelow = kRaw ? 14 : 27;
  constexpr auto ends = kRaw ? ends_raw_line : ends_line;
  while (limit - p >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint64_t low = (w - kBelow * kOnes) & ~w & (0x80 * kOnes);
    if (low != 0) {
      // The first flagged byte is truly below the bound (on little-endian
      // machines the lowest one; elsewhere the bytes are looked at one by one).
      int i = std::endian::native == std::endian::little ? std::countr_zero(low) / 8 : 0;
      for (; i < 8; ++i)
        if (ends(p[i])) return p + i;
    }
    p += 8;
  }
  while (p < limit && !ends(*p)) ++p;
  return p;
}

}  // namespace survey_rt::detail
