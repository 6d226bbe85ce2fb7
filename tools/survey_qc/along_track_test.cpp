// The along-track shift: the slope of a line at a crossing (either way of
// travel, near the line's ends, records far apart), the fit of shift and bias
// over made differences (found, none, too few crossings on slopes, slopes all
// alike, slopes unknown), the words it is reported in, and their wrapping.
#include "along_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using survey_qc::AlongTrack;
using survey_qc::Point;

TEST(AlongTrack, SlopeAlongTheDirectionOfTravel) {
  // A line of records along x at a spacing, the seabed z = -10 - 0.05 x +
  // 0.002 x^2, east or west. A least-squares line through a parabola over
  // records that lie evenly about a middle has the parabola's slope there:
  // the crossing's place, or the middle of the records within 10 m of it
  // near the line's start.
  struct Case {
    const char* name;
    double spacing;
    int records;
    bool east;
    std::int32_t step;
    double t;
    double middle;  // x of the records' middle; NaN: no slope
  };
  const double none = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"east, mid-line", 0.5, 200, true, 100, 0.5, 50.25},
      {"west, mid-line", 0.5, 200, false, 100, 0.5, 49.25},
      {"east, records 0.4 m apart", 0.4, 300, true, 150, 0.5, 60.2},
      {"east, 2.25 m from the start: 12 m of the line", 0.5, 200, true, 4, 0.5, 6},
      {"records 3 m apart", 3, 40, true, 20, 0.5, 61.5},
      {"records 8 m apart: two within 10 m", 8, 20, true, 10, 0.5, none},
      {"a line of 1 m", 0.25, 5, true, 2, 0.5, none},
  };
  for (const Case& c : cases) {
    std::vector<Point> p;
    for (std::int32_t i = 0; i < c.records; ++i) {
      const double x = c.east ? c.spacing * i : c.spacing * (c.records - 1 - i);
      p.push_back({x, 4700000, -10 - 0.05 * x + 0.002 * x * x});
    }
    double slope = 0;
    ASSERT_EQ(survey_qc::slope_along(p, 0, c.records - 1, c.step, c.t, slope), !std::isnan(c.middle)) << c.name;
    if (std::isnan(c.middle)) continue;
    const double east_slope = -0.05 + 0.004 * c.middle;
    EXPECT_NEAR(slope, c.east ? east_slope : -east_slope, 1e-9) << c.name;
  }
}

// Differences bias + s g plus a noise of +-e in turn, at slope differences g.
std::vector<double> made(const std::vector<double>& g, double bias, double s, double e) {
  std::vector<double> d;
  for (std::size_t i = 0; i < g.size(); ++i)
    d.push_back(bias + s * (std::isfinite(g[i]) ? g[i] : 0) + (i % 2 ? e : -e));
  return d;
}

TEST(AlongTrack, FitOfShiftAndBias) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> both_ways;  // main lines run both ways: g_m - g_c of either sign
  for (int i = 0; i < 24; ++i) both_ways.push_back((i % 4 < 2 ? 1 : -1) * (0.04 + 0.01 * (i % 3)));
  std::vector<double> with_flat = both_ways;
  for (int i = 0; i < 10; ++i) with_flat.push_back(0.0019 * (i - 5));  // not on slopes
  with_flat.push_back(nan);  // a slope not known: takes no part
  using R = AlongTrack::Result;
  struct Case {
    const char* name;
    std::vector<double> g;
    double bias, s, noise;
    R result;
    std::size_t on_slopes;
  };
  const Case cases[] = {
      {"1.2 m behind", both_ways, -0.1, -1.2, 0.01, R::found, 24},
      {"2 m ahead, crossings on the flat and unknown too", with_flat, 0.05, 2.0, 0.02, R::found, 24},
      {"none, noise of 5 cm", both_ways, -0.1, 0.0, 0.05, R::none_found, 24},
      {"four crossings on slopes", {0.05, -0.05, 0.06, -0.04, 0.001, 0.002}, 0, 1, 0.01, R::not_measurable, 4},
      {"slopes all alike", std::vector<double>(12, 0.08), 0, 1, 0.01, R::alike, 12},
      {"a flat seabed", std::vector<double>(30, 0.002), 0, 1, 0.01, R::not_measurable, 0},
  };
  for (const Case& c : cases) {
    const AlongTrack a = survey_qc::fit_shift(made(c.g, c.bias, c.s, c.noise), c.g);
    EXPECT_EQ(a.result, c.result) << c.name;
    EXPECT_EQ(a.on_slopes, c.on_slopes) << c.name;
    if (a.result != R::found) continue;
    EXPECT_NEAR(a.shift, c.s, 2 * a.shift_se) << c.name;
    EXPECT_NEAR(a.bias, c.bias, 2 * a.bias_se) << c.name;
    // The noise is +-noise: the standard errors are of its size over the spread of the slopes.
    EXPECT_LT(a.shift_se, c.noise / 0.04) << c.name;
    EXPECT_GT(a.shift_se, c.noise / 0.2 / std::sqrt(static_cast<double>(c.g.size()))) << c.name;
    // With the shift removed, the differences keep the bias and the noise.
    EXPECT_NEAR(a.mean, c.bias, 0.01) << c.name;
    EXPECT_NEAR(a.sd, c.noise, 0.25 * c.noise) << c.name;
  }
}

TEST(AlongTrack, Words) {
  using R = AlongTrack::Result;
  const auto result = [](R r, std::size_t n, double s, double se) {
    AlongTrack a;
    a.result = r;
    a.on_slopes = n;
    a.shift = s;
    a.shift_se = se;
    a.mean = -0.1;
    a.sd = 0.0612;
    return a;
  };
  struct Case {
    AlongTrack a;
    double speed;
    std::vector<std::string> text;
  };
  const Case cases[] = {
      {result(R::found, 21, 1.96, 0.08), 0,
       {"Along-track: soundings placed 1.96 m +/- 0.08 m ahead of where they were measured, from 21 crossings "
        "on slopes",
        "With the shift removed: mean -0.100 m, standard deviation 0.061 m"}},
      {result(R::found, 21, 1.96, 0.08), 2,
       {"Along-track: soundings placed 1.96 m +/- 0.08 m ahead of where they were measured, from 21 crossings "
        "on slopes",
        "= positions 0.98 s early at 2.0 m/s: run `join --latency 0.98`",
        "With the shift removed: mean -0.100 m, standard deviation 0.061 m"}},
      {result(R::found, 30, -1.2, 0.05), 2,
       {"Along-track: soundings placed 1.20 m +/- 0.05 m behind where they were measured, from 30 crossings "
        "on slopes",
        "= positions 0.60 s late at 2.0 m/s: run `join --latency -0.60`",
        "With the shift removed: mean -0.100 m, standard deviation 0.061 m"}},
      {result(R::not_measurable, 3, 0, 0), 2, {"Along-track: not measurable: too few crossings on slopes (3)"}},
      {result(R::none_found, 21, -0.04, 0.06), 2,
       {"Along-track: none found (under twice its standard error): 0.04 m +/- 0.06 m behind, from 21 crossings "
        "on slopes"}},
      {result(R::alike, 12, 0, 0), 0,
       {"Along-track: not measurable: the 12 crossings on slopes all slope alike (no bias and shift apart); run "
        "main lines both ways"}},
  };
  for (const Case& c : cases) EXPECT_EQ(survey_qc::along_track_text(c.a, c.speed, "+/-"), c.text);
}

TEST(AlongTrack, Wrapped) {
  struct Case {
    std::string text;
    std::size_t width;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", 10, {}},
      {"one", 10, {"one"}},
      {"one two three", 7, {"one two", "three"}},
      {"one two three", 8, {"one two", "three"}},
      {"a longword b", 4, {"a", "longword", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(survey_qc::wrapped(c.text, c.width), c.lines) << c.text;
}

}  // namespace
