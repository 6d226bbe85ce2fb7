// Unit tests of number reading: the tokens read_real and read_word take,
// the nearest double of read_real, and its quick conversion against the
// standard library's.
#include "number_grammar.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "stop.h"
#include "test_support.h"
#include "text_file.h"

namespace survey_rt {
namespace {

using NumberGrammarTest = FileTest;
using NumberFileTest = FolderTest;

TEST_F(NumberGrammarTest, ReadRealAcceptsOnlyTheStrictNumberGrammar) {
  struct Case { const char* bytes; double value; int error; };
  const Case cases[] = {
      {"12.5", 12.5, 0}, {"-3", -3, 0}, {"+4.25", 4.25, 0}, {"1E2", 100, 0},
      {"1e+2", 100, 0}, {"25e-1", 2.5, 0}, {"007", 7, 0}, {"0\r\n", 0, 0},
      // Digits are required on both sides of the decimal point.
      {".5", 0, 106}, {"5.", 0, 106}, {"-.5", 0, 106}, {"5.e3", 0, 106},
      // The token runs to the next blank or control byte, so punctuation spoils it.
      {"1,5", 0, 106}, {"12.5;", 0, 106}, {"1.2.3", 0, 106}, {"3-4", 0, 106},
      {"+", 0, 106}, {"-", 0, 106}, {"1e", 0, 106}, {"1e+", 0, 106}, {"--1", 0, 106},
      {"abc", 0, 106}, {"1d5", 0, 106}, {"0x10", 0, 106}, {"$10", 0, 106},
      {"Infinity", 0, 106}, {"In", 0, 106}, {"NaN1", 0, 106},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    TextFile f;
    open_bytes(f, c.bytes);
    EXPECT_EQ(read_real(f), c.value);
    EXPECT_EQ(io_result(), c.error);
  }
}

TEST_F(NumberGrammarTest, ReadRealTakesInfAndNanInAnyCaseWithOptionalSign) {
  // +1: plus infinity, -1: minus infinity, 0: not-a-number.
  const std::pair<const char*, int> cases[] = {
      {"Inf", 1}, {"inf", 1}, {"INF", 1}, {"+iNf", 1}, {"-Inf", -1}, {"-INF", -1},
      {"Nan", 0}, {"nan", 0}, {"NAN", 0}, {"+NaN", 0}, {"-nAn", 0}};
  for (const auto& [bytes, kind] : cases) {
    SCOPED_TRACE(bytes);
    TextFile f;
    open_bytes(f, bytes);
    const double v = read_real(f);
    EXPECT_EQ(io_result(), 0);
    if (kind == 0) {
      EXPECT_TRUE(std::isnan(v)) << v;
    } else {
      EXPECT_EQ(v, kind * HUGE_VAL);
    }
  }
}

TEST_F(NumberGrammarTest, ReadWordTakesUnsignedIntegersInFourBasesModulo65536) {
  struct Case { std::string bytes; int value; int error; };
  const Case cases[] = {
      {"42", 42, 0}, {"+42", 42, 0}, {"65535", 65535, 0}, {"65536", 0, 0}, {"70000", 4464, 0},
      {"$FF", 255, 0}, {"$ff", 255, 0}, {"x1F", 31, 0}, {"X1f", 31, 0}, {"0x10", 16, 0},
      {"0X10", 16, 0}, {"%101", 5, 0}, {"&17", 15, 0}, {"$10001", 1, 0}, {"+$10", 16, 0},
      // The full 64-bit range is read before the value is cut to 16 bits.
      {"18446744073709551615", 65535, 0}, {"$FFFFFFFFFFFFFFFF", 65535, 0},
      {"18446744073709551616", 0, 106}, {"$10000000000000000", 0, 106},
      {"%1" + std::string(64, '0'), 0, 106},
      {"-1", 0, 106}, {"-0", 0, 106}, {"+", 0, 106}, {"12.5", 0, 106}, {"1e3", 0, 106},
      {"%102", 0, 106}, {"&8", 0, 106}, {"$G", 0, 106}, {"1,5", 0, 106}, {"7;", 0, 106},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    TextFile f;
    open_bytes(f, c.bytes);
    EXPECT_EQ(read_word(f), c.value);
    EXPECT_EQ(io_result(), c.error);
  }
}

TEST_F(NumberFileTest, ReadRealGivesTheNearestDouble) {
  const std::string path_ = path("numbers.txt");
  struct Case { const char* token; double value; };
  const Case cases[] = {
      {"0.1", 0x1.999999999999ap-4}, {"0.3", 0x1.3333333333333p-2},
      {"7.0e-1", 0x1.6666666666666p-1}, {"-2.5E-3", -0x1.47ae147ae147bp-9}, {"+1.5e+2", 150.0},
      {"1e23", 0x1.52d02c7e14af6p+76},
      {"9007199254740993", 0x1p53},  // halfway: to the even neighbour
      {"9007199254740995", 0x1.0000000000002p+53},
      {"123456789012345678", 0x1.b69b4ba630f35p+56},
      // Just below and just above the midpoint between 1 and its upper neighbour.
      {"1.000000000000000111", 1.0}, {"1.000000000000000112", 0x1.0000000000001p+0},
      {"1.7976931348623157e308", DBL_MAX},
      {"1.2345678901234567e-300", 0x1.a74fe1c1e8908p-997},
      {"2.2250738585072011e-308", 0x0.fffffffffffffp-1022},
      {"4.9e-324", 0x0.0000000000001p-1022},
  };
  std::string bytes;
  for (const Case& c : cases) bytes += std::string(c.token) + "\r\n";
  std::ofstream(path_, std::ios::binary) << bytes;
  TextFile f;
  open_input(f, path_);
  ASSERT_EQ(io_result(), 0);
  for (const Case& c : cases) {
    EXPECT_EQ(read_real(f), c.value) << c.token;
    EXPECT_EQ(io_result(), 0) << c.token;
  }
}

// The exact quick conversion of read_real (a whole number of at most 2^53
// times or over an exact power of ten) gives the same double as the standard
// library's conversion, on random tokens with and without exponents.
TEST(ParseReal, QuickConversionAgreesWithTheStandardLibrary) {
  RandomBits next(0x9E3779B97F4A7C15ULL);
  int mismatches = 0;
  for (int i = 0; i < 300000; ++i) {
    std::string token = (next() % 4 == 0) ? "-" : "";
    const int int_digits = 1 + static_cast<int>(next() % 12);
    const int frac_digits = static_cast<int>(next() % 12);
    for (int k = 0; k < int_digits; ++k) token += static_cast<char>('0' + next() % 10);
    if (frac_digits > 0) {
      token += '.';
      for (int k = 0; k < frac_digits; ++k) token += static_cast<char>('0' + next() % 10);
    }
    if (next() % 5 == 0) {
      token += 'e';
      token += std::to_string(static_cast<int>(next() % 61) - 30);
    }
    double got = 0, want = 0;
    const bool ok = parse_real(token, got);
    const char* body = token.c_str() + (token[0] == '-' ? 1 : 0);
    std::from_chars(body, token.c_str() + token.size(), want);
    if (token[0] == '-') want = -want;
    if ((!ok || std::memcmp(&got, &want, sizeof got) != 0) && ++mismatches <= 5)
      ADD_FAILURE() << token << ": " << std::hexfloat << got << " vs " << want;
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace survey_rt
