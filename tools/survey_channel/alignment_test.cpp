// The channel in the plan: stations and offsets by the nearest point, the
// sections' stations and lines, and the template's pieces: they tile the
// channel's plan without gaps or overlaps, and on each the template is the
// plane that the nearest point's station and offset give.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "alignment.h"
#include "polygon.h"

namespace survey_channel {
namespace {

constexpr double kPi = 3.141592653589793;

Channel channel_of(const std::vector<std::string>& lines) {
  const ChannelCheck c = check_channel(lines);
  EXPECT_EQ(c.why, "");
  return c.channel;
}

// A bend of 30 degrees to the left at (100, 0), then on for 100 m.
const std::vector<std::string> kBend = {"point 0 0", "point 100 0",
                                        "point " + std::to_string(100 + 100 * std::cos(kPi / 6)) + " " +
                                            std::to_string(100 * std::sin(kPi / 6)),
                                        "reach 0 80 -12 20 25 3 2 0.5", "reach 80 199.99 -11 15 10 0 4 0.25"};

TEST(Alignment, StationAndOffsetOfTheNearestPoint) {
  const Channel c = channel_of(kBend);
  const Alignment a = make_alignment(c, {});
  struct Case {
    Point2 q;
    double station, offset;
  };
  const double s30 = std::sin(kPi / 6), c30 = std::cos(kPi / 6);
  const Case cases[] = {
      {{50, -10}, 50, 10},                                  // right of the first segment
      {{50, 7}, 50, -7},                                    // left
      {{100, -10}, 100, 10},                                // on the perpendicular at the bend
      {{100 + 10 * s30, -10 * c30}, 100, 10},               // outside, in the fan: the bend's point
      {{100 + 5 * std::cos(-75 * kPi / 180), 5 * std::sin(-75 * kPi / 180)}, 100, 5},  // in the fan too
      {{-10, 5}, 0, -std::hypot(10.0, 5.0)},                // before the start: its first point
      {{100 + 50 * c30 - 4 * s30, 50 * s30 + 4 * c30}, 150, -4},  // left of the second segment
      {{90, 3}, 90, -3},                                    // inside the bend, nearer the first
  };
  for (const Case& k : cases) {
    const Place p = place_of(a, k.q);
    EXPECT_NEAR(p.station, k.station, 1e-6) << k.q.x << " " << k.q.y;
    EXPECT_NEAR(p.offset, k.offset, 1e-6) << k.q.x << " " << k.q.y;
  }
}

TEST(Alignment, SectionsAtTheReachesEndsAndTheMultiplesOfTheInterval) {
  struct Case {
    std::vector<std::string> reaches;
    double interval;
    std::vector<double> stations;
  };
  const Case cases[] = {
      {{"reach 0 100 -12 25 25 3 3 0.5"}, 25, {0, 25, 50, 75, 100}},
      {{"reach 10 60 -12 25 25 3 3 0.5", "reach 60 70.5 -12 20 20 3 3 0.5"}, 25, {10, 25, 50, 60, 70.5}},
      {{"reach 0 50.0000001 -12 25 25 3 3 0.5", "reach 50.0000001 100 -12 25 25 3 3 0.5"}, 50, {0, 50.0000001, 100}},
      {{"reach 0 100 -12 25 25 3 3 0.5"}, 30, {0, 30, 60, 90, 100}},
  };
  for (const Case& k : cases) {
    std::vector<std::string> lines = {"point 0 0", "point 100 0"};
    lines.insert(lines.end(), k.reaches.begin(), k.reaches.end());
    const Channel c = channel_of(lines);
    const std::vector<double> stations = section_stations(c, k.interval);
    EXPECT_EQ(stations, k.stations);
    const std::vector<int> reach_of = interval_reaches(c, stations);
    ASSERT_EQ(reach_of.size(), stations.size() - 1);
    for (std::size_t i = 0; i < reach_of.size(); ++i) {
      const Reach& r = c.reaches[static_cast<std::size_t>(reach_of[i])];
      EXPECT_TRUE(r.from <= stations[i] && stations[i + 1] <= r.to) << i;
    }
  }
}

double polygon_area(const std::vector<Point2>& p) {
  double a2 = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const Point2 &u = p[i], &v = p[(i + 1) % p.size()];
    a2 += u.x * v.y - u.y * v.x;
  }
  return a2 / 2;
}

// The pieces of a channel of one reach along a line with one bend of angle
// turn: their area on each side is the region within the lateral reach W of
// the centreline (the fan outside as wedges, the inside cut at the bisector),
// and at each piece's centre the template is the one of the nearest point.
TEST(Alignment, PiecesTileThePlanAndCarryTheNearestPointsTemplate) {
  for (const double degrees : {0.0, 30.0, -30.0, 89.0}) {
    const double turn = degrees * kPi / 180;
    const double l1 = 100, l2 = 120;
    const Point2 end{l1 + l2 * std::cos(turn), l2 * std::sin(turn)};
    const Channel c = channel_of({"point 0 0", "point 100 0", "point " + std::to_string(end.x) + " " + std::to_string(end.y),
                                  "reach 0 60 -12 20 25 3 2 0.5", "reach 60 219.999 -11 15 10 1 4 0.25"});
    const Alignment a = make_alignment(c, {});
    const double length = c.reaches.back().to;
    const std::vector<double> stations = section_stations(c, 25);
    const std::vector<int> reach_of = interval_reaches(c, stations);
    const std::array<double, 2> w = lateral_reach(c, -10);  // the pay lines reach up to -10
    EXPECT_EQ(w[0], std::max(20 + 3 * 2.5, 15 + 1 * 1.25) + 1);
    EXPECT_EQ(w[1], std::max(25 + 2 * 2.5, 10 + 4 * 1.25) + 1);
    ASSERT_EQ(tight_bend(c, a, w).point, -1);
    const std::vector<Piece> pieces = template_pieces(c, a, stations, reach_of, w);
    double area[2] = {0, 0};
    for (const Piece& p : pieces) {
      const double piece_area = polygon_area(p.corners);
      EXPECT_GT(piece_area, 0);
      area[p.side < 0 ? 0 : 1] += piece_area;
      Point2 centre{0, 0};
      for (const Point2& q : p.corners) centre = {centre.x + q.x / p.corners.size(), centre.y + q.y / p.corners.size()};
      for (const surface::Plane& e : p.edges) EXPECT_GT(surface::value_at(e, centre.x, centre.y), 0);
      const Place place = place_of(a, centre);
      EXPECT_GE(place.station, stations[static_cast<std::size_t>(p.interval)] - 1e-9);
      EXPECT_LE(place.station, stations[static_cast<std::size_t>(p.interval) + 1] + 1e-9);
      EXPECT_EQ(place.offset < 0 ? -1 : 1, p.side);
      const Reach& r = c.reaches[static_cast<std::size_t>(p.reach)];
      const double u = std::fabs(place.offset);
      EXPECT_EQ(p.slope, u > r.half(p.side));
      // Exact on the segments' cells, within a millionth of the offset in
      // the fans (its slope 1 in 2 at the steepest).
      EXPECT_NEAR(surface::value_at(p.t, centre.x, centre.y), template_height(r, place.offset), 1e-9 + u * 1e-5);
    }
    const double tan_half = std::tan(std::fabs(turn) / 2), k = std::ceil(std::fabs(turn) / 2 / (0.5 * kPi / 180));
    const double fan = 2 * k * std::tan(std::fabs(turn) / 2 / k / 2);  // the wedges' area over W squared
    const int outside = turn > 0 ? 1 : 0;
    for (int s = 0; s < 2; ++s) {
      const double expected = w[s] * length + (turn == 0 ? 0 : s == outside ? fan * w[s] * w[s] : -w[s] * w[s] * tan_half);
      EXPECT_NEAR(area[s], expected, 1e-6 * expected) << degrees << " side " << s;
    }
  }
}

TEST(Alignment, BendsTooTightForTheReachAreFound) {
  struct Case {
    std::vector<std::string> points;
    double reach;
    int point;
    double crossing;
  };
  const double t15 = std::tan(15 * kPi / 180);
  const Case cases[] = {
      {{"point 0 0", "point 100 0", "point 186.6025 50"}, 50, -1, 0},
      // The bisectors of two bends of 30 degrees the same way, 20 m apart.
      {{"point 0 0", "point 100 0", "point 117.3205 10", "point 127.3205 27.3205"}, 50, 1, 20 / (2 * t15)},
      // The same bends the other way round each other: no crossing within 50 m.
      {{"point 0 0", "point 100 0", "point 117.3205 10", "point 137.3205 10"}, 50, -1, 0},
      {{"point 0 0", "point 100 0", "point 117.3205 10", "point 137.3205 10"}, 80, 1, 20 / t15},
  };
  for (const Case& k : cases) {
    std::vector<std::string> lines = k.points;
    lines.push_back("reach 0 130 -12 25 25 3 3 0.5");
    const Channel c = channel_of(lines);
    const Alignment a = make_alignment(c, {});
    const TightBend b = tight_bend(c, a, {k.reach, k.reach});
    EXPECT_EQ(b.point, k.point) << k.reach;
    if (k.point >= 0) {
      EXPECT_NEAR(b.crossing, k.crossing, 1e-3);
    }
  }
}

TEST(Alignment, SectionLinesAcrossTheSegmentsAndAlongTheBisectorAtABend) {
  const Channel c = channel_of(kBend);
  const Alignment a = make_alignment(c, {});
  const SectionLine mid = section_line(a, 50);
  EXPECT_NEAR(mid.centre.x, 50, 1e-12);
  EXPECT_NEAR(mid.right.y, -1, 1e-12);
  EXPECT_EQ(mid.stretch[0], 1);
  const SectionLine at_bend = section_line(a, 100);
  EXPECT_NEAR(at_bend.centre.x, 100, 1e-9);
  EXPECT_NEAR(std::atan2(at_bend.right.y, at_bend.right.x), -75 * kPi / 180, 1e-9);
  EXPECT_NEAR(at_bend.stretch[0], std::cos(15 * kPi / 180), 1e-8);  // the inside, left
  EXPECT_EQ(at_bend.stretch[1], 1);
  const SectionLine after = section_line(a, 150);
  EXPECT_NEAR(std::atan2(after.right.y, after.right.x), -60 * kPi / 180, 1e-8);
  // The end of the line: across its last segment.
  const SectionLine last = section_line(a, a.s.back());
  EXPECT_NEAR(last.centre.x, a.p.back().x, 1e-9);
}

TEST(Alignment, TemplateHeightsAcrossTheBottomAndUpTheSlopes) {
  const Reach r{0, 100, -12, 20, 25, 3, 0, 0.5, 1};
  struct Case {
    double offset, height;
  };
  const Case cases[] = {{0, -12}, {-20, -12}, {-26, -10}, {25, -12}, {-50, -2}, {25.01, INFINITY}};
  for (const Case& k : cases) EXPECT_EQ(template_height(r, k.offset), k.height) << k.offset;
}

}  // namespace
}  // namespace survey_channel
