#include "text_file.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "console_io.h"
#include "io_state.h"
#include "numbers.h"
#include "platform.h"

namespace survey_rt {
namespace {

constexpr std::size_t kBufferSize = 1 << 17;
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
void count_lines(TextFile& f, std::size_t upto) {
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
long line_from_start(const TextFile& f) {
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

// Sets the I/O result for an operation on f (an input file's message tells the
// line of the next byte).
[[gnu::noinline]] void fail(TextFile& f, std::uint16_t code, const char* op) {
  if (f.mode == FileMode::input && f.buf != nullptr) {
    if (f.count_at_failure) {
      f.line = line_from_start(f);
    } else {
      count_lines(f, f.pos);
    }
  }
  io_fail(code, &f, op);
}

// Writes out the buffered output bytes; the I/O result tells a failure.
void flush_output(TextFile& f) {
  if (f.len == 0 || f.kind == FileKind::console) return;
  const std::uint16_t err = platform::write_all(f.fd, f.buf, f.len);
  f.len = 0;
  if (err != 0) io_fail(err, &f, "write");
}

// Keeps the last of the n bytes about to be dropped from the front of the
// buffer in f.back.
void keep_back(TextFile& f, std::size_t n) {
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
[[gnu::noinline]] bool more(TextFile& f, std::size_t& keep) {
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
  if (f.kind == FileKind::console) {
    if (!console_fill(f)) f.eof = true;
    return !f.eof;
  }
  std::size_t got = 0;
  const std::uint16_t err = platform::read_some(f.fd, f.buf + f.len, f.cap - f.len, got);
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
inline int peek(TextFile& f) {
  if (f.pos == f.len) {
    std::size_t keep = f.pos;
    if (!more(f, keep)) return -1;
  }
  const char c = f.buf[f.pos];
  return c == kEndOfFile ? -1 : static_cast<unsigned char>(c);
}

[[gnu::noinline]] bool refuse(TextFile& f, FileMode wanted, const char* op) {
  if (io_pending() != 0) return false;
  fail(f, f.mode == FileMode::closed ? kFileNotOpen
                                     : wanted == FileMode::input ? kNotOpenForInput
                                                                 : kNotOpenForOutput,
       op);
  return false;
}

inline bool can_read(TextFile& f, const char* op) {
  if (f.mode == FileMode::input && io_pending() == 0) [[likely]]
    return true;
  return refuse(f, FileMode::input, op);
}

inline bool can_write(TextFile& f, const char* op) {
  if (f.mode == FileMode::output && io_pending() == 0) [[likely]]
    return true;
  return refuse(f, FileMode::output, op);
}

inline bool is_blank(char c) { return static_cast<unsigned char>(c) <= 32 && c != kEndOfFile; }

// Skips bytes of value 32 or less (not byte 26, which ends the file); tells
// whether any was skipped.
bool skip_blanks(TextFile& f) {
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
std::string_view take_token(TextFile& f) {
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

inline bool ends_line(char c) { return c == '\n' || c == '\r' || c == kEndOfFile; }
inline bool ends_raw_line(char c) { return c == '\n' || c == '\r'; }

// The first LF, CR or byte 26 in [p, limit), or limit; for a raw line (a log
// that may hold any byte) the first LF or CR. Eight bytes at a time: a word
// with no byte below 27 (14 for a raw line) holds none of them.
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

// Where the line from buf[pos] ends: at a CR, LF or byte 26 among the
// buffered bytes before limit, else at limit.
inline std::size_t line_end(const TextFile& f, std::size_t limit) {
  return static_cast<std::size_t>(find_line_end(f.buf + f.pos, f.buf + limit) - f.buf);
}

[[gnu::noinline]] void emit_slow(TextFile& f, const char* text, std::size_t n) {
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
inline void emit(TextFile& f, const char* text, std::size_t n) {
  if (f.kind == FileKind::disk && n <= f.cap - f.len) [[likely]] {
    copy_bytes(f.buf + f.len, text, n);
    f.len += n;
    return;
  }
  emit_slow(f, text, n);
}

[[gnu::noinline]] void emit_blanks(TextFile& f, std::size_t pad) {
  static const char blanks[] = "                                ";
  while (pad > 0) {
    const std::size_t part = std::min(pad, sizeof blanks - 1);
    emit(f, blanks, part);
    pad -= part;
  }
}

// w - n blanks (when w is larger), then the text.
inline void emit_padded(TextFile& f, const char* text, std::size_t n, int w) {
  const std::size_t pad = w > 0 && static_cast<std::size_t>(w) > n ? w - n : 0;
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
  f.count_at_failure = mode == FileMode::input && f.kind == FileKind::disk && platform::is_regular_file(f.fd);
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

bool open_input_if_present(TextFile& f, std::string_view path) {
  if (io_pending() != 0) return true;
  open_file(f, path, FileMode::input);
  if (io_pending() != kFileNotFound) return true;
  io_clear();
  return false;
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

// Where the next token starts when it surely lies whole in the buffer (a
// token has at most 255 bytes, and a byte ends it); nullptr otherwise.
inline const char* buffered_token(const TextFile& f) {
  const char* p = f.buf + f.pos;
  const char* const end = f.buf + f.len;
  while (p < end && is_blank(*p)) ++p;
  return end - p > static_cast<std::ptrdiff_t>(kMaxToken) ? p : nullptr;
}

namespace {

// read_real for every token that is not a plain decimal lying whole in the
// buffer.
[[gnu::noinline]] double read_real_slowly(TextFile& f) {
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

double read_real(TextFile& f) {
  if (!can_read(f, "read_real")) return 0;
  if (const char* token = buffered_token(f)) {  // the usual case, in one pass
    double value;
    if (const char* end = parse_plain_real(token, f.buf + f.len, value)) {
      f.pos = static_cast<std::size_t>(end - f.buf);
      return value;
    }
  }
  return read_real_slowly(f);
}

std::uint16_t read_word(TextFile& f) {
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

std::string read_line(TextFile& f) {
  if (!can_read(f, "read_line")) return {};
  for (;;) {
    // The line ends at a CR, LF or byte 26, after 255 bytes, or at the end of
    // the file; until one of them is in the buffer, read more.
    const std::size_t limit = std::min(f.len, f.pos + kMaxToken);
    const std::size_t end = line_end(f, limit);
    if (end < f.len || end - f.pos == kMaxToken || f.eof) {
      std::string line(f.buf + f.pos, end - f.pos);
      f.pos = end;
      return line;
    }
    std::size_t keep = f.pos;
    more(f, keep);
  }
}

std::string_view take_line(TextFile& f) {
  if (!can_read(f, "read_line")) return {};
  std::size_t end;
  for (;;) {
    // As read_line, and a CR must not be the last byte read: an LF may follow.
    const std::size_t limit = std::min(f.len, f.pos + kMaxToken);
    end = line_end(f, limit);
    const bool whole_end = end < f.len && (f.buf[end] != '\r' || end + 1 < f.len);
    if (whole_end || end - f.pos == kMaxToken || f.eof) break;
    std::size_t keep = f.pos;
    more(f, keep);  // when it reads nothing, f.eof is set
  }
  const char* const start = f.buf + f.pos;
  const std::size_t n = end - f.pos;
  f.pos = end;
  if (n == kMaxToken) {  // a long line: its start is kept aside while the rest is skipped
    f.long_line.assign(start, n);
    skip_line(f);
    return f.long_line;
  }
  if (end < f.len) {
    const char c = f.buf[end];
    if (c != kEndOfFile) ++f.pos;
    if (c == '\r' && f.pos < f.len && f.buf[f.pos] == '\n') ++f.pos;
  }
  return {start, n};
}

namespace {

// Which of the texts a and b (when kTwo) the line of n bytes at p equals: 1,
// 2, or 0 for neither.
template <bool kTwo>
inline int line_equals(const char* p, std::size_t n, std::string_view a, std::string_view b) {
  const std::string_view line(p, n);
  if (line == a) return 1;
  return kTwo && line == b ? 2 : 0;
}

// The lines from p that end before safe_end: the line that equals a (or b)
// is sought there as take_line reads lines. Returns where the scan stopped (a
// line is left to take_line when it is 255 bytes or longer or a byte 26
// comes, or the lines run out), and sets found (as line_equals) when it
// stopped right after such a line.
template <bool kTwo>
const char* find_in_lines(const char* p, const char* safe_end, std::string_view a, std::string_view b,
                          int& found) {
  found = 0;
  while (p < safe_end) {
    const char* const end = find_line_end(p, p + kMaxToken);
    if (end == p + kMaxToken || *end == kEndOfFile) break;
    found = line_equals<kTwo>(p, static_cast<std::size_t>(end - p), a, b);
    p = end + (end[0] == '\r' && end[1] == '\n' ? 2 : 1);
    if (found != 0) return p;
  }
  return p;
}

#ifdef __SSE2__
// A text of n < 8 bytes, none of them a CR, LF or byte 26, as one word
// (first byte lowest), so that a line is compared with it in one step.
struct TextWord {
  std::uint64_t bits = 0;
  std::uint64_t mask = 0;
  std::size_t n = 0;
  bool usable = false;
};

TextWord text_word(std::string_view text) {
  TextWord w;
  w.n = text.size();
  w.usable = text.size() < 8;
  for (std::size_t i = 0; w.usable && i < text.size(); ++i) {
    const char c = text[i];
    w.usable = c != '\r' && c != '\n' && c != kEndOfFile;
    w.bits |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * i);
  }
  if (w.usable) w.mask = (std::uint64_t{1} << (8 * w.n)) - 1;
  return w;
}

// find_in_lines for texts that are usable words, sixteen bytes at a time:
// the line starts of a block (after an LF, and after a CR that no LF follows)
// come from three byte comparisons, and each line is compared in one word.
// Lines that take_line would cut (255 bytes or more) are never equal to such
// a text, so only a byte 26 stops the scan early. Returns a line start: after
// the line that equals a or b (found), or one from which take_line goes on.
template <bool kTwo>
const char* find_in_blocks(const char* p, const char* safe_end, const TextWord& a, const TextWord& b,
                           int& found) {
  found = 0;
  // Which text the line at s is; s[0, 8) and s[n + 1] may be read.
  auto same = [&](const char* s) {
    std::uint64_t w;
    std::memcpy(&w, s, 8);
    if ((w & a.mask) == a.bits && (s[a.n] == '\n' || s[a.n] == '\r')) return 1;
    return kTwo && (w & b.mask) == b.bits && (s[b.n] == '\n' || s[b.n] == '\r') ? 2 : 0;
  };
  auto after = [&](const char* s) {
    const std::size_t n = found == 1 ? a.n : b.n;
    return s + n + (s[n] == '\r' && s[n + 1] == '\n' ? 2 : 1);
  };
  if (p >= safe_end) return p;
  if ((found = same(p)) != 0) return after(p);
  const char* last = p;  // the last line start looked at
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), eof = _mm_set1_epi8(kEndOfFile);
  for (const char* block = p; block + 16 <= safe_end; block += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 1));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(here, eof)) != 0) return last;
    // Bit i: a line starts at block + i + 1.
    unsigned starts = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lf)) |
                                            (_mm_movemask_epi8(_mm_cmpeq_epi8(here, cr)) &
                                             ~_mm_movemask_epi8(_mm_cmpeq_epi8(next, lf))));
    while (starts != 0) {
      const char* const s = block + std::countr_zero(starts) + 1;
      starts &= starts - 1;
      if ((found = same(s)) != 0) return after(s);
      last = s;
    }
  }
  return last;
}
#endif

template <bool kTwo>
int find_lines(TextFile& f, std::string_view a, std::string_view b) {
  if (!can_read(f, "at_end")) return 0;
#ifdef __SSE2__
  const TextWord word_a = text_word(a), word_b = text_word(b);
  const bool in_words = word_a.usable && (!kTwo || word_b.usable);
#endif
  for (;;) {
    // The lines that lie whole in the buffer, and well before its end, are
    // gone through in blocks; the others as at_end and take_line say.
    const char* const safe_end = f.buf + f.len - std::min(f.len, 2 * kMaxToken);
    int found;
#ifdef __SSE2__
    const char* const p = in_words ? find_in_blocks<kTwo>(f.buf + f.pos, safe_end, word_a, word_b, found)
                                   : find_in_lines<kTwo>(f.buf + f.pos, safe_end, a, b, found);
#else
    const char* const p = find_in_lines<kTwo>(f.buf + f.pos, safe_end, a, b, found);
#endif
    f.pos = static_cast<std::size_t>(p - f.buf);
    if (found != 0) return found;
    if (at_end(f)) return 0;
    const std::string_view line = take_line(f);
    if ((found = line_equals<kTwo>(line.data(), line.size(), a, b)) != 0) return found;
  }
}

// The byte i places from buf[0] (i < 0: one of the bytes before it), or -1
// before the start of the file.
int byte_at(const TextFile& f, std::ptrdiff_t i) {
  if (i >= 0) return static_cast<unsigned char>(f.buf[i]);
  if (-i > f.back_len) return -1;
  return static_cast<unsigned char>(f.back[static_cast<std::ptrdiff_t>(sizeof f.back) + i]);
}

// Whether a line end comes right before the line start at; end is then
// where the text of the line before ends.
bool line_before(const TextFile& f, std::ptrdiff_t at, std::ptrdiff_t& end) {
  const int last = byte_at(f, at - 1);
  end = at - (last == '\n' && byte_at(f, at - 2) == '\r' ? 2 : 1);
  return last == '\n' || last == '\r';
}

}  // namespace

bool find_line(TextFile& f, std::string_view text) { return find_lines<false>(f, text, text) != 0; }

int find_line(TextFile& f, std::string_view text, std::string_view stop) {
  return find_lines<true>(f, text, stop);
}

bool line_before_is(const TextFile& f, std::string_view found, std::string_view text) {
  // The found line lies whole in the buffer, its line end (none at the end of
  // the file) right before pos; the line before it may reach into f.back.
  const std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(f.pos);
  std::ptrdiff_t end;
  const std::ptrdiff_t found_start = (line_before(f, pos, end) ? end : pos) - static_cast<std::ptrdiff_t>(found.size());
  if (text.size() > 12 || !line_before(f, found_start, end)) return false;
  const std::ptrdiff_t start = end - static_cast<std::ptrdiff_t>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (byte_at(f, start + static_cast<std::ptrdiff_t>(i)) != static_cast<unsigned char>(text[i])) return false;
  const int before = byte_at(f, start - 1);
  return before < 0 || before == '\n' || before == '\r';
}

bool take_raw_line(TextFile& f, std::size_t keep, std::string_view& line, std::uint64_t& size) {
  line = {};
  size = 0;
  if (!can_read(f, "read_line")) return false;
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
      if (f.pos < f.len) {
        const char c = f.buf[f.pos++];
        if (c == '\r' && f.pos < f.len && f.buf[f.pos] == '\n') ++f.pos;
      }
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

void skip_line(TextFile& f) {
  if (!can_read(f, "skip_line")) return;
  if (f.len - f.pos >= 2 && f.buf[f.pos] == '\r' && f.buf[f.pos + 1] == '\n') {
    f.pos += 2;  // the usual rest of a record: its line end
    return;
  }
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

void write_str(TextFile& f, std::string_view s, int w) {
  if (!can_write(f, "write_str")) return;
  emit_padded(f, s.data(), s.size(), w);
}

void write_char(TextFile& f, char c, int w) {
  if (!can_write(f, "write_char")) return;
  if (w <= 1 && f.kind == FileKind::disk && f.len < f.cap) {
    f.buf[f.len++] = c;
    return;
  }
  emit_padded(f, &c, 1, w);
}

void write_int(TextFile& f, std::int32_t n, int w) {
  if (!can_write(f, "write_int")) return;
  char text[32];  // 11 characters at most; the larger array keeps GCC's overread check quiet
  const auto res = std::to_chars(text, text + sizeof text, n);
  emit_padded(f, text, static_cast<std::size_t>(res.ptr - text), w);
}

namespace {

constexpr std::size_t kRoom = 64;  // for the usual fixed-notation texts

// write_fixed for the console, a full buffer and texts longer than kRoom.
[[gnu::noinline]] void write_fixed_slowly(TextFile& f, double x, int w, int d) {
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

void write_fixed(TextFile& f, double x, int w, int d) {
  if (!can_write(f, "write_fixed")) return;
  // Straight into the buffer of a disk file when it has the room.
  if (f.kind == FileKind::disk && f.cap - f.len >= kRoom) {
    const std::size_t n = format_fixed(f.buf + f.len, kRoom, x, d, w);
    if (n <= kRoom) {
      f.len += n;
      return;
    }
  }
  write_fixed_slowly(f, x, w, d);
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

FixedText fixed_number(double x, int d) {
  FixedText t;
  t.size = format_fixed(t.text, sizeof t.text, x, d, 0);
  if (t.size > sizeof t.text) t.long_text = fixed_text(x, d);
  return t;
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

std::string disk_path(std::string_view path) { return platform::resolve(path, platform::Use::write); }

void flush_open_outputs() {
  for (TextFile* f = open_outputs; f != nullptr; f = f->next_open) {
    if (f->kind == FileKind::disk && f->len > 0) {
      platform::write_all(f->fd, f->buf, f->len);
      f->len = 0;
    }
  }
}

}  // namespace survey_rt
