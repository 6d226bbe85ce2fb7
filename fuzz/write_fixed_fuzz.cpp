// write_fixed on arbitrary doubles, widths and decimal counts. Its text must
// equal an independent rounding of the value's exact decimal expansion by the
// rules (17 significant digits, ties to even; then rounded at the d-th
// decimal, half up, a 4 followed by 9s and an 8 or 9 at the sixteenth place
// counting as 5), parse back to a value within half a unit of the last
// decimal (a little more for the 4 that counts as 5), have exactly d
// decimals, and stay within the length the value and d allow (sign, the
// integer digits of x, point and d decimals; at most 312 + d characters).
//
// Input: 8 bytes of x (as bits or, when byte 12 is odd, as a whole number
// scaled by a power of ten so that decimal halves and their neighbours come
// up), 2 bytes of w, 2 bytes of d.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fixed_notation.h"
#include "harness.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

// The expected text, from the C library's exact 17 significant digits.
std::string expected_text(double x, int d) {
  if (std::isnan(x)) return "Nan";
  if (std::isinf(x)) return x > 0 ? "+Inf" : "-Inf";
  std::string sign = std::signbit(x) ? "-" : "";
  const double a = std::fabs(x);
  int e = 0;
  char sig[17];
  if (a == 0) {
    std::memset(sig, '0', sizeof sig);
  } else {
    char sci[40];
    std::snprintf(sci, sizeof sci, "%.16e", a);  // d.dddddddddddddddde+XX
    sig[0] = sci[0];
    std::memcpy(sig + 1, sci + 2, 16);
    e = std::atoi(sci + 19);
  }
  // digit(k): the digit of weight 10^k of the 17-digit value.
  auto digit = [&](int k) { return e - k >= 0 && e - k <= 16 ? sig[e - k] - '0' : 0; };
  // The kept digits, weights top .. -d, with one place for a carry.
  const int top = std::max(e, 0) + 1;
  std::vector<int> kept;
  for (int k = top; k >= -d; --k) kept.push_back(digit(k));
  // The first dropped digit has weight 10^-(d+1), significant place e + d + 2.
  const int first = digit(-(d + 1));
  const int place = e + d + 2;
  bool up = first >= 5;
  if (first == 4 && a != 0 && place >= 1 && place <= 14) {
    bool nines = true;
    for (int p = place + 1; p <= 15; ++p) nines = nines && sig[p - 1] == '9';
    up = nines && (sig[15] == '8' || sig[15] == '9');
  }
  if (up) {
    std::size_t i = kept.size();
    while (i-- > 0) {
      if (kept[i] < 9) {
        ++kept[i];
        break;
      }
      kept[i] = 0;
    }
  }
  // kept[i] has weight top - i; the integer part is weights top .. 0.
  std::string text = sign;
  std::size_t i = 0;
  const std::size_t int_digits = static_cast<std::size_t>(top + 1);
  while (i + 1 < int_digits && kept[i] == 0) ++i;
  for (; i < int_digits; ++i) text += static_cast<char>('0' + kept[i]);
  if (d > 0) {
    text += '.';
    for (; i < kept.size(); ++i) text += static_cast<char>('0' + kept[i]);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = survey_fuzz::scratch_dir() + "/fixed.txt";
  survey_fuzz::install_hooks();
  if (size < 12) return 0;
  double x;
  std::uint64_t bits;
  std::memcpy(&bits, data, 8);
  std::int16_t w16, d16;
  std::memcpy(&w16, data + 8, 2);
  std::memcpy(&d16, data + 10, 2);
  if (size > 12 && (data[12] & 1) != 0) {
    // A whole number of up to 18 digits scaled by 10^-k, k = 0..20.
    const long long whole = static_cast<long long>(bits % 1000000000000000000ULL) *
                            ((data[12] & 2) != 0 ? -1 : 1);
    char text[64];
    std::snprintf(text, sizeof text, "%llde-%d", whole, (data[12] >> 2) % 21);
    x = std::strtod(text, nullptr);
  } else {
    std::memcpy(&x, &bits, 8);
  }
  const int w = w16 % 400;  // -399 .. 399
  const int d = d16 % 341;  // -340 .. 340; below 0 counts as 0

  const std::string text = fixed_text(x, d);
  const int dd = d < 0 ? 0 : d;
  const std::string want = expected_text(x, dd);
  char xs[40];
  std::snprintf(xs, sizeof xs, "%.17g", x);
  const std::string what = std::string("x = ") + xs + ", d = " + std::to_string(d) + ": " +
                           survey_fuzz::show(text) + " != " + survey_fuzz::show(want);
  FUZZ_CHECK(text == want, what);

  if (std::isfinite(x)) {
    // Exactly d decimals, the length bounded by the value's own digits.
    const std::size_t dot = text.find('.');
    FUZZ_CHECK((dd == 0) == (dot == std::string::npos), what);
    if (dd > 0) FUZZ_CHECK(text.size() - dot - 1 == static_cast<std::size_t>(dd), what);
    const double a = std::fabs(x);
    const std::size_t int_digits = a < 1 ? 1 : static_cast<std::size_t>(std::floor(std::log10(a))) + 2;
    FUZZ_CHECK(text.size() <= 1 + int_digits + (dd > 0 ? dd + 1 : 0), what);
    FUZZ_CHECK(text.size() <= 1 + 310 + 1 + static_cast<std::size_t>(dd), what);
    // Parses back to x within half a unit of the last decimal (a little more
    // where a 4 followed by 9s counts as 5), and the error of 17 significant
    // digits.
    const double back = std::strtod(text.c_str(), nullptr);
    if (dd <= 300) {
      const double unit = std::pow(10.0, -dd);
      FUZZ_CHECK(std::fabs(back - x) <= 0.503 * unit + a * 4e-16 + 1e-300, what);
    }
  }

  // Through a file: max(0, w - length) blanks, then the text, nothing else.
  TextFile f;
  create_output(f, path);
  write_fixed(f, x, w, d);
  close_file(f);
  FUZZ_CHECK(io_result() == 0, "writing " + path);
  std::string bytes;
  survey_fuzz::read_file(path, bytes);
  const std::size_t blanks = w > static_cast<int>(text.size()) ? w - text.size() : 0;
  FUZZ_CHECK(bytes == std::string(blanks, ' ') + text, what + " written as " + survey_fuzz::show(bytes));
  return 0;
}
