// The helpers of the pictures: round steps for ticks and scale bars, the
// colour scale and its levels, and text made safe for XML.
#include "svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "map_marks.h"
#include "test_support.h"

namespace survey_rt {
namespace {

TEST(RoundNumbers, StepsAreOneTwoOrFiveTimesAPowerOfTen) {
  struct Case {
    double v, up, down;
    int decimals;  // of up
  };
  const Case cases[] = {
      {1, 1, 1, 0},       {1.01, 2, 1, 0},       {4.4, 5, 2, 0},          {5, 5, 5, 0},
      {7, 10, 5, 0},      {0.03, 0.05, 0.02, 2}, {110 * 0.35, 50, 20, 0}, {123456, 200000, 100000, 0},
      {0.5, 0.5, 0.5, 1},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(round_up_nice(c.v), c.up) << c.v;
    EXPECT_DOUBLE_EQ(round_down_nice(c.v), c.down) << c.v;
    EXPECT_EQ(decimals_of(c.up), c.decimals) << c.up;
  }
}

TEST(RoundNumbers, TicksAreTheMultiplesInTheRangeAndNeverMinusZero) {
  std::vector<double> seen;
  each_tick(-0.3, 1.1, 0.5, [&](double v) { seen.push_back(v); });
  ASSERT_EQ(seen, (std::vector<double>{0, 0.5, 1}));
  EXPECT_FALSE(std::signbit(seen[0]));
  seen.clear();
  each_tick(1e20, 1e20 + 1e6, 1, [&](double v) { seen.push_back(v); });  // 1 is lost beside 1e20
  EXPECT_EQ(seen.size(), 100u);
}

TEST(DepthColours, ViridisFromDeepToShallowInLevels) {
  EXPECT_EQ(depth_colour(0), "#440154");
  EXPECT_EQ(depth_colour(0.5), "#21908c");
  EXPECT_EQ(depth_colour(1), "#fde725");
  EXPECT_EQ(depth_colour(1.0 / 16), "#461768");  // halfway between the first two: 69.5, 23, 103.5
  EXPECT_EQ(depth_colour(-3), depth_colour(0));
  struct Case {
    double z;
    int level;
  };
  for (const Case& c :
       {Case{-20, 0}, Case{-2, kLevels - 1}, Case{-11, 32}, Case{-30, 0}, Case{5, kLevels - 1}})
    EXPECT_EQ(depth_level(c.z, -20, -2), c.level) << c.z;
  EXPECT_EQ(depth_level(-7, -7, -7), kLevels - 1);  // no range: one colour
}

TEST(XmlText, EscapesMarkupAndKeepsOnlyWholeUtf8) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"Bay <A> & \"B\"", "Bay &lt;A&gt; &amp; &quot;B&quot;"},
      {"Varna \xc3\xa9 \xe2\x80\x94 \xf0\x9f\x8c\x8a", "Varna \xc3\xa9 \xe2\x80\x94 \xf0\x9f\x8c\x8a"},
      {"\xc7\xe0\xeb\xe8\xe2", "?????"},  // Windows-1251, not UTF-8
      {"cut \xe2\x80", "cut ??"},
      {"tab\there\x01", "tab?here?"},
  };
  for (const Case& c : cases) EXPECT_EQ(xml_text(c.in), c.out) << c.in;
}

using SheetAtScale = FolderTest;

TEST_F(SheetAtScale, MillimetresOfPaperAreTheUnitsOfThePicture) {
  TextFile f;
  create_output(f, path("sheet.svg"));
  svg_begin_mm(f, 160.74, 99.95);
  svg_end(f);
  close_file(f);
  ASSERT_EQ(io_result(), 0);
  std::ifstream in(path("sheet.svg"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"160.7mm\" height=\"100.0mm\" "
            "viewBox=\"0 0 160.7 100.0\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" "
            "font-size=\"3\">\r\n"
            "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\r\n</svg>\r\n");
}

TEST(SimplifiedLine, KeepsTheEndsAndWhatStandsOutMoreThanHalfAPixel) {
  struct P {
    int x, y;
    bool operator==(const P&) const = default;
  };
  struct Case {
    std::vector<P> line, kept;
  };
  const Case cases[] = {
      {{}, {}},
      {{{0, 0}, {5, 5}}, {{0, 0}, {5, 5}}},
      {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {3, 0}}},                            // a straight run
      {{{0, 0}, {1, 0}, {2, 1}, {3, 0}, {4, 0}}, {{0, 0}, {2, 1}, {4, 0}}},            // a bump of a pixel
      {{{0, 0}, {5, 0}, {10, 1}, {20, 2}}, {{0, 0}, {20, 2}}},                         // within half a pixel
      {{{0, 0}, {4, 4}, {0, 0}}, {{0, 0}, {4, 4}, {0, 0}}},                            // back to the start
      {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 1}}, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(simplified_line(c.line), c.kept) << c.line.size();
}

TEST(MapMarks, ScaleBarsOfRoundLengthsAndTheArrowsHalves) {
  // (longest units, metres a unit, metres, decimals)
  const struct {
    double longest, scale, metres;
    int decimals;
  } cases[] = {{250, 1, 200, 0},  {250, 0.2, 50, 0},   {80, 2.5, 200, 0},
               {80, 0.5, 20, 0},  {250, 0.005, 1, 1},  {100, 0.0007, 0.05, 3}};
  for (const auto& c : cases) {
    const ScaleBar bar = scale_bar(c.longest, c.scale);
    EXPECT_NEAR(bar.metres, c.metres, c.metres * 1e-12) << c.longest << " " << c.scale;
    EXPECT_EQ(bar.decimals, c.decimals) << c.metres;
    EXPECT_LE(bar.length, c.longest * (1 + 1e-12));
    EXPECT_GE(bar.length, c.longest * 0.4);
    EXPECT_NEAR(bar.length * c.scale, bar.metres, 1e-9);
  }
  const NorthArrow a = north_arrow(100, 20, 0.5);
  EXPECT_DOUBLE_EQ(a.letter, 26);
  EXPECT_DOUBLE_EQ(a.caption, 57);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(a.dark[i].x - 100, 100 - a.light[i].x) << i;
    EXPECT_DOUBLE_EQ(a.dark[i].y, a.light[i].y) << i;
  }
  EXPECT_DOUBLE_EQ(a.dark[0].y, 29);   // the tip
  EXPECT_DOUBLE_EQ(a.dark[1].x, 104.5);
  EXPECT_LT(a.dark[2].y, a.dark[1].y);  // the notch above the outer corners
}

}  // namespace
}  // namespace survey_rt
