// Temp/Channel.dxf: the channel in plan, in the survey's coordinates: the
// centreline with a tick and the station at every section, the toe lines
// (round the outside of a bend, meeting on the bisector inside, stepping at
// a reach's end), and, from the sections, the lines where the template's
// slopes meet the seabed and where the pay line meets it (the billing's
// limit).
#include <algorithm>
#include <cmath>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "outputs.h"
#include "svg.h"

using namespace survey_rt;

namespace survey_channel {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kArcStep = 5 * kPi / 180;  // the toe lines round a bend in steps of 5 degrees at most

Point2 on_line(const SectionLine& l, double along) {
  return {l.centre.x + along * l.right.x, l.centre.y + along * l.right.y};
}

// The point of a side's toe at a station (at a bend's point, on its bisector).
Point2 toe_at(const Alignment& a, double station, const Reach& r, int side) {
  const SectionLine l = section_line(a, station);
  return on_line(l, side * r.half(side) / l.stretch[side < 0 ? 0 : 1]);
}

// A side's toe line: through the intervals in order, round the outside of
// each bend's point, with a step where the reach changes.
std::vector<Point2> toe_line(const Run& run, const Figures& g, int side) {
  const Alignment& a = g.alignment;
  std::vector<Point2> points;
  auto add = [&](Point2 p) {
    if (points.empty() || std::hypot(p.x - points.back().x, p.y - points.back().y) > 1e-6) points.push_back(p);
  };
  for (std::size_t k = 0; k + 1 < g.stations.size(); ++k) {
    const double s0 = g.stations[k], s1 = g.stations[k + 1];
    const Reach& r = run.channel.reaches[static_cast<std::size_t>(g.reach_of[k])];
    const double h = r.half(side);
    add(toe_at(a, s0, r, side));
    for (std::size_t v = 1; v + 1 < a.p.size(); ++v) {
      const bool before = s0 < a.s[v] && a.s[v] <= s1, after = s0 <= a.s[v] && a.s[v] < s1;
      if (a.turn[v] == 0 || !(before || after)) continue;
      if ((a.turn[v] > 0) != (side > 0)) {  // the inside: the toes meet on the bisector
        add(toe_at(a, a.s[v], r, side));
        continue;
      }
      const Point2 first = right_of(a.t[v - 1]);
      const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(a.turn[v]) / 2 / kArcStep)));
      for (int half = 0; half < 2; ++half) {
        if (!(half == 0 ? before : after)) continue;
        for (int j = 0; j <= steps; ++j) {
          const double angle = a.turn[v] / 2 * (half + static_cast<double>(j) / steps);
          const double c = std::cos(angle), s = std::sin(angle);
          const Point2 d{side * (first.x * c - first.y * s), side * (first.x * s + first.y * c)};
          add({a.p[v].x + h * d.x, a.p[v].y + h * d.y});
        }
      }
    }
    add(toe_at(a, s1, r, side));
  }
  return points;
}

}  // namespace

void write_plan_dxf(TextFile& f, const Run& run, const Figures& g) {
  const Alignment& a = g.alignment;
  const surface::Frame& o = g.frame;
  auto absolute = [&](Point2 p) { return DxfPoint{p.x + o.ox, p.y + o.oy, 0}; };
  double width = 0;
  for (const Reach& r : run.channel.reaches) width = std::max(width, r.left + r.right);
  const double text = std::max(0.2, round_down_nice(std::max(width, 10.0) / 12));
  const double tick = 2 * text;

  DxfExtents extents;
  for (const Point2& p : a.p)
    for (const double side : {-1.0, 1.0}) {
      const double w = g.lateral[side < 0 ? 0 : 1];
      extents.add(absolute({p.x - w, p.y - w}));
      extents.add(absolute({p.x + w, p.y + w}));
    }
  const DxfLayer layers[] = {{"0", 7}, {"CENTRELINE", 7}, {"STATIONS", 7}, {"TOE", 5},
                             {"DAYLIGHT", 3}, {"PAY_LIMIT", 1}, {"TEXT", 7}};
  dxf_begin(f, extents, layers);
  std::vector<DxfPoint> v;
  auto polyline = [&](const std::vector<Point2>& points, std::string_view layer) {
    v.clear();
    for (const Point2& p : points) v.push_back(absolute(p));
    if (v.size() >= 2) dxf_polyline_2d(f, v, 0, false, layer);
  };
  polyline(a.p, "CENTRELINE");
  for (const double s : g.stations) {
    const SectionLine l = section_line(a, s);
    polyline({on_line(l, -tick), on_line(l, tick)}, "STATIONS");
    // The station beyond the tick's left end, along the section line
    // outwards, kept upright.
    double angle = std::atan2(-l.right.y, -l.right.x) * 180 / kPi;
    const bool turned = angle > 90 || angle <= -90;
    if (turned) angle += angle > 0 ? -180 : 180;
    dxf_text(f, absolute(on_line(l, -tick - 0.5 * text)), text, std::round(angle * 10) / 10, turned,
             fixed_text(s, 2), "TEXT");
  }
  for (const int side : {-1, 1}) {
    polyline(toe_line(run, g, side), "TOE");
    // The lines through the sections' points where the template meets the
    // seabed and where the pay line meets it, broken where a section has none.
    for (const bool pay : {false, true}) {
      std::vector<Point2> line;
      for (const Section& x : g.sections) {
        const double at = (pay ? x.pay_limit : x.daylight)[side < 0 ? 0 : 1];
        if (std::isnan(at)) {
          polyline(line, pay ? "PAY_LIMIT" : "DAYLIGHT");
          line.clear();
          continue;
        }
        line.push_back(on_line(x.line, at));
      }
      polyline(line, pay ? "PAY_LIMIT" : "DAYLIGHT");
    }
  }
  dxf_end(f);
}

}  // namespace survey_channel
