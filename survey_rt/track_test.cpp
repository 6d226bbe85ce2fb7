// Unit tests of the distance along the track.
#include "track.h"

#include <gtest/gtest.h>

#include <cmath>

namespace survey_rt {
namespace {

TEST(TrackTest, StepsAreStraightLinesAddedInOrder) {
  // Eastings and northings of survey size with two decimals: their
  // differences are exact, so 3-4-5 steps add up exactly.
  double d = 0.0;
  d = add_track_step(d, 9541213.36, 4707419.57, 9541213.36, 4707419.57);
  EXPECT_EQ(d, 0.0);
  d = add_track_step(d, 9541213.36, 4707419.57, 9541216.36, 4707423.57);
  EXPECT_EQ(d, 5.0);
  d = add_track_step(d, 9541216.36, 4707423.57, 9541210.36, 4707415.57);
  EXPECT_EQ(d, 15.0);
  // A step of 1 and 1: the rounded square root of the exact sum 2.
  EXPECT_EQ(add_track_step(0.5, 0.0, 0.0, -1.0, 1.0), 0.5 + std::sqrt(2.0));
}

TEST(TrackTest, TheStepIsTheRootOfTheRoundedSumOfSquares) {
  // For a step of 0.06 and 0.93 the root of the sum of the rounded squares is
  // 0.9319334740205442, one bit above the correctly rounded length of the
  // step (0.931933474020544): both tools must take the former.
  EXPECT_EQ(add_track_step(0.0, 0.0, 0.0, 0.06, 0.93), 0.9319334740205442);
  EXPECT_EQ(add_track_step(0.0, 0.06, 0.93, 0.0, 0.0), 0.9319334740205442);
}

}  // namespace
}  // namespace survey_rt
