// The pay volumes on made surveys whose answers are known exactly: a 200 m
// straight channel at -12 (bottom 50 m, slopes 1 in 3, over-depth 0.5)
// under a flat seabed at -10, a seabed sloping along it, a pyramid shoal
// between two sections, a step between two reaches, the works dredged to
// the template lowered within and beyond the over-depth, and a bend.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "pay.h"

namespace survey_channel {
namespace {

constexpr double kE0 = 512340, kN0 = 4705430;  // the channel's first point
constexpr double kPi = 3.141592653589793;

using Height = std::function<double(double x, double y)>;

// Points of the plan relative to the first point, with their heights.
surface::Tin surface_of(const std::vector<Point2>& plan, const Height& z) {
  std::vector<surface::Vertex> records;
  for (const Point2& p : plan) records.push_back({kE0 + p.x, kN0 + p.y, z(p.x, p.y)});
  surface::PointSet points = surface::take_points(records);
  return surface::build_tin(std::move(points.vertices), 50);
}

std::vector<Point2> grid(double x0, double x1, double y0, double y1, double step) {
  std::vector<Point2> p;
  for (double x = x0; x <= x1 + 1e-9; x += step)
    for (double y = y0; y <= y1 + 1e-9; y += step) p.push_back({x, y});
  return p;
}

// Points every 5 m along the channel (it runs east from the first point)
// on the lines at these offsets (right positive: south).
std::vector<Point2> along(const std::vector<double>& offsets) {
  std::vector<Point2> p;
  for (double x = -10; x <= 210; x += 5)
    for (const double o : offsets) p.push_back({x, -o});
  return p;
}

Channel straight(const std::vector<std::string>& reaches) {
  std::vector<std::string> lines = {"point 512340 4705430", "point 512540 4705430"};
  lines.insert(lines.end(), reaches.begin(), reaches.end());
  const ChannelCheck c = check_channel(lines);
  EXPECT_EQ(c.why, "");
  return c.channel;
}

const std::string kReach = "reach 0 200 -12 25 25 3 3 0.5";

// The template of kReach at an offset.
double design(double offset) { return -12 + std::max(0.0, std::fabs(offset) - 25) / 3; }

Amounts total(const std::vector<Amounts>& by_interval) {
  Amounts sum{0, 0, 0, 0};
  for (const Amounts& a : by_interval)
    for (int q = 0; q < kQuantities; ++q) sum[q] += a[q];
  return sum;
}

TEST(Pay, MadeSurveysWithKnownVolumes) {
  struct Case {
    std::string name;
    std::vector<std::string> reaches;
    double interval;
    std::vector<Point2> plan;
    Height seabed;
    std::vector<Point2> plan_before;  // empty: a condition survey
    Height before;
    Amounts tin, aea;
  };
  const Height flat = [](double, double) { return -10.0; };
  // The pyramid: 20 m x 20 m at station 112.5, its top 1 m over the design
  // bottom; the seabed's other points keep out of its faces' circumcircles,
  // so that the Delaunay triangulation has its four faces.
  std::vector<Point2> pyramid = {{112.5, 0}, {102.5, -10}, {122.5, -10}, {122.5, 10}, {102.5, 10}};
  for (const Point2& p : grid(-10, 210, -60, 60, 5)) {
    const bool inside = std::fabs(p.x - 112.5) <= 10 && std::fabs(p.y) <= 10;
    bool near = false;
    for (const Point2 m : {Point2{112.5, -10}, {112.5, 10}, {102.5, 0}, {122.5, 0}})
      near = near || std::hypot(p.x - m.x, p.y - m.y) <= 10.5;
    if (!inside && !near) pyramid.push_back(p);
  }
  const Height shoal = [](double x, double y) {
    return -12 + std::max(0.0, 1 - std::max(std::fabs(x - 112.5), std::fabs(y)) / 10);
  };
  // Dredged to the template lowered by 0.3 m and by 0.8 m, from -10.
  const Height lowered_3 = [](double, double y) { return std::min(-10.0, design(-y) - 0.3); };
  const Height lowered_8 = [](double, double y) { return std::min(-10.0, design(-y) - 0.8); };
  const std::vector<double> lines_3 = {-60, -45, -31.9, -25, -15, -5, 5, 15, 25, 31.9, 45, 60};
  const std::vector<double> lines_8 = {-60, -45, -33.4, -25, -15, -5, 5, 15, 25, 33.4, 45, 60};
  const Case cases[] = {
      // 2 m to the bottom, 50 + 62 m wide: 112 m2; the band 0.5 m over 62 m
      // and two triangles 1.5 m by 0.5 m to where the pay line meets -10.
      {"flat", {kReach}, 25, grid(-10, 210, -60, 60, 5), flat, {}, {}, {22400, 6350}, {22400, 6350}},
      // From 2 m to 1 m deep: 50 d + 3 d^2 m2 along it; average end areas
      // at 50 m overestimate the quadratic term by 6.25 m3.
      {"sloping", {kReach}, 50, grid(-10, 210, -60, 60, 5), [](double x, double) { return -10 - x / 200; }, {}, {},
       {16400, 6050}, {16406.25, 6050}},
      // The shoal between the sections at 100 and 125: 400 / 3 m3 by the TIN,
      // nothing in the sections. The bottom at the design: the band 0.5 m
      // over 50 m and to where the pay line meets -12, 1.5 m out.
      {"pyramid", {kReach}, 25, pyramid, shoal, {}, {}, {400.0 / 3, 5150}, {0, 5150}},
      // Vertical sides: the bottom only, 2 m and 0.5 m over 50 m.
      {"vertical", {"reach 0 200 -12 25 25 0 0 0.5"}, 25, grid(-10, 210, -60, 60, 5), flat, {}, {}, {20000, 5000},
       {20000, 5000}},
      // A step at 100: -12 then -11.
      {"step", {"reach 0 100 -12 25 25 3 3 0.5", "reach 100 200 -11 25 25 3 3 0.5"}, 30, grid(-10, 210, -60, 60, 5),
       flat, {}, {}, {16500, 6050}, {16500, 6050}},
      // Within the over-depth: 2.3 m over 50 m and 6.9 m up each slope.
      {"dredged 0.3", {kReach}, 25, along(lines_3), lowered_3, grid(-10, 210, -60, 60, 5), flat,
       {26174, 0, 0, 0}, {26174, 0, 0, 0}},
      // Beyond it: paid to the pay line (2.5 m, out to 32.5 m), 0.3 m below
      // it over 65 m.
      {"dredged 0.8", {kReach}, 25, along(lines_8), lowered_8, grid(-10, 210, -60, 60, 5), flat,
       {28750, 3900, 0, 0}, {28750, 3900, 0, 0}},
      // The other way round: the survey before as the one after: 22,400 m3
      // above the template, deposited where 26,174 m3 were removed.
      {"deposited", {kReach}, 25, grid(-10, 210, -60, 60, 5), flat, along(lines_3), lowered_3,
       {0, 0, 22400, 26174}, {0, 0, 22400, 26174}},
  };
  for (const Case& k : cases) {
    const surface::Tin survey = surface_of(k.plan, k.seabed);
    const surface::Tin before = k.plan_before.empty() ? surface::Tin{} : surface_of(k.plan_before, k.before);
    const Figures g = channel_figures(straight(k.reaches), k.interval, survey, k.plan_before.empty() ? nullptr : &before);
    ASSERT_EQ(g.bend.point, -1);
    const Amounts tin = total(g.plan.by_interval), aea = total(g.aea);
    for (int q = 0; q < kQuantities; ++q) {
      EXPECT_NEAR(tin[q], k.tin[q], 1e-6) << k.name << " quantity " << q;
      EXPECT_NEAR(aea[q], k.aea[q], 1e-6) << k.name << " quantity " << q;
    }
    for (const Section& s : g.sections) EXPECT_TRUE(s.covered) << k.name << " " << s.station;
  }
}

TEST(Pay, SectionsAndIntervalsOfTheFlatCase) {
  const surface::Tin survey = surface_of(grid(-10, 210, -60, 60, 5), [](double, double) { return -10.0; });
  const Figures g = channel_figures(straight({kReach}), 25, survey, nullptr);
  ASSERT_EQ(g.stations.size(), 9u);
  ASSERT_EQ(g.sections.size(), 9u);
  for (const Section& s : g.sections) {
    EXPECT_NEAR(s.area[0], 112, 1e-9) << s.station;
    EXPECT_NEAR(s.area[1], 31.75, 1e-9) << s.station;
    // The pay line meets the seabed 32.5 m out, the template 31 m out.
    EXPECT_NEAR(s.pay_limit[0], -32.5, 1e-9);
    EXPECT_NEAR(s.pay_limit[1], 32.5, 1e-9);
    EXPECT_NEAR(s.daylight[0], -31, 1e-9);
    EXPECT_NEAR(s.daylight[1], 31, 1e-9);
  }
  for (const Amounts& a : g.plan.by_interval) {
    EXPECT_NEAR(a[0], 2800, 1e-6);
    EXPECT_NEAR(a[1], 793.75, 1e-6);
  }
  // The billed areas for the drawings add up to the areas.
  double filled[2] = {0, 0};
  for (const Fill& f : g.sections[0].fills) {
    const auto& c = f.corners;
    filled[f.quantity] += (c[1].x - c[0].x) * ((c[3].y - c[0].y) + (c[2].y - c[1].y)) / 2;
  }
  EXPECT_NEAR(filled[0], 112, 1e-9);
  EXPECT_NEAR(filled[1], 31.75, 1e-9);
}

// A bend of 30 degrees under a flat seabed at -10: on each side the volume
// of the straight cells, less the wedge cut off at the bisector inside,
// plus the fan outside. With f(u) the depth to dredge u metres out (2 m to
// 25 m, then up the slope to 31 m), whose integrals are 56 m2 and of f(u) u
// 787 m3, the total is 112 L + (turn - 2 tan(turn / 2)) 787.
TEST(Pay, ABendAgainstItsClosedForm) {
  const double turn = kPi / 6;
  const Point2 end{100 + 100 * std::cos(turn), 100 * std::sin(turn)};
  const ChannelCheck c = check_channel({"point 512340 4705430", "point 512440 4705430",
                                        "point " + std::to_string(kE0 + end.x) + " " + std::to_string(kN0 + end.y),
                                        "reach 0 199.999 -12 25 25 3 3 0.5"});
  ASSERT_EQ(c.why, "");
  const surface::Tin survey = surface_of(grid(-40, 240, -60, 140, 5), [](double, double) { return -10.0; });
  const Figures g = channel_figures(c.channel, 25, survey, nullptr);
  const double length = c.channel.reaches[0].to;
  const double expected = 112 * length + (turn - 2 * std::tan(turn / 2)) * 787;
  EXPECT_NEAR(total(g.plan.by_interval)[0], expected, expected * 1e-5);
}

}  // namespace
}  // namespace survey_channel
