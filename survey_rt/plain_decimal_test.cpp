// parse_plain_decimal: its grammar, and its values against parse_real's.
#include "plain_decimal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "number_grammar.h"

namespace survey_rt {
namespace {

TEST(PlainDecimal, TakesSignedDigitsWithAnOptionalFractionOnly) {
  struct Case { const char* token; bool ok; double value; int decimals; };
  const Case cases[] = {
      {"12.34", true, 12.34, 2}, {"-0.4", true, -0.4, 1}, {"+7", true, 7, 0}, {"007.50", true, 7.5, 2},
      {"", false, 0, 0}, {"-", false, 0, 0}, {"5.", false, 0, 0}, {".5", false, 0, 0},
      {"1e1", false, 0, 0}, {"1.2.3", false, 0, 0}, {" 1", false, 0, 0}, {"1 ", false, 0, 0},
      {"--1", false, 0, 0}, {"Inf", false, 0, 0}, {"0x10", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    double value = 0;
    int decimals = -1;
    ASSERT_EQ(parse_plain_decimal(c.token, value, decimals), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(decimals, c.decimals);
  }
}

// Every length up to 24 digits, the point anywhere: the same double, bit for
// bit, as parse_real (its quick conversion and the standard library's).
TEST(PlainDecimal, GivesParseRealsValues) {
  std::mt19937_64 random(17);
  for (int i = 0; i < 200000; ++i) {
    const int length = 1 + static_cast<int>(random() % 24);
    std::string token = random() % 2 == 0 ? "" : "-";
    for (int k = 0; k < length; ++k) token += static_cast<char>('0' + random() % 10);
    const int decimals = static_cast<int>(random() % static_cast<unsigned>(length));
    if (decimals > 0) token.insert(token.size() - static_cast<std::size_t>(decimals), ".");
    SCOPED_TRACE(token);
    double ours = 0, theirs = 0;
    int ours_decimals = -1;
    ASSERT_TRUE(parse_plain_decimal(token, ours, ours_decimals));
    ASSERT_TRUE(parse_real(token, theirs));
    ASSERT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << ours << " " << theirs;
    ASSERT_EQ(ours_decimals, decimals);
  }
}

}  // namespace
}  // namespace survey_rt
