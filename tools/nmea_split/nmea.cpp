#include "nmea.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "heave.h"
#include "plain_decimal.h"

namespace nmea {
namespace {

// The fields each kind has (the oldest form of it that carries what is read:
// GLL of NMEA 1.5 has the position only, ZDA may leave out the local zone).
int fields_needed(Kind kind) {
  switch (kind) {
    case Kind::gga: return 14;
    case Kind::gns: return 12;
    case Kind::rmc: return 11;
    case Kind::dpt: return 2;
    case Kind::gll:
    case Kind::zda: return 4;
    case Kind::dbt:
    case Kind::dbs: return 6;
    case Kind::psxn: return 1;  // the message number; each message has its own fields
    case Kind::other: break;
  }
  return 0;
}

constexpr int kMostFields = 20;  // fields looked at; a sentence may have more

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(std::string_view text) {
  for (char c : text)
    if (!is_digit(c)) return false;
  return !text.empty();
}

int digits_value(std::string_view text) {
  int v = 0;
  for (char c : text) v = v * 10 + (c - '0');
  return v;
}

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool is_text(char c) { return (c >= 32 && c < 127) || c == '\t'; }

// Printable ASCII and tabs only. Eight bytes at a time: a word with no byte
// below 32 and none from 127 on is printable; the bytes of any other word are
// looked at one by one.
bool printable(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint64_t low = (w - 32 * kOnes) & ~w;        // a byte below 32 (or a borrow)
    const std::uint64_t high = w | ((w & (0x7F * kOnes)) + kOnes);  // a byte from 127 on
    if (((low | high) & (0x80 * kOnes)) != 0 && !std::all_of(p, p + 8, is_text)) return false;
  }
  return std::all_of(p, end, is_text);
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A plain decimal, "-"? digits ("." digits)?, read as the runtime reads
// numbers; an empty field leaves v unset.
Fault number(std::string_view field, Value& v) {
  v.set = false;
  v.decimals = 0;
  if (field.empty()) return Fault::none;
  if (field[0] == '+' || !survey_rt::parse_plain_decimal(field, v.value, v.decimals)) return Fault::not_a_number;
  v.set = true;
  return Fault::none;
}

// hh, mm and ss[.s] as three texts of a time; out of range past 23:59:60.x.
Fault clock(std::string_view hh, std::string_view mm, std::string_view ss, TimeOfDay& t) {
  Value second;
  if (!all_digits(hh) || !all_digits(mm) || ss.empty() || ss[0] == '-' ||
      number(ss, second) != Fault::none)
    return Fault::not_a_number;
  t.hour = digits_value(hh);
  t.minute = digits_value(mm);
  t.second = second.value;
  t.decimals = second.decimals;
  if (t.hour > 23 || t.minute > 59 || t.second >= 61) return Fault::out_of_range;
  t.set = true;
  return Fault::none;
}

// A time field, hhmmss[.s]; an empty field leaves t unset.
Fault time_field(std::string_view field, TimeOfDay& t) {
  t = {};
  if (field.empty()) return Fault::none;
  if (field.size() < 6 || (field.size() > 6 && field[6] != '.')) return Fault::not_a_number;
  return clock(field.substr(0, 2), field.substr(2, 2), field.substr(4), t);
}

// A latitude or longitude, degrees and minutes (ddmm.mmmm, dddmm.mmmm), and
// its hemisphere letter; both empty leave v unset. In decimal degrees it keeps
// the minutes' precision: k decimals of a minute take k + 2 decimals of a
// degree (a step of 1/60 of 10^-(k+2) degrees rounds back to the same minutes),
// and at least 8, as join writes them.
Fault angle(std::string_view field, std::string_view hemisphere, int most, char plus, char minus, Value& v) {
  v = {};
  if (field.empty() && hemisphere.empty()) return Fault::none;
  const std::size_t whole = std::min(field.find('.'), field.size());
  Value minutes;
  if (whole < 3 || whole > 5 || !all_digits(field.substr(0, whole)) ||
      number(field.substr(whole - 2), minutes) != Fault::none || !minutes.set)
    return Fault::not_a_number;
  if (hemisphere.size() != 1 || (hemisphere[0] != plus && hemisphere[0] != minus))
    return Fault::not_a_number;
  const int degrees = digits_value(field.substr(0, whole - 2));
  const double value = degrees + minutes.value / 60.0;
  if (minutes.value >= 60 || value > most) return Fault::out_of_range;
  v.value = hemisphere[0] == minus ? -value : value;
  v.decimals = std::max(8, minutes.decimals + 2);
  v.set = true;
  return Fault::none;
}

// What one pass over a sentence finds up to its "*" (or its end).
struct Scan {
  const char* star = nullptr;  // the "*", or the end
  unsigned sum = 0;            // the exclusive or of the bytes before it
  int fields = 0;              // commas before it
  const char* commas[kMostFields + 1];
};

// The pass, eight bytes at a time on little-endian machines: in each word
// the bytes before the first "*", and among them the commas and any byte
// that is no text, found by byte-wise arithmetic that carries nothing from
// one byte to the next. False when a byte is no text.
bool scan_sentence(const char* q, const char* end, Scan& scan) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kLow7 = 0x7F * kOnes, kHigh = 0x80 * kOnes;
  auto zero_bytes = [&](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
  auto add_comma = [&](const char* at) {
    if (scan.fields++ <= kMostFields) scan.commas[scan.fields - 1] = at;
  };
  if constexpr (std::endian::native != std::endian::little) {
    for (; q < end && *q != '*'; ++q) {
      if (!is_text(*q)) return false;
      scan.sum ^= static_cast<unsigned char>(*q);
      if (*q == ',') add_comma(q);
    }
    scan.star = q;
    return true;
  }
  std::uint64_t sum = 0;
  for (;; q += 8) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::ptrdiff_t>(8, end - q));
    std::uint64_t w = 0;
    if (n > 0) std::memcpy(&w, q, n);
    const std::uint64_t bytes = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
    const std::uint64_t star = zero_bytes(w ^ ('*' * kOnes)) & bytes;
    const std::uint64_t before = star != 0 ? ((star & (0 - star)) >> 7) - 1 : bytes;
    w &= before;
    const std::uint64_t low7 = w & kLow7;
    const std::uint64_t not_text = (w | ~(low7 + 0x60 * kOnes) | (low7 + kOnes)) & ~zero_bytes(w ^ ('\t' * kOnes));
    if ((not_text & before & kHigh) != 0) return false;
    sum ^= w;
    for (std::uint64_t c = zero_bytes(w ^ (',' * kOnes)) & before & kHigh; c != 0; c &= c - 1)
      add_comma(q + std::countr_zero(c) / 8);
    if (star != 0 || n < 8) {
      scan.star = star != 0 ? q + std::countr_zero(star) / 8 : end;
      break;
    }
  }
  sum ^= sum >> 32;
  sum ^= sum >> 16;
  sum ^= sum >> 8;
  scan.sum = static_cast<unsigned>(sum & 0xFF);
  return true;
}

// Whether text[at] starts a sentence: a "$" or "!", its address (two
// capitals or digits or more: a talker and a formatter, or "P" and a maker's
// code) and a "," or "*".
bool starts_sentence(std::string_view text, std::size_t at) {
  if (text[at] != '$' && text[at] != '!') return false;
  std::size_t k = at + 1;
  while (k < text.size() && ((text[k] >= 'A' && text[k] <= 'Z') || is_digit(text[k]))) ++k;
  return k - at > 2 && k < text.size() && (text[k] == ',' || text[k] == '*');
}

// Where another sentence starts after a sentence's "*hh" that ends at from,
// printable text (a logger's note, blanks) between passed over; 0 when no
// other sentence follows.
std::size_t next_start(std::string_view text, std::size_t from) {
  while (from < text.size() && is_text(text[from]) && text[from] != '$' && text[from] != '!') ++from;
  return from < text.size() && starts_sentence(text, from) ? from : 0;
}

// Where the rest of a line begins when the sentence whose "*" is at star,
// the exclusive or of its bytes sum, ends in a right "*hh" that another
// sentence follows (a lost line end: two sentences or more on one line); 0
// when it does not.
std::size_t cut_after(std::string_view text, const char* star, unsigned sum) {
  if (text.data() + text.size() - star < 4) return 0;  // "*hh" and at least a byte more
  const int high = hex_value(star[1]), low = hex_value(star[2]);
  if (high < 0 || low < 0 || static_cast<unsigned>(high * 16 + low) != sum) return 0;
  return next_start(text, static_cast<std::size_t>(star + 3 - text.data()));
}

// cut_after for a "*hh" that does not give the sum: the sentence whose "$"
// is at sentence is cut from the next all the same, to be rejected on its
// own, when it holds no "$" or "!" after its first byte; else it may be a
// sentence cut short by a lost line end, the "*hh" the next one's (that one
// is then looked for as after other text).
std::size_t cut_after_wrong(std::string_view text, const char* sentence, const char* star) {
  if (text.data() + text.size() - star < 4 || hex_value(star[1]) < 0 || hex_value(star[2]) < 0) return 0;
  const std::string_view body(sentence + 1, static_cast<std::size_t>(star - sentence - 1));
  if (body.find_first_of("$!") != std::string_view::npos) return 0;
  return next_start(text, static_cast<std::size_t>(star + 3 - text.data()));
}

// cut_after for a sentence of another kind at text[start] (not scanned: the
// bytes before its "*" must be text, their exclusive or its sum). Only when
// something follows its "*hh".
std::size_t cut_after_other(std::string_view text, std::size_t start) {
  const char* p = text.data() + start + 1;
  const char* const end = text.data() + text.size();
  const char* const star = static_cast<const char*>(std::memchr(p, '*', static_cast<std::size_t>(end - p)));
  if (star == nullptr || end - star < 4 || next_start(text, static_cast<std::size_t>(star + 3 - text.data())) == 0)
    return 0;
  unsigned sum = 0;
  for (; p < star; ++p) {
    if (!is_text(*p)) return 0;
    sum ^= static_cast<unsigned char>(*p);
  }
  return cut_after(text, star, sum);
}

// Where the rest of a line begins after the sentence at sentence (its "$"),
// its "*" at star and the exclusive or of its bytes sum: cut_after, else
// cut_after_wrong; right tells which. (Out of line: most lines hold one
// sentence.)
struct Cut {
  std::size_t rest;
  bool right;
};
[[gnu::noinline]] Cut cut(std::string_view text, const char* sentence, const char* star, unsigned sum) {
  if (const std::size_t rest = cut_after(text, star, sum)) return {rest, true};
  return {cut_after_wrong(text, sentence, star), false};
}

// The fields of a scanned sentence, made when asked for: the text between
// a comma and the next one (or the end of the sentence).
struct Fields {
  const Scan& scan;
  const char* end;
  std::string_view operator[](int k) const {
    const char* const from = scan.commas[k] + 1;
    const char* const to = k + 1 < scan.fields ? scan.commas[k + 1] : end;
    return {from, static_cast<std::size_t>(std::max(from, to) - from)};
  }
};

// A latitude and longitude that a fix must have.
Fault position(const Fields& f, int first, Sentence& s) {
  if (const Fault e = angle(f[first], f[first + 1], 90, 'N', 'S', s.latitude); e != Fault::none) return e;
  if (const Fault e = angle(f[first + 2], f[first + 3], 180, 'E', 'W', s.longitude); e != Fault::none) return e;
  return s.latitude.set && s.longitude.set ? Fault::none : Fault::not_a_number;
}

Fault date(std::string_view dd, std::string_view mm, std::string_view year, Sentence& s) {
  if (!all_digits(dd) || !all_digits(mm) || !all_digits(year)) return Fault::not_a_number;
  s.day = digits_value(dd);
  s.month = digits_value(mm);
  s.year = digits_value(year.substr(0, std::min<std::size_t>(year.size(), 5)));
  if (year.size() == 2) s.year += s.year < 80 ? 2000 : 1900;  // ddmmyy of RMC
  if (s.day < 1 || s.day > 31 || s.month < 1 || s.month > 12 || year.size() > 4) {
    s.year = s.month = s.day = 0;
    return Fault::out_of_range;
  }
  return Fault::none;
}

// A status or quality that tells a fix.
Fault status(std::string_view field, bool& fix) {
  if (field != "A" && field != "V") return Fault::not_a_number;
  fix = field == "A";
  return Fault::none;
}

// The quality of a fix from a mode letter: A 1, D 2, P 3, R 4, F 5 are real
// fixes; E (estimated), M (manual), S (simulator), N (not valid) and any other
// letter are not.
void mode(char letter, Sentence& s) {
  switch (letter) {
    case 'A': s.quality = 1; break;
    case 'D': s.quality = 2; break;
    case 'P': s.quality = 3; break;
    case 'R': s.quality = 4; break;
    case 'F': s.quality = 5; break;
    case 'E': s.quality = 6; break;
    case 'M': s.quality = 7; break;
    case 'S': s.quality = 8; break;
    default: s.quality = 0; break;
  }
  s.real = s.quality >= 1 && s.quality <= 5;
}

// The mode field of RMC and GLL (NMEA 2.3 on), k: the fix's quality; a
// sentence without one, or with it empty, is an autonomous fix.
void mode_field(const Fields& f, int k, Sentence& s) {
  const std::string_view field = k < f.scan.fields ? f[k] : std::string_view();
  if (field.empty()) {
    s.quality = 1;
    s.real = true;
  } else {
    mode(field.size() == 1 ? field[0] : '?', s);
  }
}

// The altitude of a GGA fix of quality 4 (the RTK water level), in metres;
// left unset when it is not a plain number in M: the position stays good.
void altitude(const Fields& f, Sentence& s) {
  if (s.quality != 4 || f[9] != "M" || number(f[8], s.altitude) != Fault::none) s.altitude.set = false;
}

// fix_only: of a position sentence the fix, its quality and its time only.
Fault read_fields(const Fields& f, Sentence& s, bool fix_only) {
  Fault e = Fault::none;
  switch (s.kind) {
    case Kind::gga:
      if (!all_digits(f[5])) return Fault::not_a_number;
      s.quality = digits_value(f[5].substr(0, std::min<std::size_t>(f[5].size(), 3)));
      s.fix = s.quality > 0;
      s.real = s.fix && (s.quality < 6 || s.quality == 9);  // 9: SBAS in some receivers
      if ((e = time_field(f[0], s.time)) != Fault::none) return e;
      if (!s.fix || fix_only) return Fault::none;
      if ((e = position(f, 1, s)) != Fault::none) return e;
      altitude(f, s);
      return Fault::none;
    case Kind::gns: {
      // One mode letter a satellite system (GPS, GLONASS, Galileo, ...), N
      // for the ones not used: the first other letter tells the fix.
      const std::string_view modes = f[5];
      if (modes.empty()) return Fault::not_a_number;
      const std::size_t used = modes.find_first_not_of('N');
      s.fix = used != std::string_view::npos;
      if (s.fix) mode(modes[used], s);
      if ((e = time_field(f[0], s.time)) != Fault::none) return e;
      return s.fix && !fix_only ? position(f, 1, s) : Fault::none;
    }
    case Kind::rmc:
      if ((e = status(f[1], s.fix)) != Fault::none || (e = time_field(f[0], s.time)) != Fault::none) return e;
      if (s.fix) mode_field(f, 11, s);
      if (fix_only) return Fault::none;
      if (!f[8].empty()) {
        if (f[8].size() != 6) return Fault::not_a_number;
        if ((e = date(f[8].substr(0, 2), f[8].substr(2, 2), f[8].substr(4), s)) != Fault::none) return e;
      }
      return s.fix ? position(f, 2, s) : Fault::none;
    case Kind::gll:
      if (f.scan.fields >= 6) {
        if ((e = status(f[5], s.fix)) != Fault::none) return e;
        if (s.fix) mode_field(f, 6, s);
      } else {
        // NMEA 1.5: the position alone (a time after it in some), a fix
        // when it is there.
        s.fix = !f[0].empty() || !f[2].empty();
        s.quality = 1;
        s.real = true;
      }
      if (f.scan.fields >= 5 && (e = time_field(f[4], s.time)) != Fault::none) return e;
      return s.fix && !fix_only ? position(f, 0, s) : Fault::none;
    case Kind::zda:
      if ((e = time_field(f[0], s.time)) != Fault::none) return e;
      if (f[1].empty() && f[2].empty() && f[3].empty()) return Fault::none;
      if (f[3].size() != 4) return Fault::not_a_number;
      return date(f[1], f[2], f[3], s);
    case Kind::dbt:
    case Kind::dbs: {
      // The metres; when the sounder leaves them out, the feet or the
      // fathoms converted, with one decimal more (a tenth of a foot is 3 cm).
      Value feet, metres, fathoms;
      if ((e = number(f[0], feet)) != Fault::none || (e = number(f[2], metres)) != Fault::none ||
          (e = number(f[4], fathoms)) != Fault::none)
        return e;
      // A unit letter goes with its number: f, M or F, or nothing when the
      // number is left out.
      auto unit = [&](int k, const Value& v, char letter) {
        return f[k].size() == 1 ? f[k][0] == letter : f[k].empty() && !v.set;
      };
      if (!unit(1, feet, 'f') || !unit(3, metres, 'M') || !unit(5, fathoms, 'F')) return Fault::unit;
      if ((feet.set && feet.value < 0) || (metres.set && metres.value < 0) || (fathoms.set && fathoms.value < 0))
        return Fault::negative_depth;
      if (metres.set) {
        s.depth = metres;
      } else if (feet.set) {
        s.depth = {feet.value * 0.3048, feet.decimals + 1, true};
      } else if (fathoms.set) {
        s.depth = {fathoms.value * 1.8288, fathoms.decimals + 1, true};
      }
      return Fault::none;
    }
    case Kind::dpt:
      if ((e = number(f[0], s.depth)) != Fault::none) return e;
      if (s.depth.set && s.depth.value < 0) return Fault::negative_depth;
      return number(f[1], s.offset);
    case Kind::psxn: {
      std::string_view fields[kPsxnFields];
      const int n = std::min(f.scan.fields, kPsxnFields);
      for (int k = 0; k < n; ++k) fields[k] = f[k];
      return read_psxn(std::span<const std::string_view>(fields, static_cast<std::size_t>(n)), s);
    }
    case Kind::other: break;
  }
  return Fault::none;
}

// The last time hh:mm:ss[.f] in the text: two digits each, no digit just
// before it nor just after it, hours to 23, minutes to 59, seconds below 61.
void find_tag(std::string_view text, TimeOfDay& t) {
  for (std::size_t i = text.size() < 8 ? 0 : text.size() - 7; i-- > 0;) {
    const char* p = text.data() + i;
    if (!is_digit(p[0]) || !is_digit(p[1]) || p[2] != ':' || !is_digit(p[3]) || !is_digit(p[4]) ||
        p[5] != ':' || !is_digit(p[6]) || !is_digit(p[7]) || (i > 0 && is_digit(p[-1])))
      continue;
    std::size_t end = i + 8;
    if (end + 1 < text.size() && text[end] == '.' && is_digit(text[end + 1])) {
      ++end;
      while (end < text.size() && is_digit(text[end])) ++end;
    } else if (end < text.size() && is_digit(text[end])) {
      continue;
    }
    TimeOfDay found;
    if (clock(text.substr(i, 2), text.substr(i + 3, 2), text.substr(i + 6, end - i - 6), found) ==
        Fault::none) {
      t = found;
      return;
    }
  }
}

Kind kind_at(std::string_view text, std::size_t start) {
  if (text[start] != '$' || text.size() < start + 6) return Kind::other;
  const char* const a = text.data() + start + 1;
  if (std::string_view(a, 4) == "PSXN" && (a[4] == ',' || a[4] == '*')) return Kind::psxn;
  for (int i = 0; i < 5; ++i)
    if (!is_digit(a[i]) && (a[i] < 'A' || a[i] > 'Z')) return Kind::other;
  if (text.size() > start + 6 && a[5] != ',' && a[5] != '*') return Kind::other;
  // The formatter, the three letters after the talker.
  switch ((a[2] << 16) | (a[3] << 8) | a[4]) {
    case 'G' << 16 | 'G' << 8 | 'A': return Kind::gga;
    case 'G' << 16 | 'N' << 8 | 'S': return Kind::gns;
    case 'R' << 16 | 'M' << 8 | 'C': return Kind::rmc;
    case 'G' << 16 | 'L' << 8 | 'L': return Kind::gll;
    case 'Z' << 16 | 'D' << 8 | 'A': return Kind::zda;
    case 'D' << 16 | 'B' << 8 | 'T': return Kind::dbt;
    case 'D' << 16 | 'P' << 8 | 'T': return Kind::dpt;
    case 'D' << 16 | 'B' << 8 | 'S': return Kind::dbs;
    default: return Kind::other;
  }
}

// The last "$" that starts a sentence of a kind read here, or npos.
std::size_t last_start(std::string_view text) {
  for (std::size_t at = text.rfind('$'); at != std::string_view::npos;
       at = at == 0 ? std::string_view::npos : text.rfind('$', at - 1))
    if (kind_at(text, at) != Kind::other) return at;
  return std::string_view::npos;
}

// What a sentence may leave set, cleared field by field (a line is read
// twice for each of millions of lines).
void clear(Sentence& s) {
  s.kind = Kind::other;
  s.tag.set = s.time.set = s.fix = s.real = s.recovered = false;
  s.quality = 0;
  s.latitude.set = s.longitude.set = s.depth.set = s.offset.set = s.altitude.set = s.heave.set = false;
  s.year = s.month = s.day = 0;
  s.rest = 0;
}

// The sentence of kind s.kind at text[start]: its checksum and its fields
// (s.rest set when another sentence follows its right checksum). summed: a
// checksum was there and right.
Fault read_at(std::string_view text, std::size_t start, Sentence& s, bool& summed, bool fix_only = false) {
  const char* const end = text.data() + text.size();
  const char* const p = text.data() + start;
  summed = false;
  Scan scan;
  if (!scan_sentence(p + 1, end, scan)) return Fault::junk;
  const char* const q = scan.star;
  const char* body_end = q;
  if (q < end) {
    // Two hex digits after "*" must give that sum (and another sentence may
    // follow them: the rest of the line, this one rejected when they do not). A sentence without "*" has none to check: its fields
    // must then all be there.
    const std::string_view tail = trim_blanks({q + 1, end});
    const Cut c = tail.size() > 2 ? cut(text, p, q, scan.sum) : Cut{0, false};
    if (c.rest != 0) [[unlikely]] {
      s.rest = c.rest;
      if (!c.right) return Fault::checksum;
      summed = true;
    } else {
      if (!printable(tail)) return Fault::junk;
      if (tail.size() < 2) return Fault::cut_short;
      const int high = hex_value(tail[0]), low = hex_value(tail[1]);
      if (tail.size() != 2 || high < 0 || low < 0 || static_cast<unsigned>(high * 16 + low) != scan.sum)
        return Fault::checksum;
      summed = true;
    }
  } else {
    while (body_end > p + 1 && (body_end[-1] == ' ' || body_end[-1] == '\t')) --body_end;
  }
  if (scan.fields < fields_needed(s.kind)) return Fault::cut_short;
  return read_fields(Fields{scan, body_end}, s, fix_only);
}

// The tag of a line: the last time in the printable text at its start,
// before its first "$" or "!", so that no text of a sentence gives one.
void line_tag(std::string_view text, TimeOfDay& t) {
  std::size_t prefix = 0;
  while (prefix < text.size() && is_text(text[prefix]) && text[prefix] != '$' && text[prefix] != '!') ++prefix;
  find_tag({text.data(), prefix}, t);
}

// A sentence with a right checksum after other text on the line (the line
// end before it lost, or a receiver's binary frame before it): the first "$"
// after first (the line's first "$" or "!", npos: none) that starts one of
// the kinds read and whose checksum is there and right; the sentences that
// follow it on the line are its rest (s.rest). Its tag is the last time in
// the printable text at the start of the line, so that what stands between
// (an AIS sentence, binary bytes) gives none. False, s of no kind, when there
// is none. (Out of line: the common path of read_sentence stays small.)
[[gnu::noinline]] bool recover(std::string_view text, std::size_t first, Sentence& s, Fault& fault) {
  std::size_t at = first == std::string_view::npos ? 0 : first + 1;
  for (; (at = text.find('$', at)) != std::string_view::npos; ++at) {
    clear(s);
    s.kind = kind_at(text, at);
    if (s.kind == Kind::other) continue;
    bool summed = false;
    fault = read_at(text, at, s, summed);
    if (!summed) continue;
    s.recovered = true;
    s.tag.set = false;
    if (fault == Fault::none) line_tag(text, s.tag);
    return true;
  }
  clear(s);
  return false;
}

}  // namespace

Fault read_sentence(std::string_view text, std::uint64_t size, Sentence& s, bool fix_only) {
  clear(s);
  if (size > kMaxLine) return Fault::too_long;
  const char* const end = text.data() + text.size();
  const char* p = text.data();
  while (p < end && *p != '$' && *p != '!' && is_text(*p)) ++p;
  Fault fault = p == end ? Fault::no_sentence : Fault::junk;
  std::size_t start = std::string_view::npos;
  if (p < end && is_text(*p)) {
    start = static_cast<std::size_t>(p - text.data());
    s.kind = kind_at(text, start);
    if (s.kind == Kind::other) {
      fault = printable({p, end}) ? Fault::none : Fault::junk;
    } else {
      bool summed = false;
      fault = read_at(text, start, s, summed, fix_only);
      if (fault == Fault::none) {
        if (!fix_only || !s.time.set) find_tag({text.data(), start}, s.tag);
        return fault;
      }
      if (s.rest != 0) return fault;  // a sentence of its own, cut from the next after its "*hh"
    }
  }
  // Not a sound sentence of a kind read here: one after it may be. (Most
  // lines have one "$": memchr tells that fast.)
  if (start != std::string_view::npos) {
    if (text.find('$', start + 1) == std::string_view::npos) return fault;
    // A sentence of another kind (or of none) that one of them follows.
    if (s.kind == Kind::other && (s.rest = cut_after_other(text, start)) != 0) return Fault::none;
  }
  const Kind first_kind = s.kind;
  Fault later = Fault::none;
  if (recover(text, start, s, later)) return later;
  s.kind = first_kind;
  return fault;
}

const char* fault_text(Fault fault) {
  switch (fault) {
    case Fault::none: return "";
    case Fault::too_long: return "line too long";
    case Fault::junk: return "binary junk";
    case Fault::no_sentence: return "no NMEA sentence";
    case Fault::checksum: return "checksum does not match";
    case Fault::cut_short: return "sentence cut short";
    case Fault::not_a_number: return "field not a number";
    case Fault::out_of_range: return "field out of range";
    case Fault::unit: return "wrong unit letter";
    case Fault::negative_depth: return "negative depth";
  }
  return "";
}

Fault read_decimal(std::string_view field, Value& v) { return number(field, v); }

Kind kind_of(std::string_view line, bool& more) {
  const std::size_t first = line.find_first_of("$!");
  if (first == std::string_view::npos) {
    more = false;
    return Kind::other;
  }
  more = line.find('$', first + 1) != std::string_view::npos;
  if (more) {
    const std::size_t last = last_start(line);
    more = last != std::string_view::npos && last > first;
  }
  return kind_at(line, first);
}

void start_rest(LineSentences& line, std::string_view text, std::size_t rest) {
  line.rest = text.substr(rest);
  line.tag = {};
  line_tag(text, line.tag);
}

Fault next_sentence(LineSentences& line, Sentence& s) {
  const std::string_view part = line.rest;
  const Fault fault = read_sentence(part, part.size(), s);
  if (fault == Fault::none && s.kind != Kind::other) s.tag = line.tag;
  line.rest = s.rest != 0 ? part.substr(s.rest) : std::string_view();
  return fault;
}

TimeOfDay time_of_day(double seconds) {
  constexpr std::int64_t kDay = 86400000;
  const std::int64_t ms = (std::llround(seconds * 1000.0) % kDay + kDay) % kDay;
  TimeOfDay t;
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<double>(ms % 60000) / 1000.0;
  t.decimals = 3;
  t.set = true;
  return t;
}

TimeOfDay second_later(TimeOfDay t) {
  t.second += 1;
  if (t.second >= 60) {
    t.second -= 60;
    if (++t.minute == 60) {
      t.minute = 0;
      if (++t.hour == 24) t.hour = 0;
    }
  }
  return t;
}

bool take_log_line(survey_rt::TextFile& f, std::int64_t line, std::string_view& text, std::uint64_t& size) {
  const bool got = survey_rt::take_raw_line(f, kMaxLine, text, size);
  if (got && line == 0 && text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
    size -= 3;
  }
  return got;
}

}  // namespace nmea
