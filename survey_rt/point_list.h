// The point list file PM/La_Lo_De.txt that depth_filter writes and utm_points
// reads: three header lines (parameter names, a line of hyphens, the six
// survey parameters), then one point a line: latitude, longitude and depth.
// The lines of Temp/Data.txt are point lines of the same layout.
#pragma once

#include "text_file.h"

namespace survey_rt {

// The six values of the parameter line (line 3), in the order they stand there.
struct SurveyParameters {
  double meridian = 0;          // central meridian, degrees
  double scale_projection = 0;  // scale factor of the projection
  double tide = 0;              // constant tide, metres
  double ant_depth = 0;         // antenna depth, metres
  double scale_depth = 0;       // factor on every depth
  double zero_level = 0;        // zero level, metres
};

struct PointRecord {
  double latitude = 0;   // decimal degrees
  double longitude = 0;  // decimal degrees
  double depth = 0;      // metres, positive downwards
};

// Writes the three header lines, with the default parameter line
// "27.0 1.0 0.0 0.5 1.0 0.0 ", each closed by a line end.
void write_point_list_header(TextFile& f);

// Skips lines 1 and 2 unread and reads the six parameters. The rest of the
// parameter line stays unread: the first point is read on from there.
SurveyParameters read_point_list_header(TextFile& f);

// One point line without its line end: latitude and longitude with eight
// decimals, depth with one (or depth_decimals), single blanks between them.
void write_point(TextFile& f, const PointRecord& p, int depth_decimals = 1);

// Reads latitude, longitude and depth and skips the rest of the line.
PointRecord read_point(TextFile& f);

}  // namespace survey_rt
