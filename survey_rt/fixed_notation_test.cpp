// Unit tests of fixed-notation writing: the exact rounding of write_fixed,
// fixed_text and fixed_number, and its fast paths against the plain rules.
//
// Every expected text follows from the exact binary value of the double: its
// decimal expansion rounded to 17 significant digits (ties to even), then that
// digit string rounded half-up at the d-th decimal, where a first dropped 4 at
// most at the 14th significant place, followed by 9s through the 15th and an 8
// or 9 as the 16th, counts as 5. The comments give the 17 digits where they
// decide the case.
#include "fixed_notation.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "stop.h"
#include "test_support.h"
#include "text_file.h"

namespace survey_rt {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using NumberFileTest = FolderTest;

TEST(FixedText, RoundsExactlyAtTheLastDecimal) {
  struct Case { double x; int d; std::string text; };
  const Case cases[] = {
      // Half-up of the magnitude, with carries into the integer digits.
      {3.14159, 2, "3.14"}, {3.14159, 3, "3.142"}, {0.125, 2, "0.13"}, {2.5, 0, "3"},
      {0.5, 0, "1"}, {1.5, 0, "2"}, {3.5, 0, "4"}, {1234.5, 0, "1235"}, {123.456, 1, "123.5"},
      {3.7, 0, "4"}, {7.0, 0, "7"}, {0.0, 0, "0"}, {0.0, 3, "0.000"}, {999.5, 0, "1000"},
      {0.00005, 4, "0.0001"},  // 5.0000000000000002e-5
      {2.5e-7, 6, "0.000000"}, {5e-324, 2, "0.00"}, {1e22, 0, "10000000000000000000000"},
      // A dropped 4 followed by 9s through the 15th place and an 8 or 9 counts as 5.
      {1.005, 2, "1.01"},       // 1.0049999999999999
      {0.045, 2, "0.05"},       // 0.044999999999999998
      {2.675, 2, "2.68"},       // 2.6749999999999998
      {0.15, 1, "0.2"},         // 0.14999999999999999
      {0.95, 1, "1.0"},         // 0.94999999999999996
      {9.995, 2, "10.00"},      // 9.9949999999999992
      {12345.675, 2, "12345.68"},      // 12345.674999999999
      {0.49999999999999994, 0, "1"},   // the 4 in the first place
      {2.5e-7, 7, "0.0000003"},        // 2.4999999999999999e-7
      {1.2345678901234984, 12, "1.234567890124"},  // 4 at the 14th place, 9, then 8
      // ... and otherwise a dropped 4 rounds down.
      {1.004999999999997, 2, "1.00"},               // 16th digit 7
      {1.2345678901234975, 12, "1.234567890123"},   // 16th digit 7
      {1.2345678901234896, 12, "1.234567890123"},   // 15th digit 8
      {1.2345678901234498, 13, "1.2345678901234"},  // the 4 at the 15th place
      {0.004999999999999, 2, "0.00"},               // the 9s stop at the 13th place
      // 17 significant digits, ties to even, come first. 1 + 2^-17 is
      // 1.00000762939453125 exactly (down to the even 2), 1 + 3 * 2^-17 is
      // 1.00002288818359375 (up from the odd 7), 2^60 has 19 digits.
      {0x1.00008p0, 16, "1.0000076293945312"}, {0x1.00008p0, 17, "1.00000762939453120"},
      {0x1.00018p0, 16, "1.0000228881835938"}, {0x1p60, 0, "1152921504606847000"},
      {0x1p60, 2, "1152921504606847000.00"}, {0.1, 20, "0.10000000000000001000"},
      // Negatives keep their sign, also when they round to zero.
      {-12.5, 1, "-12.5"}, {-1.5, 0, "-2"}, {-0.5, 0, "-1"}, {-0.005, 2, "-0.01"},
      {-0.004, 2, "-0.00"}, {-0.49, 0, "-0"}, {-5e-324, 2, "-0.00"}, {-0.0, 1, "-0.0"},
      {-0.0, 0, "-0"},
      // Not-a-number and the infinities, whatever the decimals.
      {kNan, 0, "Nan"}, {-kNan, 2, "Nan"}, {kInf, 2, "+Inf"}, {-kInf, 0, "-Inf"},
      // Huge values are written whole: 1.0000000000000001e300, 1.7976931348623157e308.
      {1e300, 0, "10000000000000001" + std::string(284, '0')},
      {DBL_MAX, 2, "17976931348623157" + std::string(292, '0') + ".00"},
      {-DBL_MAX, 0, "-17976931348623157" + std::string(292, '0')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixed_text(c.x, c.d), c.text) << "x = " << std::hexfloat << c.x << ", d = " << c.d;
    // The text made once for several files: the huge ones do not fit in place.
    EXPECT_EQ(std::string_view(fixed_number(c.x, c.d)), c.text) << "x = " << std::hexfloat << c.x;
  }
}

TEST_F(NumberFileTest, WriteFixedRightAlignsWithoutCutting) {
  const std::string path_ = path("numbers.txt");
  struct Case { double x; int w, d; std::string text; };
  const Case cases[] = {
      {3.14159, 0, 2, "3.14"}, {3.14159, 8, 3, "   3.142"}, {-12.5, 3, 1, "-12.5"},
      {0.5, 4, 0, "   1"}, {-0.004, 6, 2, " -0.00"}, {12.34, -3, 1, "12.3"},
      {kNan, 5, 1, "  Nan"}, {kInf, 6, 2, "  +Inf"}, {-kInf, 2, 2, "-Inf"}, {kInf, 0, 0, "+Inf"},
      {1e300, 0, 0, "10000000000000001" + std::string(284, '0')},
      {1e300, 310, 0, std::string(9, ' ') + "10000000000000001" + std::string(284, '0')},
  };
  TextFile f;
  create_output(f, path_);
  std::string want;
  for (const Case& c : cases) {
    write_fixed(f, c.x, c.w, c.d);
    end_line(f);
    want += c.text + "\r\n";
  }
  close_file(f);
  EXPECT_EQ(io_result(), 0);
  std::ifstream in(path_, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), want);
}

// The integer fast path of the 17 significant digits must agree with the
// standard library's exact conversion, on random doubles and on the values
// most likely to expose an off-by-one: exact ties, powers of ten and their
// neighbours.
TEST(SignificantDigits, FastPathAgreesWithExactConversion) {
  RandomBits next(88172645463325252ULL);
  std::vector<double> values;
  for (int i = 0; i < 300000; ++i) {
    // Uniform exponents over the whole fast range and a little beyond it.
    const double scale = std::pow(10.0, static_cast<double>(next() % 24) - 7);
    values.push_back(scale * (1.0 + static_cast<double>(next() >> 11) * 0x1p-53 * 9.0));
  }
  for (int p = -7; p <= 17; ++p) {
    const double ten = std::pow(10.0, p);
    values.push_back(ten);
    values.push_back(std::nextafter(ten, 0.0));
    values.push_back(std::nextafter(ten, 1e300));
  }
  // 1234567890123456.25 has 18 digits, the last a 5: a tie at 17 digits.
  for (double v : {1234567890123456.25, 1234567890123456.75, 0x1.00008p0, 0x1.00018p0,
                   9999999999999999.0, 99999999999999.99, 0.1, 0.2, 0.3, 42.5, 27.5})
    values.push_back(v);
  int mismatches = 0;
  for (double v : values) {
    char fast[17], exact[17];
    const long e_fast = significant_digits(v, fast);
    const long e_exact = significant_digits_exact(v, exact);
    if (e_fast != e_exact || std::string(fast, 17) != std::string(exact, 17)) {
      if (++mismatches <= 5)
        ADD_FAILURE() << std::hexfloat << v << ": " << std::string(fast, 17) << "e" << e_fast
                      << " vs " << std::string(exact, 17) << "e" << e_exact;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// The writing rule in plain digit strings, as write_fixed did it before its
// integer arithmetic: the 17 significant digits by the standard library, then
// half up at the d-th decimal with the dropped-4 exception, digit by digit.
std::string reference_fixed(double x, int d) {
  if (std::isnan(x)) return "Nan";
  if (std::isinf(x)) return x > 0 ? "+Inf" : "-Inf";
  std::string out;
  if (std::signbit(x)) out += '-';
  const double a = std::fabs(x);
  std::string digits;
  long zeros = 0;
  if (a != 0) {
    char s[17];
    const long e = significant_digits_exact(a, s);
    const long k = e + d + 1;
    if (k >= 17) {
      digits.assign(s, 17);
      zeros = k - 17;
    } else if (k >= 0) {
      bool up = s[k] >= '5';
      if (s[k] == '4' && k <= 13 && (s[15] == '8' || s[15] == '9')) {
        up = true;
        for (long i = k + 1; i <= 14; ++i) up = up && s[i] == '9';
      }
      digits.assign(s, static_cast<std::size_t>(k));
      if (up) {
        long i = static_cast<long>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) ++digits[static_cast<std::size_t>(i)];
        else digits.insert(digits.begin(), '1');
      }
    }
  }
  digits.append(static_cast<std::size_t>(zeros), '0');
  const long total = static_cast<long>(digits.size());
  const long int_len = total - d;
  if (int_len <= 0) out += '0';
  else out.append(digits, 0, static_cast<std::size_t>(int_len));
  if (d > 0) {
    out += '.';
    for (long i = int_len; i < total; ++i) out += i < 0 ? '0' : digits[static_cast<std::size_t>(i)];
  }
  return out;
}

// The fast writing of fixed_text and write_fixed (and fixed_value, the value
// its text reads back as) agrees with the digit-string rule on random values of every size, on survey-like values with few
// decimals, on exact ties and on the dropped-4-then-9s cases.
TEST(FixedText, AgreesWithTheDigitStringRule) {
  RandomBits next(0x2545F4914F6CDD1DULL);
  std::vector<double> values;
  for (int i = 0; i < 50000; ++i) {
    const double scale = std::pow(10.0, static_cast<double>(next() % 40) - 20);
    values.push_back(scale * (1.0 + static_cast<double>(next() >> 11) * 0x1p-53 * 9.0));
    // Values written with a few decimals, as the survey files hold them.
    const double cents = static_cast<double>(next() % 2000000000) / 100.0;
    values.push_back(cents);
    values.push_back(static_cast<double>(next() % 100000000000ULL) / 1e8);
    values.push_back(static_cast<double>(next() % 100000) / 1000.0 + 0.0005);
  }
  for (double v : {0.0, 1.005, 0.045, 2.675, 0.15, 0.95, 9.995, 12345.675, 0.49999999999999994,
                   1.2345678901234984, 1.2345678901234975, 999999.995, 0.5, 1.5, 2.5, 1e15 + 0.5,
                   9007199254740993.0, 1e16, 1e17, 5e-324, 1e-300, DBL_MAX, 99.99999999999999}) {
    values.push_back(v);
    values.push_back(std::nextafter(v, 0.0));
    values.push_back(std::nextafter(v, 1e300));
  }
  int mismatches = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = (i % 3 == 0) ? -values[i] : values[i];
    for (int d : {0, 1, 2, 3, 4, 5, 8, 12, 17, 25, 40}) {
      const std::string want = reference_fixed(v, d);
      const std::string got = fixed_text(v, d);
      if (got != want && ++mismatches <= 5)
        ADD_FAILURE() << std::hexfloat << v << " d=" << d << ": " << got << " vs " << want;
      // fixed_value is the double that the text reads back as, its sign included.
      double back = 0;
      std::from_chars(want.data(), want.data() + want.size(), back);
      const double value = fixed_value(v, d);
      if (std::memcmp(&value, &back, sizeof back) != 0 && ++mismatches <= 5)
        ADD_FAILURE() << std::hexfloat << v << " d=" << d << ": " << value << " vs " << back;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace survey_rt
