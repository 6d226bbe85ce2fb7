#include "numbers.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>

#include "text_file.h"

namespace survey_rt {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool equals_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Length of the run of decimal digits at the start of s.
std::size_t digit_run(std::string_view s) {
  std::size_t n = 0;
  while (n < s.size() && is_digit(s[n])) ++n;
  return n;
}

// The value of a syntactically valid decimal token that from_chars found out
// of range: infinity when it overflows, zero when it underflows.
double out_of_range_value(std::string_view body) {
  const std::size_t int_len = digit_run(body);
  std::string_view int_part = body.substr(0, int_len);
  std::string_view rest = body.substr(int_len);
  std::string_view frac;
  if (!rest.empty() && rest[0] == '.') {
    frac = rest.substr(1, digit_run(rest.substr(1)));
    rest = rest.substr(1 + frac.size());
  }
  // The value is about 0.ddd times 10 to the power (place + exponent).
  long place;
  const std::size_t first = int_part.find_first_not_of('0');
  if (first != std::string_view::npos) {
    place = static_cast<long>(int_len - first);
  } else {
    const std::size_t nz = frac.find_first_not_of('0');
    place = nz == std::string_view::npos ? 0 : -static_cast<long>(nz);
  }
  long exponent = 0;
  if (!rest.empty()) {  // "e", an optional sign, digits
    rest.remove_prefix(1);
    bool neg = false;
    if (rest[0] == '+' || rest[0] == '-') {
      neg = rest[0] == '-';
      rest.remove_prefix(1);
    }
    for (char c : rest)
      if (exponent < 100000000) exponent = exponent * 10 + (c - '0');
    if (neg) exponent = -exponent;
  }
  return place + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

namespace {

// The powers of ten that fit in 64 bits.
constexpr std::uint64_t kPow10[] = {
    1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL, 100000000ULL,
    1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL,
    100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL,
    1000000000000000000ULL, 10000000000000000000ULL};

// Exact powers of ten as doubles (10^22 is the last one a double holds).
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The nearest double of a checked decimal token body (no sign), by the
// standard library; infinity or zero when it lies beyond the doubles.
bool convert_decimal(std::string_view s, double& v) {
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    v = out_of_range_value(s);
  } else if (ec != std::errc() || ptr != s.data() + s.size()) {
    return false;
  }
  return true;
}

}  // namespace

bool parse_real(std::string_view token, double& value) {
  value = 0;
  const char* p = token.data();
  const char* const end = p + token.size();
  bool neg = false;
  if (p < end && (*p == '+' || *p == '-')) {
    neg = *p == '-';
    ++p;
  }
  const std::string_view body(p, static_cast<std::size_t>(end - p));
  if (p < end && !is_digit(*p)) {
    if (equals_nocase(body, "inf") || equals_nocase(body, "nan")) {
      const double v = lower(*p) == 'i' ? std::numeric_limits<double>::infinity()
                                        : std::numeric_limits<double>::quiet_NaN();
      value = neg ? -v : v;
      return true;
    }
    return false;
  }
  // digits ["." digits] [("E"|"e") [sign] digits], the digits gathered into
  // one integer while it holds them all exactly.
  std::uint64_t mantissa = 0;
  int digits = 0;  // digits gathered into mantissa
  const char* q = p;
  for (; q < end && is_digit(*q); ++q) {
    mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    ++digits;
  }
  if (q == p) return false;
  long exponent = 0;
  if (q < end && *q == '.') {
    const char* f = ++q;
    for (; q < end && is_digit(*q); ++q) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
      ++digits;
    }
    if (q == f) return false;
    exponent = -static_cast<long>(q - f);
  }
  if (q < end && (*q == 'e' || *q == 'E')) {
    ++q;
    bool exp_neg = false;
    if (q < end && (*q == '+' || *q == '-')) {
      exp_neg = *q == '-';
      ++q;
    }
    const char* x = q;
    long e = 0;
    for (; q < end && is_digit(*q); ++q)
      if (e < 100000) e = e * 10 + (*q - '0');
    if (q == x) return false;
    exponent += exp_neg ? -e : e;
  }
  if (q != end) return false;

  double v;
  // A whole number of at most 2^53 and a power of ten that a double holds
  // exactly: one correctly rounded product or quotient is the nearest double.
  if (digits <= 19 && mantissa <= (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
    const double m = static_cast<double>(mantissa);
    v = exponent < 0 ? m / kExactPow10[-exponent] : m * kExactPow10[exponent];
  } else if (!convert_decimal(body, v)) {
    return false;
  }
  value = neg ? -v : v;
  return true;
}

namespace {

// The value of eight digit values (0 to 9) in the bytes of w, the first one
// the most significant.
inline std::uint32_t eight_digit_values(std::uint64_t w) {
  w = (w * 10) + (w >> 8);  // pairs
  w = (((w & 0x000000FF000000FFULL) * 0x000F424000000064ULL) +
       (((w >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL)) >> 32;
  return static_cast<std::uint32_t>(w);
}

// Gathers a run of digits from p into m, eight bytes at a time: the digits at
// the front of a word are counted, moved to its end and converted at once.
// Returns where the run ends, after at most 24 bytes (more than 19 digits are
// refused by the callers).
inline const char* gather_digits(const char* p, std::uint64_t& m) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  if constexpr (std::endian::native == std::endian::little) {
    for (int word = 0; word < 3; ++word) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      // Nonzero bytes where w has no digit (a carry from such a byte may
      // spoil the bytes after it, which do not count).
      const std::uint64_t other = ((w & (0xF0 * kOnes)) ^ (0x30 * kOnes)) |
                                  (((w + 6 * kOnes) & (0xF0 * kOnes)) ^ (0x30 * kOnes));
      const int k = other == 0 ? 8 : std::countr_zero(other) / 8;
      if (k == 0) break;
      if (k <= 2) {  // one or two digits, as they are
        const std::uint64_t first = (w & 0xFF) - '0';
        m = k == 1 ? m * 10 + first : m * 100 + first * 10 + (((w >> 8) & 0xFF) - '0');
        p += k;
        break;
      }
      // The k digit values moved to the end of the word, zeros in front.
      const std::uint64_t values = (w - 0x30 * kOnes) << (8 * (8 - k));
      m = m * kPow10[k] + eight_digit_values(values);
      p += k;
      if (k < 8) break;
    }
    return p;
  } else {
    const char* const limit = p + 24;
    for (; p < limit; ++p) {
      const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
      if (digit > 9) break;
      m = m * 10 + digit;
    }
    return p;
  }
}

}  // namespace

const char* parse_plain_real(const char* p, const char* end, double& value) {
  (void)end;  // more than 64 bytes lie before it
  const bool neg = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  std::uint64_t mantissa = 0;
  const char* const first = p;
  p = gather_digits(p, mantissa);
  std::ptrdiff_t digits = p - first;
  std::ptrdiff_t fraction = 0;
  if (*p == '.' && digits > 0) {
    const char* const f = ++p;
    p = gather_digits(p, mantissa);
    fraction = p - f;
    digits += fraction;
    if (fraction == 0) return nullptr;
  }
  // The token must end here, at a blank or control byte.
  if (digits == 0 || digits > 19 || static_cast<unsigned char>(*p) > 32 ||
      mantissa > (std::uint64_t{1} << 53))
    return nullptr;
  const double m = static_cast<double>(mantissa);
  const double v = fraction > 0 ? m / kExactPow10[fraction] : m;
  value = neg ? -v : v;
  return p;
}

const char* parse_plain_word(const char* p, const char* end, std::uint16_t& value) {
  (void)end;  // more than 64 bytes lie before it
  if (*p == '+') ++p;
  std::uint64_t v = 0;
  const char* const first = p;
  p = gather_digits(p, v);
  if (p == first || p - first > 19 || static_cast<unsigned char>(*p) > 32) return nullptr;
  value = static_cast<std::uint16_t>(v & 0xFFFF);
  return p;
}

bool parse_word(std::string_view token, std::uint16_t& value) {
  value = 0;
  std::string_view s = token;
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  unsigned base = 10;
  if (!s.empty() && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (!s.empty() && (s[0] == 'x' || s[0] == 'X')) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  } else if (!s.empty() && s[0] == '%') {
    base = 2;
    s.remove_prefix(1);
  } else if (!s.empty() && s[0] == '&') {
    base = 8;
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    unsigned digit;
    if (is_digit(c)) {
      digit = static_cast<unsigned>(c - '0');
    } else if (lower(c) >= 'a' && lower(c) <= 'f') {
      digit = static_cast<unsigned>(lower(c) - 'a' + 10);
    } else {
      return false;
    }
    if (digit >= base) return false;
    if (__builtin_mul_overflow(v, std::uint64_t{base}, &v) || __builtin_add_overflow(v, digit, &v))
      return false;  // beyond 64 bits
  }
  value = static_cast<std::uint16_t>(v & 0xFFFF);
  return true;
}

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
  const std::size_t pad = w > 0 && static_cast<std::size_t>(w) > text_length ? w - text_length : 0;
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
  const std::size_t pad = pad_room > text_length ? pad_room - text_length : 0;
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
  const std::size_t pad = w > 0 && static_cast<std::size_t>(w) > length ? w - length : 0;
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
  const std::size_t pad = w > 0 && static_cast<std::size_t>(w) > length ? w - length : 0;
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

}  // namespace

std::size_t format_fixed(char* out, std::size_t cap, double x, int d, int w) {
  if (d < 0) d = 0;
  std::uint64_t kept = 0;
  if (usual_kept(x, d, kept)) return put_kept(out, cap, kept, d, w, std::signbit(x));
  return format_fixed_exactly(out, cap, x, d, w);
}

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

}  // namespace survey_rt
