#include "fixed_notation.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "number_grammar.h"
#include "padding.h"
#include "powers_of_ten.h"

namespace survey_rt {

using detail::kExactPow10;
using detail::kPow10;

long significant_digits_exact(double a, char s[17]) {
  char sci[40];
  const char* end = std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, 16).ptr;
  // sci = "D.DDDDDDDDDDDDDDDDe[+-]XX"
  s[0] = sci[0];
  for (int i = 1; i < 17; ++i) s[i] = sci[i + 1];
  const char* exp_text = sci + 19;
  if (*exp_text == '+') ++exp_text;
  long e = 0;
  std::from_chars(exp_text, end, e);
  return e;
}

namespace {

__extension__ typedef unsigned __int128 uint128;

// 10^-5 to 10^16 as the nearest doubles.
constexpr double kPow10Double[] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,
                                   1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10,
                                   1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

uint128 pow10_128(int k) {
  return k < 20 ? uint128{kPow10[k]} : uint128{kPow10[19]} * kPow10[k - 19];
}

// a * 10^k, where a = m * 2^shift, rounded to an integer with ties to even;
// exact in 128 bits over the range significant_digits uses it for.
std::uint64_t scaled_round(std::uint64_t m, int shift, int k) {
  const uint128 n = uint128{m} * pow10_128(k);
  if (shift >= 0) return static_cast<std::uint64_t>(n << shift);
  const int r = -shift;
  const uint128 q = n >> r;
  const uint128 rest = n - (q << r);
  const uint128 half = uint128{1} << (r - 1);
  std::uint64_t result = static_cast<std::uint64_t>(q);
  if (rest > half || (rest == half && (result & 1) != 0)) ++result;
  return result;
}

}  // namespace

// Values from 1e-5 to 1e16, where the survey's numbers lie, are done in integer
// arithmetic; the rest by to_chars.
// Fast path: it must give the digits of significant_digits_exact;
// SignificantDigits.FastPathAgreesWithExactConversion checks it.
std::uint64_t significant_value(double a, long& e) {
  if (!(a >= 1e-5 && a < 1e16)) {
    char s[17];
    e = significant_digits_exact(a, s);
    std::uint64_t q = 0;
    for (char c : s) q = q * 10 + static_cast<unsigned>(c - '0');
    return q;
  }
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const std::uint64_t m = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
  const int shift = static_cast<int>((bits >> 52) & 0x7FF) - 1075;
  // floor(log10(2^k)) for the binary exponent k of a is e or one below it;
  // the powers of ten tell which (the loop below corrects a wrong guess).
  const int k = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
  e = (k * 78913) >> 18;
  if (e + 1 >= -5 && e + 1 <= 16 && a >= kPow10Double[e + 1 + 5]) ++e;
  std::uint64_t q = 0;
  for (int tries = 0; tries < 3; ++tries) {
    q = scaled_round(m, shift, static_cast<int>(16 - e));
    if (q == kPow10[17]) {  // rounded up to the next power of ten
      q = kPow10[16];
      ++e;
      break;
    }
    if (q > kPow10[17]) {
      ++e;
    } else if (q < kPow10[16]) {
      --e;
    } else {
      break;
    }
  }
  return q;
}

long significant_digits(double a, char s[17]) {
  long e;
  std::uint64_t q = significant_value(a, e);
  // Nine digits and eight digits, each in 32-bit arithmetic.
  std::uint32_t high = static_cast<std::uint32_t>(q / 100000000);
  std::uint32_t low = static_cast<std::uint32_t>(q % 100000000);
  for (int i = 16; i >= 9; --i) {
    s[i] = static_cast<char>('0' + low % 10);
    low /= 10;
  }
  for (int i = 8; i >= 0; --i) {
    s[i] = static_cast<char>('0' + high % 10);
    high /= 10;
  }
  return e;
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The last n decimal digits of v (with leading zeros), ending just before
// end; returns what is left of v in front of them. Two digits at a time, in
// 32-bit arithmetic where v allows.
template <typename Unsigned>
inline Unsigned put_digit_pairs(char* end, Unsigned v, std::size_t n) {
  for (; n >= 2; n -= 2) {
    const Unsigned pair = v % 100;
    v /= 100;
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * pair, 2);
  }
  if (n == 1) {
    *--end = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return v;
}

inline std::uint64_t put_digits(char* end, std::uint64_t v, std::size_t n) {
  if (v <= 0xFFFFFFFF) return put_digit_pairs(end, static_cast<std::uint32_t>(v), n);
  return put_digit_pairs(end, v, n);
}

// The number of decimal digits of v, 1 for 0.
inline std::size_t digit_count(std::uint64_t v) {
  v |= 1;  // the same number of digits, and at least one
  const int guess = (std::bit_width(v) * 1233) >> 12;  // the digits, or one less
  return static_cast<std::size_t>(guess + (v >= kPow10[guess] ? 1 : 0));
}

// q / 10^p for p from 0 to 17, each a division by a constant (a multiply).
inline std::uint64_t div_pow10(std::uint64_t q, int p) {
  switch (p) {
    case 0: return q;
    case 1: return q / 10ULL;
    case 2: return q / 100ULL;
    case 3: return q / 1000ULL;
    case 4: return q / 10000ULL;
    case 5: return q / 100000ULL;
    case 6: return q / 1000000ULL;
    case 7: return q / 10000000ULL;
    case 8: return q / 100000000ULL;
    case 9: return q / 1000000000ULL;
    case 10: return q / 10000000000ULL;
    case 11: return q / 100000000000ULL;
    case 12: return q / 1000000000000ULL;
    case 13: return q / 10000000000000ULL;
    case 14: return q / 100000000000000ULL;
    case 15: return q / 1000000000000000ULL;
    case 16: return q / 10000000000000000ULL;
    default: return q / 100000000000000000ULL;
  }
}

}  // namespace

namespace {

// The eight decimal digits of v < 10^8 as the bytes of a word, the first
// digit in the lowest byte (for little-endian machines): the two halves of
// four digits, each split into two pairs, each pair into two digits, all at
// once in lanes of the word.
inline std::uint64_t eight_digit_bytes(std::uint32_t v) {
  const std::uint64_t halves = (v / 10000) | (static_cast<std::uint64_t>(v % 10000) << 32);
  const std::uint64_t high_pairs = ((halves * 10486) >> 20) & ((0x7FULL << 32) | 0x7F);
  const std::uint64_t low_pairs = halves - 100 * high_pairs;
  const std::uint64_t pairs = (low_pairs << 16) + high_pairs;
  std::uint64_t tens = ((pairs * 103) >> 10) & ((0xFULL << 48) | (0xFULL << 32) | (0xFULL << 16) | 0xF);
  tens += (pairs - 10 * tens) << 8;
  return tens + 0x3030303030303030ULL;
}

// The text of the whole number kept with its last d digits as the fraction
// (d = 0: none, no point), a "-" in front when negative, right-aligned with
// blanks in w; written when it fits in cap. Returns its length.
[[gnu::noinline]] std::size_t put_kept_digits(char* out, std::size_t cap, std::uint64_t kept, int d,
                                              int w, bool negative) {
  const std::size_t decimals = static_cast<std::size_t>(d);
  const std::size_t digits = digit_count(kept);
  const std::size_t whole_digits = digits > decimals ? digits - decimals : 1;
  const std::size_t text_length = (negative ? 1 : 0) + whole_digits + (d > 0 ? 1 + decimals : 0);
  const std::size_t pad = padding(w, text_length);
  if (pad + text_length > cap) return pad + text_length;
  char* o = out;
  std::memset(o, ' ', pad);
  o += pad;
  if (negative) *o++ = '-';
  char* end = o + whole_digits + (d > 0 ? 1 + decimals : 0);
  std::uint64_t whole = kept;
  if (d > 0) {
    whole = put_digits(end, kept, decimals);
    end -= decimals + 1;
    *end = '.';
  }
  put_digits(end, whole, whole_digits);
  return pad + text_length;
}

// The same for the usual sizes, both parts of at most eight digits, each made
// as a word and stored whole (what it writes beyond its digits is written
// over next, or lies beyond the text within cap, which must hold 34 more).
// Fast path: it must write what put_kept_digits writes;
// FixedText.AgreesWithTheDigitStringRule and the fuzz target write_fixed check it.
inline std::size_t put_kept(char* out, std::size_t cap, std::uint64_t kept, int d, int w,
                            bool negative) {
  const std::size_t pad_room = w > 0 ? static_cast<std::size_t>(w) : 0;
  if (std::endian::native != std::endian::little || d > 8 || cap < pad_room + 34)
    return put_kept_digits(out, cap, kept, d, w, negative);
  const std::uint64_t whole = div_pow10(kept, d);
  if (whole >= 100000000) return put_kept_digits(out, cap, kept, d, w, negative);
  const auto fraction = static_cast<std::uint32_t>(kept - whole * kPow10[d]);
  const std::size_t whole_digits = digit_count(whole);
  const std::size_t text_length = (negative ? 1 : 0) + whole_digits + (d > 0 ? 1 + d : 0);
  const std::size_t pad = padding(w, text_length);
  char* o = out;
  if (pad > 16) {
    std::memset(o, ' ', pad);
  } else if (pad > 0) {
    std::memset(o, ' ', 16);
  }
  o += pad;
  *o = '-';
  o += negative ? 1 : 0;
  if (whole < 100) {  // one or two digits: from the table of pairs
    std::memcpy(o, kDigitPairs + 2 * whole + (whole < 10 ? 1 : 0), 2);
  } else {
    const std::uint64_t whole_bytes =
        eight_digit_bytes(static_cast<std::uint32_t>(whole)) >> (8 * (8 - whole_digits));
    std::memcpy(o, &whole_bytes, 8);
  }
  if (d > 0) {
    o[whole_digits] = '.';
    char* const f = o + whole_digits + 1;
    if (d == 1) {
      *f = static_cast<char>('0' + fraction);
    } else if (d == 2) {
      std::memcpy(f, kDigitPairs + 2 * fraction, 2);
    } else {
      const std::uint64_t fraction_bytes = eight_digit_bytes(fraction) >> (8 * (8 - d));
      std::memcpy(f, &fraction_bytes, 8);
    }
  }
  return pad + text_length;
}

// A text of blanks and then text, right-aligned in w; written when it fits.
std::size_t put_word(char* out, std::size_t cap, const char* text, int w) {
  const std::size_t length = std::strlen(text);
  const std::size_t pad = padding(w, length);
  if (pad + length <= cap) {
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, text, length);
  }
  return pad + length;
}

// Everything but the usual case of format_fixed: not-a-number, the
// infinities, huge values, many decimals, and values next to a half.
[[gnu::noinline]] std::size_t format_fixed_exactly(char* out, std::size_t cap, double x, int d,
                                                   int w) {
  if (std::isnan(x)) return put_word(out, cap, "Nan", w);
  if (std::isinf(x)) return put_word(out, cap, x > 0 ? "+Inf" : "-Inf", w);
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  const std::size_t decimals = static_cast<std::size_t>(d);

  long e = 0;
  std::uint64_t q = 0;  // the 17 significant digits of a, 0 for 0
  if (a != 0) q = significant_value(a, e);
  // q's last digit weighs 10^(e - 16); p digits of q lie beyond the d-th decimal.
  const long p = 16 - e - d;

  // Half up at the first dropped digit; a dropped 4 at most at the 14th
  // significant place (p >= 4), then 9s through the 15th and an 8 or 9 as the
  // 16th, counts as 5: the dropped part is then at least 49...980.
  std::uint64_t kept = 0;
  if (q != 0 && p >= 1 && p <= 17) {
    const int drop = static_cast<int>(p);
    kept = div_pow10(q, drop);
    const std::uint64_t rest = q - kept * kPow10[drop];
    if (rest >= kPow10[drop] / 2 - (drop >= 4 ? 20 : 0)) ++kept;
  }
  // round(a * 10^d) by the rule is then a 64-bit integer.
  if (d <= 17 && (q == 0 || p >= 1)) return put_kept(out, cap, kept, d, w, negative);

  // Else in a digit string: digits[first, 64) and then zeros more zeros;
  // none at all when nothing is left of the value.
  char digits[64];
  char* const units = digits + 64;
  char* first = units;
  std::size_t zeros = 0;
  if (q != 0 && p <= 0) {
    first = units - 17;
    put_digits(units, q, 17);
    zeros = static_cast<std::size_t>(-p);
  } else if (kept != 0) {
    const std::size_t n = digit_count(kept);
    first = units - n;
    put_digits(units, kept, n);
  }
  const std::size_t count = static_cast<std::size_t>(units - first);
  const std::size_t total = count + zeros;
  // The integer part is all but the last d digits (at least a 0); the
  // fraction is the last d.
  const std::size_t int_len = total > decimals ? total - decimals : 0;
  const std::size_t length =
      (negative ? 1 : 0) + (int_len > 0 ? int_len : 1) + (d > 0 ? 1 + decimals : 0);
  const std::size_t pad = padding(w, length);
  if (pad + length > cap) return pad + length;

  char* o = out;
  std::memset(o, ' ', pad);
  o += pad;
  if (negative) *o++ = '-';
  if (int_len == 0) {
    *o++ = '0';
    if (d > 0) {
      *o++ = '.';
      std::memset(o, '0', decimals - total);
      o += decimals - total;
      std::memcpy(o, first, count);
      o += count;
      std::memset(o, '0', zeros);
    }
  } else if (int_len <= count) {
    std::memcpy(o, first, int_len);
    o += int_len;
    if (d > 0) {
      *o++ = '.';
      std::memcpy(o, first + int_len, count - int_len);
      o += count - int_len;
      std::memset(o, '0', zeros);
    }
  } else {  // the integer part runs into the zeros
    std::memcpy(o, first, count);
    o += count;
    std::memset(o, '0', int_len - count);
    o += int_len - count;
    if (d > 0) {
      *o++ = '.';
      std::memset(o, '0', decimals);
    }
  }
  return pad + length;
}

// The usual case of the writing rule: y = |x| * 10^d below 10^14 (so not a
// NaN or an infinity) and not too near a half. The 17 digits of |x| (off by
// at most 0.5e-16 y) and the rounding of the product (1.12e-16 y) put y
// within 1.62e-16 y of the rule's value, and the rule's dropped-4 margin
// moves its half by at most 2e-15 y: so when y lies farther than 4e-15 y from
// a half, the rule's result is y rounded half up, whether the rule rounds
// down a value a hair above a whole number or up one a hair below it. Sets
// kept to round(|x| * 10^d) by the rule; false when x is not such a case.
// Fast path: it must round as format_fixed_exactly does;
// FixedText.AgreesWithTheDigitStringRule and the fuzz target write_fixed check it.
inline bool usual_kept(double x, int d, std::uint64_t& kept) {
  if (d > 17) return false;
  const double y = std::fabs(x) * kExactPow10[d];
  if (!(y < 1e14)) return false;
  const auto whole = static_cast<std::int64_t>(y);
  const double part = y - static_cast<double>(whole);
  if (std::fabs(part - 0.5) <= 4e-15 * y) return false;
  kept = static_cast<std::uint64_t>(whole) + (part > 0.5 ? 1 : 0);
  return true;
}

// format_fixed, made inline in fixed_number too: a number written to
// several files is made in place at no call.
[[gnu::always_inline]] inline std::size_t format(char* out, std::size_t cap, double x, int d, int w) {
  if (d < 0) d = 0;
  std::uint64_t kept = 0;
  if (usual_kept(x, d, kept)) return put_kept(out, cap, kept, d, w, std::signbit(x));
  return format_fixed_exactly(out, cap, x, d, w);
}

}  // namespace

std::size_t format_fixed(char* out, std::size_t cap, double x, int d, int w) { return format(out, cap, x, d, w); }

double fixed_value(double x, int d) {
  if (d < 0) d = 0;
  std::uint64_t kept = 0;
  // The text is kept / 10^d, and reading it rounds that quotient to the
  // nearest double, as the division does.
  if (usual_kept(x, d, kept)) return std::copysign(static_cast<double>(kept) / kExactPow10[d], x);
  std::string text;
  append_fixed(text, x, d);
  double value = 0;
  parse_real(text, value);
  return value;
}

void append_fixed(std::string& out, double x, int d) {
  char text[64];
  const std::size_t n = format_fixed(text, sizeof text, x, d, 0);
  if (n <= sizeof text) {
    out.append(text, n);
    return;
  }
  const std::size_t old = out.size();
  out.resize(old + n);
  format_fixed(out.data() + old, n, x, d, 0);
}

std::string fixed_text(double x, int d) {
  std::string text;
  append_fixed(text, x, d < 0 ? 0 : d);
  return text;
}

FixedText fixed_number(double x, int d) {
  FixedText t;
  t.size = format(t.text, sizeof t.text, x, d, 0);
  if (t.size > sizeof t.text) t.long_text = fixed_text(x, d);
  return t;
}

}  // namespace survey_rt
