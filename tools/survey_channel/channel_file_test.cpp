// The channel file: what it gives, and every refusal with its line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "channel.h"

namespace survey_channel {
namespace {

TEST(ChannelFile, KeywordsInAnyCaseCommentsAndTheReachesEndToEnd) {
  const ChannelCheck c = check_channel({
      "# Approach channel, design of 2026",
      "",
      "START 1000   # the first point's station",
      "point 512340.00 4705430.00",
      "  Point\t512440 4705430",
      "point 512540 4705530.0e0",
      "reach 1000 1100 -12 25 30 3 2.5 0.5",
      "reach 1100 1241.42 -11.5 20 20 0 4 0.25  # a vertical left side",
  });
  ASSERT_EQ(c.why, "");
  ASSERT_EQ(c.channel.points.size(), 3u);
  EXPECT_EQ(c.channel.points[2].y, 4705530.0);
  EXPECT_EQ(c.channel.point_lines, (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(c.channel.start, 1000);
  ASSERT_EQ(c.channel.reaches.size(), 2u);
  const Reach& r = c.channel.reaches[0];
  EXPECT_EQ(std::vector<double>({r.from, r.to, r.level, r.left, r.right, r.slope_left, r.slope_right, r.overdepth}),
            std::vector<double>({1000, 1100, -12, 25, 30, 3, 2.5, 0.5}));
  EXPECT_EQ(r.half(-1), 25);
  EXPECT_EQ(r.slope(1), 2.5);
  EXPECT_EQ(c.channel.reaches[1].line, 8);
  // The centreline is 100 + 141.42136 m long: the reach typed to the
  // centimetre below its end stays as typed.
  EXPECT_EQ(c.channel.reaches[1].to, 1241.42);
  EXPECT_NEAR(centreline_length(c.channel), 100 + 100 * std::sqrt(2.0), 1e-9);
}

TEST(ChannelFile, AReachEndingWithinHalfACentimetreBeyondTheLineEndsWithIt) {
  const ChannelCheck c = check_channel({"point 0 0", "point 100 100", "reach 0 141.42 -5 1 1 1 1 0",
                                        "reach 141.42 141.425 -5 1 1 1 1 0"});
  ASSERT_EQ(c.why, "");
  EXPECT_EQ(c.channel.reaches[1].to, 100 * std::sqrt(2.0));
}

TEST(ChannelFile, RefusalsNameTheLineAndTheReason) {
  struct Case {
    std::vector<std::string> lines;
    int line;
    std::string why;  // the start of the reason
  };
  const std::string a = "point 0 0", b = "point 100 0", r = "reach 0 100 -12 25 25 3 3 0.5";
  const Case cases[] = {
      {{a, "pont 1 2", b, r}, 2, "\"pont\" is not a keyword"},
      {{a, "point 1", r}, 2, "point wants 2 numbers (X Y), not 1"},
      {{a, "start 1 2", b, r}, 2, "start wants 1 number (S), not 2"},
      {{a, b, "reach 0 100 -12 25 25 3 3"}, 3, "reach wants 8 numbers"},
      {{a, "point 100 O", r}, 2, "\"O\" is not a finite number"},
      {{a, "point 100 nan", r}, 2, "\"nan\" is not a finite number"},
      {{a, "point 1e13 0", r}, 2, "a point beyond 1e12 m"},
      {{a, "point 0 0.0", b, r}, 2, "the point repeats the one before"},
      {{"start 5", a, b, "start 5", r}, 4, "a second start"},
      {{a, b, "reach 50 40 -12 25 25 3 3 0.5"}, 3, "the reach ends at 40.00, not after its start 50.00"},
      {{a, b, "reach 0 100 -12 -1 25 3 3 0.5"}, 3, "LEFT and RIGHT are the bottom's extent"},
      {{a, b, "reach 0 100 -12 25 25 -3 3 0.5"}, 3, "a side slope is metres across per metre up"},
      {{a, b, "reach 0 100 -12 25 25 3 3 -0.5"}, 3, "the over-depth is metres"},
      {{a, b, "reach 0 60 -12 25 25 3 3 0.5", "reach 50 100 -12 25 25 3 3 0.5"}, 4,
       "the reach overlaps the one of line 3, which ends at 60.00"},
      {{a, b, "reach 0 50 -12 25 25 3 3 0.5", "reach 55 100 -12 25 25 3 3 0.5"}, 4,
       "a gap from 50.00 (the end of the reach of line 3) to 55.00"},
      {{a, b, "reach 50 100 -12 25 25 3 3 0.5", "reach 0 50 -12 25 25 3 3 0.5"}, 4,
       "the reaches are out of order: this one starts before the reach of line 3"},
      {{a, r}, 1, "a centreline needs two points or more, the file has 1"},
      {{r}, 0, "a centreline needs two points or more, the file has 0"},
      {{a, b}, 0, "no reach"},
      {{a, b, "reach -1 100 -12 25 25 3 3 0.5"}, 3, "the reach starts at -1.00, before the centreline's first station 0.00"},
      {{a, b, "reach 0 100.01 -12 25 25 3 3 0.5"}, 3, "the reach ends at 100.01, beyond the centreline's last station 100.00"},
      {{"start 10", a, b, r}, 4, "the reach starts at 0.00, before the centreline's first station 10.00"},
      {{a, b, "point 100 100", r}, 2, "the centreline turns by 90.0 degrees at this point"},
      {{a, b, "point 0 1", r}, 2, "the centreline turns by 179.4 degrees at this point"},
  };
  for (const Case& c : cases) {
    const ChannelCheck check = check_channel(c.lines);
    EXPECT_EQ(check.line, c.line) << c.why;
    EXPECT_EQ(check.why.substr(0, c.why.size()), c.why);
  }
}

}  // namespace
}  // namespace survey_channel
