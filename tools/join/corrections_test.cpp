#include "corrections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace join_corrections;
using survey_rt::TablePair;

namespace {

std::vector<TablePair> table(std::initializer_list<std::pair<double, double>> rows) {
  std::vector<TablePair> t;
  long line = 0;
  for (const auto& [a, b] : rows) t.push_back({a, b, ++line});
  return t;
}

SoundSpeedProfile profile_of(std::initializer_list<std::pair<double, double>> rows) {
  std::string why;
  SoundSpeedProfile p = make_profile(table(rows), why);
  EXPECT_EQ(why, "");
  return p;
}

// The model: the speed at a depth straight from the samples, the travel time
// by the midpoint rule in steps of at most a millimetre, the depth by bisection.
double model_speed(const SoundSpeedProfile& p, double z) {
  if (z <= p.depth.front()) return p.speed.front();
  for (std::size_t i = 1; i < p.depth.size(); ++i)
    if (z < p.depth[i]) return p.speed[i - 1] + (p.speed[i] - p.speed[i - 1]) * (z - p.depth[i - 1]) /
                                                   (p.depth[i] - p.depth[i - 1]);
  return p.speed.back();
}

double model_time(const SoundSpeedProfile& p, double from, double to) {
  // Piece by piece between the sample depths, so that no step of the rule
  // straddles a step of the speed.
  std::vector<double> cuts = {from};
  for (double z : p.depth)
    if (z > from && z < to) cuts.push_back(z);
  cuts.push_back(to);
  double t = 0;
  for (std::size_t i = 1; i < cuts.size(); ++i) {
    const int steps = 1 + static_cast<int>((cuts[i] - cuts[i - 1]) / 0.001);
    const double h = (cuts[i] - cuts[i - 1]) / steps;
    for (int k = 0; k < steps; ++k) t += h / model_speed(p, cuts[i - 1] + (k + 0.5) * h);
  }
  return t;
}

double model_depth(const SoundSpeedProfile& p, double draft, double set_speed, double reading) {
  const double t = reading / set_speed;
  double low = 0, high = 2 * reading;
  for (int k = 0; k < 60; ++k) {
    const double mid = (low + high) / 2;
    (model_time(p, draft, draft + mid) < t ? low : high) = mid;
  }
  return (low + high) / 2;
}

TEST(SoundVelocity, LayeredWaterReadsDeepAndIsCorrected) {
  // 5 m at 1510 m/s over 15 m at 1480 m/s below the transducer: a sounder
  // set to 1500 reads 20.17 over 20.00 m.
  const SoundSpeedProfile p = profile_of({{0, 1510}, {5, 1510}, {5, 1480}, {30, 1480}});
  const double reading = 1500 * (5 / 1510.0 + 15 / 1480.0);
  EXPECT_NEAR(reading, 20.17, 0.005);
  EXPECT_NEAR(depth_below_transducer(p, 0, 1500, reading), 20.0, 1e-9);
  EXPECT_NEAR(depth_below_transducer(p, 0, 1500, 20.17), 20.0, 0.005);
  // Within the first layer the depth is the plain scale.
  EXPECT_NEAR(depth_below_transducer(p, 0, 1500, 3), 3 * 1510 / 1500.0, 1e-12);
}

TEST(SoundVelocity, OneSpeedIsTheConstantScale) {
  for (double speed : {1440.0, 1500.0, 1535.5})
    for (double draft : {0.0, 0.6, 40.0})
      for (double reading : {0.0, 0.37, 12.34, 250.0}) {
        const SoundSpeedProfile p = profile_of({{1.0, speed}});
        EXPECT_NEAR(depth_below_transducer(p, draft, 1500, reading), reading * speed / 1500, 1e-9)
            << speed << " " << draft << " " << reading;
      }
}

TEST(SoundVelocity, AgainstTheIntegralOfTheSlowness) {
  struct Case {
    const char* what;
    SoundSpeedProfile profile;
    double draft, set_speed;
    std::vector<double> readings;
  };
  const std::vector<Case> cases = {
      {"transducer below the first sample", profile_of({{0.5, 1530}, {2, 1520}, {8, 1490}, {14, 1470}}), 3.0, 1500,
       {0.2, 4.0, 10.5}},
      {"transducer above the first sample", profile_of({{2, 1530}, {6, 1470}}), 0.4, 1500, {1.0, 3.0, 5.5}},
      {"readings beyond the profile", profile_of({{0, 1480}, {10, 1500}}), 0.0, 1500, {9.9, 30.0, 80.0}},
      {"a thermocline with steps", profile_of({{0, 1520}, {3, 1520}, {3, 1495}, {4, 1470}, {4, 1465}, {12, 1462}}),
       0.8, 1480, {2.0, 3.3, 15.0}},
      {"transducer below the last sample", profile_of({{0, 1510}, {1, 1500}}), 1.5, 1500, {7.0}},
  };
  for (const Case& c : cases)
    for (double reading : c.readings)
      EXPECT_NEAR(depth_below_transducer(c.profile, c.draft, c.set_speed, reading),
                  model_depth(c.profile, c.draft, c.set_speed, reading), 1e-6)
          << c.what << ", reading " << reading;
}

TEST(SoundVelocity, NotANumberStaysOne) {
  const SoundSpeedProfile p = profile_of({{0, 1480}, {10, 1500}});
  EXPECT_TRUE(std::isnan(depth_below_transducer(p, 0, 1500, std::nan(""))));
}

TEST(Tables, WhatCannotBeUsedIsSaid) {
  struct Case {
    bool profile;
    std::vector<TablePair> rows;
    std::string why;
  };
  const std::vector<Case> cases = {
      {true, {}, "no line of two numbers"},
      {true, table({{0, 1500}, {5, 1490}, {4, 1480}}), "line 3: a depth above the one of the line before"},
      {true, table({{0, 1500}, {5, 0}}), "line 2: a speed of 0 or less"},
      {true, table({{0, 1500}, {INFINITY, 1490}}), "line 2: a number that is not finite"},
      {true, table({{0, 1500}, {5, 1490}, {5, 1470}}), ""},  // a step
      {false, table({{4, 0.05}, {4, 0.1}}), "line 2: a speed not above the one of the line before"},
      {false, table({{6, 0.05}, {4, 0.1}}), "line 2: a speed not above the one of the line before"},
      {false, table({{0, -0.02}, {4, 0.1}}), ""},  // a boat that rises a little
      {false, table({{0, std::nan("")}}), "line 1: a number that is not finite"},
  };
  for (const Case& c : cases) {
    std::string why;
    if (c.profile) {
      const SoundSpeedProfile p = make_profile(c.rows, why);
      EXPECT_EQ(p.depth.empty(), !why.empty());
    } else {
      const SquatTable t = make_squat_table(c.rows, why);
      EXPECT_EQ(t.knots.empty(), !why.empty());
    }
    EXPECT_EQ(why, c.why);
  }
}

TEST(Squat, LinearBetweenTheSpeedsAndHeldBeyond) {
  std::string why;
  const SquatTable t = make_squat_table(table({{4, 0.05}, {6, 0.10}, {8, 0.20}}), why);
  const std::pair<double, double> cases[] = {{0, 0.05}, {4, 0.05}, {5, 0.075}, {6, 0.10}, {7, 0.15}, {8, 0.20},
                                             {12, 0.20}};
  for (const auto& [knots, squat] : cases) EXPECT_NEAR(squat_at(t, knots), squat, 1e-12) << knots;
  EXPECT_TRUE(std::isnan(squat_at(t, std::nan(""))));
}

TEST(GroundSpeed, OnTheEllipsoid) {
  constexpr double kA = 6378137.0, kF = 1 / 298.257223563, kE2 = kF * (2 - kF);
  constexpr double kRad = std::numbers::pi / 180;
  const double d = 1e-5;  // degrees
  struct Case {
    const char* what;
    double lat1, lon1, lat2, lon2, seconds, metres;
  };
  const Case cases[] = {
      // On the equator a degree of longitude is a / 1 radian; along the
      // meridian there the radius is a (1 - e2).
      {"east on the equator", 0, 10, 0, 10 + d, 1, kA * d * kRad},
      {"north at the equator", -d / 2, 10, d / 2, 10, 2, kA * (1 - kE2) * d * kRad},
      {"across the antimeridian", 0, 180 - d / 2, 0, -180 + d / 2, 1, kA * d * kRad},
      {"at the pole's parallel of 60", 60, 0, 60, d, 1,
       kA / std::sqrt(1 - kE2 * 0.75) * 0.5 * d * kRad},
      {"standing", 42.5, 27.5, 42.5, 27.5, 1, 0},
      {"no time", 42.5, 27.5, 42.6, 27.5, 0, 0},
  };
  for (const Case& c : cases) {
    const double speed = ground_speed(c.lat1, c.lon1, c.lat2, c.lon2, c.seconds);
    // Relative to 1e-8: a longitude near 180 carries only 14 decimals.
    EXPECT_NEAR(speed, c.seconds > 0 ? c.metres / c.seconds : 0, 1e-8 * c.metres) << c.what;
    EXPECT_EQ(speed, ground_speed(c.lat2, c.lon2, c.lat1, c.lon1, c.seconds)) << c.what;
  }
}

}  // namespace
