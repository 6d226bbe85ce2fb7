// The channel file of survey_channel: the design the dredging is paid on.
//
//   # comment
//   start S                 the station of the first point (0)
//   point X Y               the centreline, in order, two or more
//   reach FROM TO LEVEL LEFT RIGHT SLOPE_LEFT SLOPE_RIGHT OVERDEPTH
//
// One keyword a line, in any letter case; numbers as the tools read them.
// A reach is the template from station FROM to TO: the bottom at the height
// LEVEL from LEFT metres left of the centreline to RIGHT metres right of it
// (looking towards growing stations), the sides rising SLOPE metres across
// per metre up (0: a vertical side), and the pay line OVERDEPTH metres under
// all of it. The reaches follow each other without gaps or overlaps; the
// template changes at a reach's end as a step.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "surface.h"

namespace survey_channel {

struct Reach {
  double from = 0, to = 0;                 // stations, metres
  double level = 0;                        // the bottom's height (z)
  double left = 0, right = 0;              // the bottom's extent from the centreline
  double slope_left = 0, slope_right = 0;  // metres across per metre up
  double overdepth = 0;                    // the pay line under the template
  int line = 0;                            // in the channel file

  // The bottom's extent and the slope on a side (-1 left, +1 right).
  double half(int side) const { return side < 0 ? left : right; }
  double slope(int side) const { return side < 0 ? slope_left : slope_right; }
};

struct Channel {
  std::vector<surface::Point2> points;  // the centreline, in order
  std::vector<int> point_lines;         // the channel file's line of each point
  double start = 0;                     // the first point's station
  std::vector<Reach> reaches;           // in order, end to end
};

// A channel as read, or why it is refused: the line of the file that is
// wrong (0: the file as a whole) and the reason.
struct ChannelCheck {
  Channel channel;
  int line = 0;
  std::string why;  // empty: the channel is sound
};

// The file's lines as read (comments and blanks included, line ends taken
// off), checked: the keywords and their numbers, the points apart from the
// one before and turning by less than a right angle, the reaches in order
// end to end and within the centreline's stations (a reach's end within
// half a centimetre beyond it is taken to it).
ChannelCheck check_channel(const std::vector<std::string>& lines);

// Reads the channel file at path (a missing file is the run-time stop) and
// checks it.
ChannelCheck read_channel(std::string_view path);

// The length of the centreline.
double centreline_length(const Channel& c);

}  // namespace survey_channel
