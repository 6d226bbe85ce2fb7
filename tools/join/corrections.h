// The corrections join applies to a sounding's reading, each from a table the
// surveyor gives: the sound velocity of the water column (a cast), and the
// boat's squat at its speed over the ground, that speed found from two fixes
// on the ellipsoid. Pure functions of their tables, apart from the reading of
// the tables.
#pragma once

#include <string>
#include <vector>

#include "pair_table.h"

namespace join_corrections {

// A sound-velocity cast: speeds (m/s) at depths below the water surface (m),
// the depths ascending. Between two samples the speed changes linearly with
// depth; above the first sample it is the first one's, below the last the
// last one's. Two samples at one depth make a step (a layer's boundary).
struct SoundSpeedProfile {
  std::vector<double> depth, speed;
};

// A squat table: the boat's squat (m, how much deeper the transducer lies
// than at rest) at speeds over the ground (knots), the speeds ascending;
// linear between them, the first and the last held beyond them.
struct SquatTable {
  std::vector<double> knots, metres;
};

// The profile of a cast's table, or why it cannot be one (why non-empty):
// no sample, a number that is not finite, a depth above the one before it,
// a speed of 0 or less.
SoundSpeedProfile make_profile(const std::vector<survey_rt::TablePair>& table, std::string& why);
SquatTable make_squat_table(const std::vector<survey_rt::TablePair>& table, std::string& why);

// The depth below the transducer of a reading taken by a sounder set to the
// speed set_speed (m/s), the transducer draft metres below the surface: the
// reading is a one-way travel time reading / set_speed, and the depth is the
// z for which the integral of 1/v over the profile from draft to draft + z
// equals it, in closed form over each linear piece (a piece of gradient g
// from the speed v0 takes log(1 + g z / v0) / g seconds over z metres).
double depth_below_transducer(const SoundSpeedProfile& profile, double draft, double set_speed, double reading);

// The squat at a speed (knots).
double squat_at(const SquatTable& table, double knots);

// The speed (m/s) over the ground between two positions (decimal degrees)
// the given seconds apart, on the WGS 84 ellipsoid: the distance from the
// radii of curvature in the meridian and in the prime vertical at the mean
// latitude, exact to far below a millimetre over the metres a boat runs
// between fixes. 0 when the seconds are not above 0.
double ground_speed(double latitude1, double longitude1, double latitude2, double longitude2, double seconds);

constexpr double kKnot = 1852.0 / 3600.0;  // m/s

}  // namespace join_corrections
