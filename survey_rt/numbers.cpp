#include "numbers.h"

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

bool parse_real(std::string_view token, double& value) {
  value = 0;
  std::string_view s = token;
  bool neg = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    neg = s[0] == '-';
    s.remove_prefix(1);
  }
  if (equals_nocase(s, "inf") || equals_nocase(s, "nan")) {
    double v = lower(s[0]) == 'i' ? std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::quiet_NaN();
    value = neg ? -v : v;
    return true;
  }
  // digits ["." digits] [("E"|"e") [sign] digits]
  std::size_t n = digit_run(s);
  if (n == 0) return false;
  std::size_t i = n;
  if (i < s.size() && s[i] == '.') {
    std::size_t f = digit_run(s.substr(i + 1));
    if (f == 0) return false;
    i += 1 + f;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    std::size_t e = digit_run(s.substr(j));
    if (e == 0) return false;
    i = j + e;
  }
  if (i != s.size()) return false;

  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    v = out_of_range_value(s);
  } else if (ec != std::errc() || ptr != s.data() + s.size()) {
    return false;
  }
  value = neg ? -v : v;
  return true;
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
    if (v > (std::numeric_limits<std::uint64_t>::max() - digit) / base) return false;
    v = v * base + digit;
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
long significant_digits(double a, char s[17]) {
  if (!(a >= 1e-5 && a < 1e16)) return significant_digits_exact(a, s);
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const std::uint64_t m = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
  const int shift = static_cast<int>((bits >> 52) & 0x7FF) - 1075;
  // floor(log10(2^k)) for the binary exponent k of a: e or one below it.
  const int k = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
  long e = (k * 78913) >> 18;
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

void append_fixed(std::string& out, double x, int d) {
  if (std::isnan(x)) {
    out += "Nan";
    return;
  }
  if (std::isinf(x)) {
    out += x > 0 ? "+Inf" : "-Inf";
    return;
  }
  if (std::signbit(x)) out += '-';
  const double a = std::fabs(x);

  // The digits of round(a * 10^d), from the 17 significant digits of a.
  char digits[32];
  int count = 0;  // digits[0, count)
  long zeros = 0;  // then this many zeros
  if (a != 0) {
    char s[17];
    const long e = significant_digits(a, s);
    // s[i] weighs 10^(e - i); the first dropped digit weighs 10^-(d + 1).
    const long k = e + d + 1;
    if (k >= 17) {
      count = 17;
      for (int i = 0; i < 17; ++i) digits[i] = s[i];
      zeros = k - 17;
    } else if (k >= 0) {
      bool up = s[k] >= '5';
      if (s[k] == '4' && k <= 13 && (s[15] == '8' || s[15] == '9')) {
        up = true;
        for (long i = k + 1; i <= 14; ++i) up = up && s[i] == '9';
      }
      count = static_cast<int>(k);
      for (int i = 0; i < count; ++i) digits[i] = s[i];
      if (up) {
        int i = count - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) {
          ++digits[i];
        } else {
          for (int j = count; j > 0; --j) digits[j] = digits[j - 1];
          digits[0] = '1';
          ++count;
        }
      }
    }
  }
  // The integer part is all but the last d digits; the fraction is the last d.
  const long total = count + zeros;
  const long int_len = total - d;
  auto digit_at = [&](long i) { return i < count ? digits[i] : '0'; };
  if (int_len <= 0) {
    out += '0';
  } else {
    for (long i = 0; i < int_len; ++i) out += digit_at(i);
  }
  if (d > 0) {
    out += '.';
    for (long i = int_len; i < total; ++i) out += i < 0 ? '0' : digit_at(i);
  }
}

}  // namespace survey_rt
