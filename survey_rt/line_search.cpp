#include "line_search.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "file_buffer.h"

namespace survey_rt {

using detail::buffer_of;
using detail::can_read;
using detail::FileBuffer;
using detail::find_line_end;
using detail::kEndOfFile;
using detail::kMaxToken;

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
// Fast path: it must stop where at_end and take_line, line by line, find the
// line; LineSearchTest.FindLineStopsWhereTakingLinesFindsIt and the fuzz
// target dxf_scan check it.
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
// Fast path: it must stop where find_in_lines stops; the same test and fuzz
// target check it.
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
int find_lines(TextFile& file, std::string_view a, std::string_view b) {
  FileBuffer& f = buffer_of(file);
  if (!can_read(f, "find_line")) return 0;
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
    if (at_end(file)) return 0;
    const std::string_view line = take_line(file);
    if ((found = line_equals<kTwo>(line.data(), line.size(), a, b)) != 0) return found;
  }
}

// The byte i places from buf[0] (i < 0: one of the bytes before it), or -1
// before the start of the file.
int byte_at(const FileBuffer& f, std::ptrdiff_t i) {
  if (i >= 0) return static_cast<unsigned char>(f.buf[i]);
  if (-i > f.back_len) return -1;
  return static_cast<unsigned char>(f.back[static_cast<std::ptrdiff_t>(sizeof f.back) + i]);
}

// Whether a line end comes right before the line start at; end is then
// where the text of the line before ends.
bool line_before(const FileBuffer& f, std::ptrdiff_t at, std::ptrdiff_t& end) {
  const int last = byte_at(f, at - 1);
  end = at - (last == '\n' && byte_at(f, at - 2) == '\r' ? 2 : 1);
  return last == '\n' || last == '\r';
}

}  // namespace

bool find_line(TextFile& f, std::string_view text) { return find_lines<false>(f, text, text) != 0; }

int find_line(TextFile& f, std::string_view text, std::string_view stop) {
  return find_lines<true>(f, text, stop);
}

bool line_before_reads(const TextFile& file, std::string_view found, std::string_view word) {
  const FileBuffer& f = buffer_of(file);
  // The found line lies whole in the buffer, its line end (none at the end of
  // the file) right before pos; the line before it may reach into f.back.
  const std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(f.pos);
  std::ptrdiff_t end;
  const std::ptrdiff_t found_start = (line_before(f, pos, end) ? end : pos) - static_cast<std::ptrdiff_t>(found.size());
  if (!line_before(f, found_start, end)) return false;
  // Its start: after a line end or at the start of the file, at most
  // kMaxLineBefore bytes back.
  std::ptrdiff_t start = end;
  for (;;) {
    const int c = byte_at(f, start - 1);
    if (c < 0 || c == '\n' || c == '\r') break;
    if (end - start == static_cast<std::ptrdiff_t>(kMaxLineBefore)) return false;
    --start;
  }
  auto blank = [&](std::ptrdiff_t i) {
    const int c = byte_at(f, i);
    return c == ' ' || c == '\t';
  };
  while (start < end && blank(start)) ++start;
  while (end > start && blank(end - 1)) --end;
  if (end - start != static_cast<std::ptrdiff_t>(word.size())) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (byte_at(f, start + static_cast<std::ptrdiff_t>(i)) != static_cast<unsigned char>(word[i])) return false;
  return true;
}

}  // namespace survey_rt
