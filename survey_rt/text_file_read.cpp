// Reading a text file: numbers token by token across line ends (the grammar
// in number_grammar.h), lines, raw log lines, the end test.
#include "text_file.h"

#include <algorithm>
#include <cstring>

#include "console_io.h"
#include "file_buffer.h"
#include "number_grammar.h"
#include "stop.h"

namespace survey_rt {

using detail::buffer_of;
using detail::can_read;
using detail::fail;
using detail::FileBuffer;
using detail::find_line_end;
using detail::kEndOfFile;
using detail::kMaxToken;
using detail::more;

namespace {

// The next byte, or -1 at the end of the file (byte 26 included).
inline int peek(FileBuffer& f) {
  if (f.pos == f.len) {
    std::size_t keep = f.pos;
    if (!more(f, keep)) return -1;
  }
  const char c = f.buf[f.pos];
  return c == kEndOfFile ? -1 : static_cast<unsigned char>(c);
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

}  // namespace

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

}  // namespace survey_rt
