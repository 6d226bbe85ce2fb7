#include "pay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace survey_channel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Polygon polygon_of(const surface::PieceCorner* corners, int n) {
  Polygon p;
  p.n = std::min(n, Polygon::kCap);
  std::copy(corners, corners + p.n, p.c.begin());
  return p;
}

bool overlaps(const surface::Box& a, const surface::Box& b) {
  return a.xl <= b.xh && b.xl <= a.xh && a.yl <= b.yh && b.yl <= a.yh;
}

surface::Box box_of(const Polygon& p) {
  surface::Box b{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (int k = 0; k < p.n; ++k)
    b = surface::Box{std::min(b.xl, p.c[k].x), std::min(b.yl, p.c[k].y), std::max(b.xh, p.c[k].x),
                     std::max(b.yh, p.c[k].y)};
  return b;
}

// A linear function along a section line through (a, za) and (b, zb).
surface::Plane along(double a, double za, double b, double zb) {
  return surface::Plane{a, 0, za, b > a ? (zb - za) / (b - a) : 0, 0};
}

// The height of a profile's stretch at an offset within it.
double height_in(const surface::ProfileSpan& s, double at) {
  return s.t1 > s.t0 ? s.z0 + (at - s.t0) * (s.z1 - s.z0) / (s.t1 - s.t0) : s.z0;
}

// The template of a reach along a section line, as a linear function of the
// offset on the bottom or on a side's slope.
surface::Plane template_along(const Reach& r, const SectionLine& line, int side, bool slope) {
  if (!slope) return constant(r.level);
  const double k = line.stretch[side < 0 ? 0 : 1], m = r.slope(side);
  return surface::Plane{0, 0, r.level - r.half(side) / m, side * k / m, 0};
}

// A profile's stretches as offsets along the line (from + metres from its start).
std::vector<surface::ProfileSpan> profile(const surface::Tin& tin, const surface::Locator& at, const SectionLine& line,
                                          double from, double to, const surface::Frame& o) {
  const Point2 a{o.ox + line.centre.x + from * line.right.x, o.oy + line.centre.y + from * line.right.y};
  const Point2 b{o.ox + line.centre.x + to * line.right.x, o.oy + line.centre.y + to * line.right.y};
  std::vector<surface::ProfileSpan> spans = surface::profile_along(tin, at, a, b);
  for (surface::ProfileSpan& s : spans) {
    s.t0 += from;
    s.t1 += from;
  }
  return spans;
}

}  // namespace

PlanVolumes plan_volumes(const Channel& c, const std::vector<Piece>& pieces, std::size_t intervals,
                         const surface::Tin& survey, const surface::Tin* before, const surface::Frame& o) {
  PlanVolumes v;
  v.by_interval.assign(intervals, Amounts{0, 0, 0, 0});
  std::vector<surface::Box> boxes;
  for (const Piece& p : pieces) boxes.push_back(p.box);
  const surface::BoxIndex ix = surface::make_index(boxes);
  std::vector<std::uint32_t> seen(pieces.size(), 0);
  std::uint32_t stamp = 0;
  // Calls visit(piece) for each template piece whose box meets b.
  auto each_candidate = [&](const surface::Box& b, auto visit) {
    if (++stamp == 0) {
      std::fill(seen.begin(), seen.end(), 0);
      stamp = 1;
    }
    const surface::CellRange r = surface::cells_of(ix, b);
    for (int row = r.r0; row <= r.r1; ++row)
      for (int col = r.c0; col <= r.c1; ++col) {
        const std::size_t cell = static_cast<std::size_t>(row) * ix.cols + col;
        for (std::uint32_t k = ix.start[cell]; k < ix.start[cell + 1]; ++k) {
          const std::uint32_t i = ix.items[k];
          if (seen[i] == stamp) continue;
          seen[i] = stamp;
          if (overlaps(pieces[i].box, b) && !visit(pieces[i])) return;
        }
      }
  };
  // A piece of the plan where the seabed (and the one before) is one plane:
  // its parts on the template's pieces.
  auto over_template = [&](const Polygon& poly, const surface::Plane& s, const surface::Plane* pre) {
    each_candidate(box_of(poly), [&](const Piece& piece) {
      Polygon q = poly;
      for (const surface::Plane& edge : piece.edges) {
        clip(q, edge);
        if (q.n < 3) return true;
      }
      const Reach& r = c.reaches[static_cast<std::size_t>(piece.reach)];
      const Surfaces f{s, pre ? *pre : surface::Plane{}, piece.t, r.overdepth, pre != nullptr, piece.slope};
      add_amounts(q, f, v.by_interval[static_cast<std::size_t>(piece.interval)], [](int, const Polygon&, auto&, auto&) {});
      ++v.pieces;
      return true;
    });
  };
  if (before == nullptr) {
    for (const surface::Triangle& tri : survey.triangles) {
      const surface::Tri t = surface::local(survey, tri, o);
      const surface::PieceCorner corners[3] = {{t.x[0], t.y[0], 0}, {t.x[1], t.y[1], 0}, {t.x[2], t.y[2], 0}};
      over_template(polygon_of(corners, 3), surface::plane_of(t), nullptr);
    }
    return v;
  }
  surface::overlay(
      survey, *before, o,
      [&](const surface::Tri& t) {
        bool near = false;
        each_candidate(surface::box_of(t), [&](const Piece&) { return !(near = true); });
        return near;
      },
      [&](const surface::OverlayPiece& piece) {
        over_template(polygon_of(piece.corners, piece.n), piece.pa, &piece.pb);
      });
  return v;
}

Section cross_section(const Channel& c, const Alignment& a, double station, int reach,
                      const std::array<double, 2>& lateral, const surface::Tin& survey,
                      const surface::Locator& survey_at, const surface::Tin* before,
                      const surface::Locator* before_at, const surface::Frame& o) {
  Section x;
  x.station = station;
  x.reach = reach;
  x.line = section_line(a, station);
  // The lateral reach and some more, so that the drawings show the seabed
  // beyond the pay line's limits (nothing counts out there).
  x.from = -(lateral[0] * 1.25 + 10) / x.line.stretch[0];
  x.to = (lateral[1] * 1.25 + 10) / x.line.stretch[1];
  for (int k = 0; k < 2; ++k) x.pay_limit[k] = x.daylight[k] = kNaN;
  const Reach& r = c.reaches[static_cast<std::size_t>(reach)];
  x.seabed = profile(survey, survey_at, x.line, x.from, x.to, o);
  if (before) x.before = profile(*before, *before_at, x.line, x.from, x.to, o);

  // The stretches where the seabed (and the one before) is known.
  struct Common {
    double lo, hi;
    const surface::ProfileSpan *s, *pre;
  };
  std::vector<Common> common;
  std::size_t j = 0;
  for (const surface::ProfileSpan& s : x.seabed) {
    if (!before) {
      common.push_back({s.t0, s.t1, &s, nullptr});
      continue;
    }
    while (j < x.before.size() && x.before[j].t1 <= s.t0) ++j;
    for (std::size_t i = j; i < x.before.size() && x.before[i].t0 < s.t1; ++i)
      if (std::min(s.t1, x.before[i].t1) > std::max(s.t0, x.before[i].t0))
        common.push_back({std::max(s.t0, x.before[i].t0), std::min(s.t1, x.before[i].t1), &s, &x.before[i]});
  }
  // Each cut at the template's breaks (the toes and the centreline): on each
  // part every surface is linear.
  const double breaks[] = {-r.left / x.line.stretch[0], 0, r.right / x.line.stretch[1]};
  for (const Common& m : common) {
    std::vector<double> cuts{m.lo};
    for (const double b : breaks)
      if (b > m.lo && b < m.hi) cuts.push_back(b);
    cuts.push_back(m.hi);
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
      const double ea = cuts[k], eb = cuts[k + 1];
      const int side = (ea + eb) / 2 < 0 ? -1 : 1;
      const bool slope = (ea + eb) / 2 * side * x.line.stretch[side < 0 ? 0 : 1] > r.half(side);
      if (slope && r.slope(side) == 0) continue;  // beyond a vertical side: no template, nothing counts
      const Surfaces f{along(ea, height_in(*m.s, ea), eb, height_in(*m.s, eb)),
                       m.pre ? along(ea, height_in(*m.pre, ea), eb, height_in(*m.pre, eb)) : surface::Plane{},
                       template_along(r, x.line, side, slope), r.overdepth, m.pre != nullptr, slope};
      x.covered = true;
      add_amounts(Span{ea, eb}, f, x.area, [&](int q, const Span& e, auto& upper, auto& lower) {
        if (e.empty()) return;
        x.fills.push_back(Fill{q, {Point2{e.a, surface::value_at(lower, e.a, 0)}, {e.b, surface::value_at(lower, e.b, 0)},
                                   {e.b, surface::value_at(upper, e.b, 0)}, {e.a, surface::value_at(upper, e.a, 0)}}});
      });
      // Where the pay line and where the template's slope meet the ground
      // (the seabed before the works, when dredged).
      const surface::Plane p = raised(f.t, -f.overdepth);
      const surface::Plane& ground = m.pre ? f.pre : f.s;
      const Span paid = slope ? cut(Span{ea, eb}, surface::difference_of(ground, p)) : Span{ea, eb};
      const Span cutting = slope ? cut(Span{ea, eb}, surface::difference_of(ground, f.t)) : Span{};
      double& limit = x.pay_limit[side < 0 ? 0 : 1];
      double& daylight = x.daylight[side < 0 ? 0 : 1];
      if (!paid.empty()) limit = side < 0 ? std::fmin(limit, paid.a) : std::fmax(limit, paid.b);
      if (!cutting.empty()) daylight = side < 0 ? std::fmin(daylight, cutting.a) : std::fmax(daylight, cutting.b);
    }
  }
  return x;
}

std::vector<Point2> template_line(const Reach& r, const SectionLine& line, double from, double to, double lower,
                                  double top) {
  std::vector<Point2> points;
  const double level = r.level - lower;
  auto end_at = [&](int side, double limit) {  // the line's end on a side: at the offset limit or at the top
    const double k = line.stretch[side < 0 ? 0 : 1], h = r.half(side), m = r.slope(side);
    const double toe = side * h / k;
    const double rise_to_top = std::max(0.0, top - level);
    const double at_top = side * (h + m * rise_to_top) / k;
    if (side * limit <= side * toe) return Point2{limit, level};
    if (side * limit < side * at_top) return Point2{limit, level + (side * limit * k - h) / m};
    return Point2{at_top, std::max(top, level)};
  };
  const Point2 left = end_at(-1, from), right = end_at(1, to);
  points.push_back(left);
  for (const double toe : {-r.left / line.stretch[0], r.right / line.stretch[1]})
    if (toe > left.x && toe < right.x) points.push_back({toe, level});
  points.push_back(right);
  return points;
}

}  // namespace survey_channel

namespace survey_channel {

Figures channel_figures(const Channel& c, double interval, const surface::Tin& survey, const surface::Tin* before) {
  Figures g;
  g.frame = surface::frame_of(survey);
  g.alignment = make_alignment(c, g.frame);
  g.stations = section_stations(c, interval);
  g.reach_of = interval_reaches(c, g.stations);
  double highest = -INFINITY;
  for (const surface::Vertex& v : (before ? *before : survey).vertices) highest = std::max(highest, v.z);
  g.lateral = lateral_reach(c, highest);
  g.bend = tight_bend(c, g.alignment, g.lateral);
  if (g.bend.point >= 0) return g;
  g.pieces = template_pieces(c, g.alignment, g.stations, g.reach_of, g.lateral);
  g.plan = plan_volumes(c, g.pieces, g.reach_of.size(), survey, before, g.frame);

  const surface::Locator survey_at = surface::make_locator(survey);
  surface::Locator before_at;
  if (before) before_at = surface::make_locator(*before);
  for (std::size_t k = 0; k < g.reach_of.size(); ++k) {
    std::array<std::size_t, 2> ends{};
    for (int e = 0; e < 2; ++e) {
      const double station = g.stations[k + static_cast<std::size_t>(e)];
      const Section* last = g.sections.empty() ? nullptr : &g.sections.back();
      if (last && last->station == station && last->reach == g.reach_of[k]) {
        ends[static_cast<std::size_t>(e)] = g.sections.size() - 1;
        continue;
      }
      g.sections.push_back(cross_section(c, g.alignment, station, g.reach_of[k], g.lateral, survey, survey_at, before,
                                         before ? &before_at : nullptr, g.frame));
      ends[static_cast<std::size_t>(e)] = g.sections.size() - 1;
    }
    g.ends.push_back(ends);
    Amounts aea{0, 0, 0, 0};
    const double length = g.stations[k + 1] - g.stations[k];
    for (int q = 0; q < kQuantities; ++q)
      aea[static_cast<std::size_t>(q)] =
          length * (g.sections[ends[0]].area[static_cast<std::size_t>(q)] + g.sections[ends[1]].area[static_cast<std::size_t>(q)]) / 2;
    g.aea.push_back(aea);
  }
  return g;
}

}  // namespace survey_channel
