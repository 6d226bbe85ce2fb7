// What the channel's dredging is paid on: the quantities between the seabed
// and the template, integrated exactly over the plan (the survey's TIN, and
// the earlier survey's overlaid on it, cut by the template's pieces) and
// along the cross sections (areas, for the average end areas).
//
// S is the survey's seabed, T the template, P the pay line (T lowered by the
// over-depth), PRE the survey before the works. A condition survey gives
//   to dredge   max(0, S - T)
//   over-depth  max(0, min(S, T) - P)
// and a survey after dredging, against the one before,
//   removed above the pay line (paid)  max(0, PRE - max(S, P))
//   removed below the pay line         max(0, min(PRE, P) - S)
//   still above the template           max(0, S - T)
//   deposited                          max(0, S - PRE).
// They count between the lines where the pay line meets the seabed (PRE's
// when dredged): over the bottom between the toes, and on the side slopes
// where the pay line lies under the seabed, so that what lies beyond the
// channel's reach is not billed. (For a condition survey every quantity is
// 0 where the pay line is above the seabed anyway.)
#pragma once

#include <array>
#include <string>
#include <vector>

#include "alignment.h"
#include "polygon.h"
#include "surface.h"

namespace survey_channel {

constexpr int kQuantities = 4;
using Amounts = std::array<double, kQuantities>;  // condition: the first two

// The quantities' names for the report, short for the screen and the
// drawings, and the CSV's columns (the TIN's; the average end areas' add
// "_aea").
struct Quantity {
  std::string_view name, short_name, column;
};
constexpr Quantity kCondition[] = {{"to dredge", "to dredge", "to_dredge"}, {"over-depth", "over-depth", "overdepth"}};
constexpr Quantity kDredged[] = {{"removed above the pay line (paid)", "paid", "removed_pay"},
                                 {"removed below the pay line", "below pay", "removed_below_pay"},
                                 {"still above the template", "still above", "still_above"},
                                 {"deposited", "deposited", "deposited"}};

// The surfaces over one piece, linear on it.
struct Surfaces {
  surface::Plane s, pre, t;
  double overdepth = 0;
  bool dredged = false;
  bool slope = false;  // on a side slope: only where the pay line is under the ground
};

// One part of a quantity on an element (a polygon of the plan or a stretch
// of a section) where it is max(0, upper - lower); visit gets
// (quantity, element, upper, lower) for each, for the drawings.
template <class Element, class Visit>
void add_amounts(const Element& e, const Surfaces& f, Amounts& sum, Visit visit) {
  const surface::Plane p = raised(f.t, -f.overdepth);
  auto part = [&](int q, const Element& region, const surface::Plane& upper, const surface::Plane& lower) {
    const surface::Plane gap = surface::difference_of(upper, lower);
    const Element above = cut(region, gap);
    sum[q] += integral(above, gap);
    visit(q, above, upper, lower);
  };
  // The region where a >= b, and where a < b.
  auto split = [&](const Element& region, const surface::Plane& a, const surface::Plane& b) {
    return std::array<Element, 2>{cut(region, surface::difference_of(a, b)),
                                  cut(region, surface::difference_of(b, a), true)};
  };
  if (!f.dredged) {
    part(0, e, f.s, f.t);
    const auto [under_t, over_t] = split(e, f.t, f.s);
    part(1, under_t, f.s, p);
    part(1, over_t, f.t, p);
    return;
  }
  const auto [s_over_p, s_under_p] = split(e, f.s, p);
  part(0, s_over_p, f.pre, f.s);
  part(0, s_under_p, f.pre, p);
  const Element reach = f.slope ? cut(e, surface::difference_of(f.pre, p)) : e;
  const auto [pre_over_p, pre_under_p] = split(reach, f.pre, p);
  part(1, pre_over_p, p, f.s);
  part(1, pre_under_p, f.pre, f.s);
  part(2, reach, f.s, f.t);
  part(3, reach, f.s, f.pre);
}

// The volumes of the plan by interval: the survey's TIN (with the earlier
// survey's, when before is given) over the template's pieces, in the frame
// o. pieces counts the pieces of the overlay integrated.
struct PlanVolumes {
  std::vector<Amounts> by_interval;
  long long pieces = 0;
};
PlanVolumes plan_volumes(const Channel& c, const std::vector<Piece>& pieces, std::size_t intervals,
                         const surface::Tin& survey, const surface::Tin* before, const surface::Frame& o);

// A cross section at a station, with the template of one reach: the
// seabed's profiles along its line (offsets along the line, right positive,
// within the lateral reach), the areas of the quantities, where the pay
// line and the template meet the ground (the seabed, or the one before the
// works when dredged: the outermost on each side), and the areas' outlines
// for the drawings.
struct Fill {
  int quantity = 0;
  std::array<Point2, 4> corners;  // along the line and up: lower then upper
};
struct Section {
  double station = 0;
  int reach = 0;
  SectionLine line;
  double from = 0, to = 0;  // the offsets along the line it covers (the lateral reach and more)
  std::vector<surface::ProfileSpan> seabed, before;
  Amounts area = {0, 0, 0, 0};
  bool covered = false;  // the survey reaches it (both surveys when dredged)
  // The outermost offsets on each side ([0] left, [1] right) where the pay
  // line and where the template's slope meet the ground; NaN when they do
  // not there.
  double pay_limit[2], daylight[2];
  std::vector<Fill> fills;
};
Section cross_section(const Channel& c, const Alignment& a, double station, int reach,
                      const std::array<double, 2>& lateral, const surface::Tin& survey,
                      const surface::Locator& survey_at, const surface::Tin* before,
                      const surface::Locator* before_at, const surface::Frame& o);

// The template along a section line (lowered by lower: the pay line with
// the over-depth), offsets and heights in order, from the offset from to the
// offset to, and up to the height top at most.
std::vector<Point2> template_line(const Reach& r, const SectionLine& line, double from, double to, double lower,
                                  double top);

}  // namespace survey_channel

namespace survey_channel {

// Everything the outputs show, in the frame of the survey.
struct Figures {
  surface::Frame frame;
  Alignment alignment;
  std::vector<double> stations;
  std::vector<int> reach_of;        // of each interval between two stations
  std::array<double, 2> lateral = {0, 0};
  TightBend bend;                   // a bend too tight: nothing more is computed
  std::vector<Piece> pieces;
  PlanVolumes plan;
  std::vector<Section> sections;    // in order of stations; two at a reach's end
  std::vector<std::array<std::size_t, 2>> ends;  // each interval's two sections
  std::vector<Amounts> aea;         // each interval's average end areas
};
// The channel's figures against the survey (after the works, with the
// survey before them when before is given), sections every interval metres.
Figures channel_figures(const Channel& c, double interval, const surface::Tin& survey, const surface::Tin* before);

}  // namespace survey_channel
