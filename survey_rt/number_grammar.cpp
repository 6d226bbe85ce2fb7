#include "number_grammar.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#include "ascii_case.h"
#include "powers_of_ten.h"

namespace survey_rt {

using detail::kExactPow10;
using detail::kPow10;

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

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
    if (equal_nocase(body, "inf") || equal_nocase(body, "nan")) {
      const double v = ascii_lower(*p) == 'i' ? std::numeric_limits<double>::infinity()
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
  // Fast path: it must give the standard library's nearest double;
  // ParseReal.QuickConversionAgreesWithTheStandardLibrary checks it.
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

// Fast path: it must read a token as parse_real does;
// TextFileTest.BufferedTokensReadAsTheTokenRulesSay and the fuzz target readers
// check it.
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

// Fast path: it must read a token as parse_word does; the same test and fuzz
// target check it.
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
    } else if (ascii_lower(c) >= 'a' && ascii_lower(c) <= 'f') {
      digit = static_cast<unsigned>(ascii_lower(c) - 'a' + 10);
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

}  // namespace survey_rt
