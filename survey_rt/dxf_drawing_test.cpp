// The quick text of a value with at most four decimals is the shortest text
// that reads back as it, the one of the standard library's conversion.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>

#include "dxf_drawing.h"
#include "test_support.h"

namespace survey_rt {
namespace {

TEST(DxfReal, IsTheShortestTextThatReadsBack) {
  RandomBits next(0x5DEECE66DULL);
  for (int i = 0; i < 200000; ++i) {
    // Texts of 0 to 6 decimals and up to 16 digits read back; now and then the
    // next double, which no short text reads back as.
    double v = static_cast<double>(next() % (std::uint64_t{1} << (next() % 54))) /
               std::pow(10.0, static_cast<double>(next() % 7)) * ((next() & 1) ? -1 : 1);
    if (i % 7 == 0) v = std::nextafter(v, 1e300);
    if (i == 0) v = -0.0;
    char text[400];
    std::string want(text, std::to_chars(text, text + sizeof text, v, std::chars_format::fixed).ptr);
    if (want.find('.') == std::string::npos) want += ".0";
    ASSERT_EQ(dxf_real(v), want) << std::hexfloat << v;
  }
}

}  // namespace
}  // namespace survey_rt
