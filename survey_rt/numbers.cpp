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

const char* parse_plain_real(const char* p, const char* end, double& value) {
  bool neg = false;
  if (p < end && (*p == '+' || *p == '-')) {
    neg = *p == '-';
    ++p;
  }
  std::uint64_t mantissa = 0;
  const char* const first = p;
  while (p < end && is_digit(*p)) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  std::ptrdiff_t digits = p - first;
  long fraction = 0;
  if (digits > 0 && p < end && *p == '.') {
    const char* const f = ++p;
    while (p < end && is_digit(*p)) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    fraction = p - f;
    if (fraction == 0) return nullptr;
    digits += fraction;
  }
  // The token must end here, at a blank or control byte.
  if (digits == 0 || digits > 19 || p == end || static_cast<unsigned char>(*p) > 32 ||
      mantissa > (std::uint64_t{1} << 53) || fraction > 22)
    return nullptr;
  const double m = static_cast<double>(mantissa);
  const double v = fraction > 0 ? m / kExactPow10[fraction] : m;
  value = neg ? -v : v;
  return p;
}

const char* parse_plain_word(const char* p, const char* end, std::uint16_t& value) {
  if (p < end && *p == '+') ++p;
  std::uint64_t v = 0;
  const char* const first = p;
  while (p < end && is_digit(*p)) v = v * 10 + static_cast<unsigned>(*p++ - '0');
  if (p == first || p - first > 19 || p == end || static_cast<unsigned char>(*p) > 32) return nullptr;
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

constexpr std::uint64_t kPow10[] = {
    1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL, 100000000ULL,
    1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL,
    100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL,
    1000000000000000000ULL, 10000000000000000000ULL};

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

// The last n decimal digits of v (with leading zeros), ending just before end.
void put_digits(char* end, std::uint64_t v, std::size_t n) {
  for (; n >= 2; n -= 2) {
    const std::uint64_t pair = v % 100;
    v /= 100;
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * pair, 2);
  }
  if (n == 1) *--end = static_cast<char>('0' + v % 10);
}

// The number of decimal digits of v, 1 for 0.
std::size_t digit_count(std::uint64_t v) {
  v |= 1;  // the same number of digits, and at least one
  const int guess = (std::bit_width(v) * 1233) >> 12;  // the digits, or one less
  return static_cast<std::size_t>(guess + (v >= kPow10[guess] ? 1 : 0));
}

// q / 10^p for p from 0 to 17, each a division by a constant (a multiply).
std::uint64_t div_pow10(std::uint64_t q, int p) {
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

std::size_t format_fixed(char* out, std::size_t cap, double x, int d, int w) {
  if (d < 0) d = 0;
  const std::size_t width = w > 0 ? static_cast<std::size_t>(w) : 0;
  // The text, after blanks up to the width.
  auto padded = [&](std::size_t length) { return length < width ? width : length; };
  auto put_blanks = [&](std::size_t length) {
    char* o = out;
    for (std::size_t pad = width > length ? width - length : 0; pad > 0; --pad) *o++ = ' ';
    return o;
  };
  if (std::isnan(x) || std::isinf(x)) {
    const char* text = std::isnan(x) ? "Nan" : x > 0 ? "+Inf" : "-Inf";
    const std::size_t length = std::strlen(text);
    if (padded(length) <= cap) std::memcpy(put_blanks(length), text, length);
    return padded(length);
  }
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);
  const std::size_t decimals = static_cast<std::size_t>(d);

  // The usual case first: y = a * 10^d below 10^11, and not within 10^-4 of
  // a half. The 17 digits of a and the rounding of the product then lie closer
  // to a * 10^d than 1.2e-5, and the rule's dropped-4 margin is at most 2e-5:
  // so the rule's result is y rounded half up, whether the rule rounds down a
  // value a hair above a whole number or up one a hair below it.
  std::uint64_t kept = 0;
  bool rounded = false;
  if (d <= 17) {
    const double y = a * kExactPow10[d];
    if (y < 1e11) {
      const auto whole = static_cast<std::uint64_t>(y);
      const double part = y - static_cast<double>(whole);
      if (std::fabs(part - 0.5) > 1e-4) {
        kept = whole + (part > 0.5 ? 1 : 0);
        rounded = true;
      }
    }
  }

  long e = 0;
  std::uint64_t q = 0;  // the 17 significant digits of a, 0 for 0
  if (!rounded && a != 0) q = significant_value(a, e);
  // q's last digit weighs 10^(e - 16); p digits of q lie beyond the d-th decimal.
  const long p = 16 - e - d;

  if (rounded || (d <= 17 && (q == 0 || p >= 1))) {
    // round(a * 10^d) by the rule is a 64-bit integer.
    if (!rounded && q != 0 && p <= 17) {
      // Half up at the first dropped digit; a dropped 4 at most at the 14th
      // significant place (p >= 4), then 9s through the 15th and an 8 or 9 as
      // the 16th, counts as 5: the dropped part is then at least 49...980.
      const int drop = static_cast<int>(p);
      kept = div_pow10(q, drop);
      const std::uint64_t rest = q - kept * kPow10[drop];
      if (rest >= kPow10[drop] / 2 - (drop >= 4 ? 20 : 0)) ++kept;
    }
    const std::uint64_t whole = div_pow10(kept, d);
    const std::uint64_t fraction = kept - whole * kPow10[d];
    const std::size_t whole_digits = digit_count(whole);
    const std::size_t length = (negative ? 1 : 0) + whole_digits + (d > 0 ? 1 + decimals : 0);
    if (padded(length) > cap) return padded(length);
    char* o = put_blanks(length);
    if (negative) *o++ = '-';
    put_digits(o + whole_digits, whole, whole_digits);
    if (d > 0) {
      o[whole_digits] = '.';
      put_digits(o + whole_digits + 1 + decimals, fraction, decimals);
    }
    return padded(length);
  }

  // Huge values and many decimals, in a digit string: digits[first, 64) and
  // then zeros more zeros; none at all when nothing is left of the value.
  char digits[64];
  char* const units = digits + 64;
  char* first = units;
  std::size_t zeros = 0;
  if (q != 0 && p <= 0) {
    first = units - 17;
    put_digits(units, q, 17);
    zeros = static_cast<std::size_t>(-p);
  } else if (q != 0 && p <= 17) {
    const int drop = static_cast<int>(p);
    std::uint64_t kept = div_pow10(q, drop);
    const std::uint64_t rest = q - kept * kPow10[drop];
    if (rest >= kPow10[drop] / 2 - (drop >= 4 ? 20 : 0)) ++kept;
    if (kept != 0) {
      const std::size_t n = digit_count(kept);
      first = units - n;
      put_digits(units, kept, n);
    }
  }
  const std::size_t count = static_cast<std::size_t>(units - first);
  const std::size_t total = count + zeros;
  // The integer part is all but the last d digits (at least a 0); the
  // fraction is the last d.
  const std::size_t int_len = total > decimals ? total - decimals : 0;
  const std::size_t length =
      (negative ? 1 : 0) + (int_len > 0 ? int_len : 1) + (d > 0 ? 1 + decimals : 0);
  if (padded(length) > cap) return padded(length);

  char* o = put_blanks(length);
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
  return padded(length);
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
