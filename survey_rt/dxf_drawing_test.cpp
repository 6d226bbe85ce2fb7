// The numbers of the DXF writer: the quick text of values with at most four
// decimals is the shortest text that reads back as the value, the same that
// the standard library's shortest conversion gives.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>

#include "dxf_drawing.h"
#include "test_support.h"

namespace survey_rt {
namespace {

std::string shortest(double v) {
  char text[400];
  std::string s(text, std::to_chars(text, text + sizeof text, v, std::chars_format::fixed).ptr);
  return s.find('.') == std::string::npos ? s + ".0" : s;
}

TEST(DxfReal, IsTheShortestTextThatReadsBack) {
  RandomBits next(0x5DEECE66DULL);
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    // Values read from texts of 0 to 6 decimals, of every size up to 10^16.
    const double scale = std::pow(10.0, static_cast<double>(next() % 7));
    const double whole = static_cast<double>(next() % (std::uint64_t{1} << (next() % 54)));
    double v = whole / scale * ((next() & 1) ? -1 : 1);
    if (i % 7 == 0) v = std::nextafter(v, 1e300);  // one that no short text reads back as
    if (dxf_real(v) != shortest(v) && ++mismatches <= 5)
      ADD_FAILURE() << std::hexfloat << v << ": " << dxf_real(v) << " vs " << shortest(v);
  }
  for (double v : {0.0, -0.0, 1e15, 1e-5, 5e-324, 1.7976931348623157e308, 123456789012.3456})
    EXPECT_EQ(dxf_real(v), shortest(v)) << v;
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace survey_rt
