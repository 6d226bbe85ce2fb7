// The along-track error of a survey, measured from its own crossings. A time
// error between positions and soundings (positions late or early), or a
// fore-aft offset between antenna and transducer, moves every sounding along
// its own line, ahead of or behind where it was measured in the direction of
// travel. On a slope that changes the height at a crossing by the seabed's
// slope along the line times the shift, with a sign that follows the
// direction of the run:
//
//   difference (crossline - main line) = bias + s (g_m - g_c)
//
// s the shift of every sounding along its direction of travel (metres,
// positive ahead: a sounding placed s ahead shows the height of s behind),
// g_m and g_c the heights' slopes along the main line's and the crossline's
// direction of travel at the crossing. s and the bias are solved by least
// squares over the crossings where g_m - g_c is not negligible.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qc.h"

namespace survey_qc {

// The slope of a line at a crossing: a least-squares line through the line's
// heights within this many metres either side along its track.
inline constexpr double kSlopeReach = 10;
// Crossings where the two lines' slopes differ by less than this (1 in 100)
// tell nothing of a shift, and take no part.
inline constexpr double kLeastSlope = 0.01;
// Fewer crossings on slopes than this measure nothing.
inline constexpr std::size_t kFewestOnSlopes = 5;

// The slope (height per metre along the direction of travel, the records'
// order) of the line first..last of p at a point a fraction t along its step
// from record step to step + 1; false when fewer than three of the line's
// records lie within kSlopeReach either side, or they span less than a
// quarter of it.
bool slope_along(const std::vector<Point>& p, std::int32_t first, std::int32_t last, std::int32_t step, double t,
                 double& slope);

struct AlongTrack {
  enum class Result { not_measurable, alike, none_found, found };
  Result result = Result::not_measurable;
  std::size_t on_slopes = 0;     // crossings used
  double shift = 0, shift_se = 0;  // s and its standard error, metres
  double bias = 0, bias_se = 0;
  // The differences of every crossing with the shift removed.
  double mean = 0, sd = 0;
};

// The fit over the crossings' differences and their slope differences
// g_m - g_c (NaN: no slope known there).
AlongTrack fit_shift(const std::vector<double>& differences, const std::vector<double>& slope_differences);

// The slope differences g_m - g_c of the crossings (NaN where a line's slope
// is not known).
std::vector<double> slope_differences(const std::vector<Point>& main, const std::vector<Line>& main_lines,
                                      const std::vector<Point>& cross, const std::vector<Line>& cross_lines,
                                      const std::vector<Crossing>& crossings);

// What the screen and the report say of it, a sentence a line; speed: the
// survey's speed in m/s (--speed), 0 when not given. plus_minus: the text of
// the sign (the screen's "+/-", the report's).
std::vector<std::string> along_track_text(const AlongTrack& a, double speed, const std::string& plus_minus);

// How the report explains it.
inline constexpr const char* kAlongTrackNote =
    "A time error between positions and soundings, or a fore-aft offset between antenna and transducer, "
    "moves every sounding along its line, ahead or behind in the direction of travel; on a slope that "
    "changes the depth at a crossing. Difference = bias + s \u00d7 (slope of the main line \u2212 slope of "
    "the crossline), each slope the seabed's along its line's direction of travel (a least-squares line "
    "within 10 m either side) and s the shift (positive: placed ahead of where measured), solved over the "
    "crossings whose slopes differ by 1 in 100 or more. A fore-aft offset shifts by the same metres at every "
    "speed, a time error by metres that grow with the speed: a line run over a slope at two speeds tells "
    "them apart.";

// The words of text in lines of at most width characters (a longer word
// alone on its line).
std::vector<std::string> wrapped(const std::string& text, std::size_t width);

}  // namespace survey_qc
