// Writing the tools' SVG pictures through the text files: the frame of the
// file, texts, lines, paths of many small marks, the colour scale of depths,
// round numbers for ticks and scale bars, the scale bar and north arrow.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text_file.h"

namespace survey_rt {

// The colour of a depth, t from 0 (the deepest) to 1 (the shallowest), as
// "#rrggbb": viridis, a scale that looks even to the eye, in print and to
// the colour-blind (nine of its published colours, linearly between them).
std::string depth_colour(double t);
// The colour at t from 0 (the first) to 1 (the last) along colours evenly
// spaced (two at least), linearly between them, as "#rrggbb".
std::string colour_along(std::span<const std::array<int, 3>> colours, double t);

// Depths are drawn in this many colours, level 0 the deepest.
constexpr int kLevels = 64;
// The level of height z on a scale from low (level 0) to high.
int depth_level(double z, double low, double high);

// The smallest number 1, 2 or 5 times a power of ten that is at least v > 0,
// and the greatest one that is at most v.
double round_up_nice(double v);
double round_down_nice(double v);
// The decimals that write every multiple of step exactly (step from
// round_up_nice or round_down_nice).
int decimals_of(double step);
// Calls draw(v) for every multiple v of step from low to high, at most 100
// (a few dozen fit any axis; more come only from values so large that adding
// 1 to a multiple no longer changes it).
template <class Draw>
void each_tick(double low, double high, double step, Draw draw) {
  const double first = std::ceil(low / step);
  for (int i = 0; i < 100 && (first + i) * step <= high + step * 1e-9; ++i)
    draw((first + i) * step + 0.0);  // no -0
}

// The points of a line in pixels that matter at a picture's scale: the ends
// and those that stand out more than half a pixel from the straight line
// between the ones kept around them (Douglas-Peucker, with a stack), so that
// a straight run is drawn as one stroke. P has the members x and y.
template <class P>
std::vector<P> simplified_line(const std::vector<P>& v) {
  if (v.size() < 3) return v;
  std::vector<char> keep(v.size(), 0);
  keep.front() = keep.back() = 1;
  std::vector<std::pair<std::size_t, std::size_t>> stack{{0, v.size() - 1}};
  while (!stack.empty()) {
    const auto [a, b] = stack.back();
    stack.pop_back();
    const double dx = v[b].x - v[a].x, dy = v[b].y - v[a].y;
    const double length = std::hypot(dx, dy);
    double worst = 0;
    std::size_t at = a;
    for (std::size_t i = a + 1; i < b; ++i) {
      const double ex = v[i].x - v[a].x, ey = v[i].y - v[a].y;
      const double off = length > 0 ? std::fabs(dx * ey - dy * ex) / length : std::hypot(ex, ey);
      if (off > worst) {
        worst = off;
        at = i;
      }
    }
    if (worst > 0.5) {
      keep[at] = 1;
      stack.emplace_back(a, at);
      stack.emplace_back(at, b);
    }
  }
  std::vector<P> kept;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (keep[i]) kept.push_back(v[i]);
  return kept;
}

// The text as XML character data: & < > " escaped; a byte that is a control
// character or no part of a UTF-8 character becomes '?'.
std::string xml_text(std::string_view text);

// The width in pixels that a text of that many characters takes at most in
// the pictures' font size (12 pixels).
inline int text_width(std::size_t characters) { return static_cast<int>(characters) * 20 / 3; }

// The file's start (with a white background) and end.
void svg_begin(TextFile& f, int width, int height);
// The start of a sheet to print at scale: width x height millimetres of
// paper, one unit of the picture a millimetre (sizes with one decimal).
void svg_begin_mm(TextFile& f, double width, double height);
void svg_end(TextFile& f);

// <text x="x" y="y" attrs>text</text>; the text is escaped here.
void svg_text(TextFile& f, double x, double y, std::string_view attrs, std::string_view text);
void svg_line(TextFile& f, double x1, double y1, double x2, double y2, std::string_view attrs);
void svg_rect(TextFile& f, double x, double y, double w, double h, std::string_view attrs);
// A number of the picture's coordinates: one decimal.
void svg_number(TextFile& f, double v);

// The paint of grid lines and of frames and ticks.
constexpr std::string_view kGridInk = "stroke=\"#d9d9d9\" stroke-width=\"1\"";
constexpr std::string_view kInk = "stroke=\"#000000\" stroke-width=\"1\"";

// A frame of a picture: its outline, width x height pixels with the top left
// corner at (left, top), and the axes along its bottom (x) and its left side
// (y). An axis has a tick at every multiple v of step from low to high, at
// the pixel column (x) or row (y) at(v), labelled with the decimals of step;
// the labels are of the class "tick-" name.
struct Axis {
  double low = 0, high = 0, step = 1;
  std::function<double(double)> at;
  std::string_view name;
};
struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  Axis x, y;
};
// The light grid lines across the frame at the ticks, drawn first; the
// outline, and the ticks and their labels outside it, drawn over the marks.
void write_grid(TextFile& f, const Frame& frame);
void write_frame(TextFile& f, const Frame& frame);

// The shapes of the marks, each drawn from its centre.
constexpr std::string_view kDot = "h0";  // a dot by the round line cap
constexpr std::string_view kCross = "m-3-3l6 6m0-6l-6 6";
constexpr std::string_view kRing = "m4 0a4 4 0 1 0-8 0a4 4 0 1 0 8 0";

// Many marks of one shape as one path: begin_marks gives the path its
// attributes, add_mark puts a mark centred at (x, y), end_marks ends the
// path. A path without a mark is not written at all.
struct Marks {
  TextFile* f = nullptr;
  std::string attrs;
  std::string_view shape;
  std::int64_t count = 0;
};
Marks begin_marks(TextFile& f, std::string attrs, std::string_view shape);
void add_mark(Marks& m, int x, int y);
void end_marks(Marks& m);

// The marks of deleted and of flagged records: a black cross and a red
// ring, each on a white halo that keeps it apart from the colours under it.
// begin_symbols starts their path (with that id, inside <defs>), add_mark
// puts them in, end_symbols ends it and draws it, halo first.
constexpr std::string_view kDeletedInk = "stroke=\"#000000\" stroke-width=\"1.5\"";
constexpr std::string_view kFlaggedInk = "stroke=\"#e41a1c\" stroke-width=\"1.5\"";
Marks begin_symbols(TextFile& f, std::string_view id, std::string_view shape);
void end_symbols(Marks& m, std::string_view id, std::string_view ink);

// A scale bar of a round length (100 to 250 pixels, cut in four) with its
// left end at (left, y), for a picture of scale metres a pixel; and a north
// arrow (grid north up), 74 pixels tall, its tip's column x, its top at y.
void write_scale_bar(TextFile& f, double left, double y, double scale);
void write_north_arrow(TextFile& f, double x, double y);

// A map in a picture: its frame (left, top, width, height pixels) showing
// eastings x0 .. x0 + width * scale and northings y0 .. y0 + height * scale
// (scale in metres a pixel).
struct MapLayout {
  int left = 0, top = 0, width = 0, height = 0;
  double x0 = 0, y0 = 0, scale = 1;
};
// The map of the extent x_low .. x_high, y_low .. y_high (metres), centred in
// a frame whose top left corner is at (92, 84): the largest scale, at most
// 0.005 m a pixel, at which the extent with 20 pixels around it fits 1000 x
// 720 pixels; the frame an even number of pixels, at least 480 x 440.
MapLayout map_layout(double x_low, double x_high, double y_low, double y_high);

// The colour scale of heights from low to high (low < high): the title in
// bold at (x, y), below it a bar 20 x 220 pixels filled with the depth
// colours (the gradient of that id), the deepest at the bottom, and round
// heights beside it.
void write_colour_scale(TextFile& f, std::string_view title, std::string_view id, double low, double high, double x,
                        double y);

}  // namespace survey_rt
