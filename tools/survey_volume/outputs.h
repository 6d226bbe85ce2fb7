// The outputs of survey_volume: the report Temp/Volume.txt, the grid of the
// difference Temp/Difference.asc and its picture Temp/Difference.svg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "surface.h"
#include "text_file.h"
#include "volume.h"

namespace survey_volume {

// One surface as read: its file and counts (surface::counts_text).
struct Source {
  std::string path;
  std::string counts;
};

// What the run was asked and what it found.
struct Run {
  std::string date;  // "YYYY-MM-DD hh:mm:ss UTC"
  std::string title;
  Source survey, reference;
  bool against_level = true;
  double level = 0, overdepth = 0;  // overdepth 0: none
  double max_edge = 50, cell = 1;
  std::string boundary_path;  // empty: none
  surface::Boundary boundary;
  surface::Volumes volumes;
};

// The difference survey - reference at the cells' centres, row 0 the
// northernmost, NaN where either surface is missing or outside the boundary.
struct Difference {
  surface::Grid grid;
  std::vector<double> d;  // rows * columns
  std::int64_t cells = 0;  // with a value
  double low = 0, high = 0;  // of the values (0, 0 when none)
};

void write_report(survey_rt::TextFile& f, const Run& run);
void write_difference_grid(survey_rt::TextFile& f, const Difference& diff);
void write_difference_picture(survey_rt::TextFile& f, const Difference& diff, const Run& run);

// The names of the sides for the case: against a level, the survey above it
// is what is still to dredge; against an earlier survey, below it is what was
// removed since and above it what was deposited.
std::string above_name(const Run& run);
std::string below_name(const Run& run);

// The volume below the level split at the over-depth band's foot (level -
// T): the band's, which lies over all the area below the level (to the
// band's foot, or to the seabed where that is higher), and the volume under
// the band, measured from its foot, over the area where the survey lies
// deeper. Each area is the plan area of its volume.
struct OverDepth {
  surface::Side band, under;
};
OverDepth over_depth(const Run& run);

// The colour of a difference on the diverging scale, t from -1 (the most
// below: cool) through 0 (white) to 1 (the most above: warm), "#rrggbb".
std::string difference_colour(double t);

}  // namespace survey_volume
