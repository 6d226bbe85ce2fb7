#include "alignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "polygon.h"

namespace survey_channel {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kWedge = 0.5 * kPi / 180;  // the widest wedge of a fan
constexpr double kSameStation = 1e-6;       // metres: stations this close are one

double dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
double cross(Point2 a, Point2 b) { return a.x * b.y - a.y * b.x; }
Point2 plus(Point2 a, Point2 b) { return {a.x + b.x, a.y + b.y}; }
Point2 minus(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
Point2 times(Point2 a, double k) { return {a.x * k, a.y * k}; }
Point2 unit(Point2 a) { return times(a, 1 / std::hypot(a.x, a.y)); }
Point2 rotated(Point2 a, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {a.x * c - a.y * s, a.x * s + a.y * c};
}

// The linear function g . (p - at) + c, as a plane.
surface::Plane linear(Point2 at, Point2 g, double c) { return surface::Plane{at.x, at.y, c, g.x, g.y}; }

// Whether side (-1 left, +1 right) is the inside of the bend at point i.
bool inside(const Alignment& a, std::size_t i, int side) {
  return a.turn[i] != 0 && (a.turn[i] > 0 ? side < 0 : side > 0);
}

Polygon polygon_of(std::initializer_list<Point2> corners) {
  Polygon p;
  for (const Point2& c : corners) p.c[p.n++] = surface::PieceCorner{c.x, c.y, 0};
  return p;
}

// Adds the bottom and the side slope of a cell to pieces: the cell cut at the
// toe line, where the offset measured from at along nu reaches the reach's
// bottom extent.
void add_strips(std::vector<Piece>& pieces, const Polygon& cell, Point2 at, Point2 nu, int interval, int reach_index,
                const Reach& r, int side) {
  const double h = r.half(side), m = r.slope(side);
  for (const bool slope : {false, true}) {
    if (slope && m == 0) continue;
    const Polygon part = cut(cell, slope ? linear(at, nu, -h) : linear(at, times(nu, -1), h));
    if (part.n < 3) continue;
    Piece piece;
    piece.interval = interval;
    piece.reach = reach_index;
    piece.side = side;
    piece.slope = slope;
    piece.t = slope ? linear(at, times(nu, 1 / m), r.level - h / m) : linear(at, {0, 0}, r.level);
    double twice_area = 0;
    for (int k = 0; k < part.n; ++k) {
      const surface::PieceCorner& u = part.c[k];
      const surface::PieceCorner& v = part.c[k + 1 == part.n ? 0 : k + 1];
      twice_area += u.x * v.y - u.y * v.x;
      piece.corners.push_back({u.x, u.y});
    }
    if (!(std::fabs(twice_area) > 1e-9)) continue;
    if (twice_area < 0) std::reverse(piece.corners.begin(), piece.corners.end());
    piece.box = surface::Box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (std::size_t k = 0; k < piece.corners.size(); ++k) {
      const Point2 u = piece.corners[k], v = piece.corners[k + 1 == piece.corners.size() ? 0 : k + 1];
      piece.edges.push_back(linear(u, {u.y - v.y, v.x - u.x}, 0));  // cross(v - u, p - u) >= 0
      piece.box = surface::Box{std::min(piece.box.xl, u.x), std::min(piece.box.yl, u.y), std::max(piece.box.xh, u.x),
                               std::max(piece.box.yh, u.y)};
    }
    pieces.push_back(std::move(piece));
  }
}

}  // namespace

Alignment make_alignment(const Channel& c, const surface::Frame& o) {
  Alignment a;
  for (const Point2& q : c.points) a.p.push_back({q.x - o.ox, q.y - o.oy});
  a.s.push_back(c.start);
  for (std::size_t i = 1; i < a.p.size(); ++i) {
    const Point2 d = minus(a.p[i], a.p[i - 1]);
    a.s.push_back(a.s.back() + std::hypot(d.x, d.y));
    a.t.push_back(unit(d));
  }
  a.turn.assign(a.p.size(), 0);
  for (std::size_t i = 1; i + 1 < a.p.size(); ++i)
    a.turn[i] = std::atan2(cross(a.t[i - 1], a.t[i]), dot(a.t[i - 1], a.t[i]));
  return a;
}

Place place_of(const Alignment& a, Point2 q) {
  Place best;
  double nearest = INFINITY;
  for (std::size_t i = 0; i < a.t.size(); ++i) {
    const double length = a.s[i + 1] - a.s[i];
    const double along = std::clamp(dot(minus(q, a.p[i]), a.t[i]), 0.0, length);
    const Point2 foot = plus(a.p[i], times(a.t[i], along));
    const double distance = std::hypot(q.x - foot.x, q.y - foot.y);
    if (distance < nearest) {
      nearest = distance;
      best.station = a.s[i] + along;
      best.offset = cross(a.t[i], minus(q, foot)) > 0 ? -distance : distance;
    }
  }
  return best;
}

double template_height(const Reach& r, double offset) {
  const int side = offset < 0 ? -1 : 1;
  const double u = std::fabs(offset), h = r.half(side), m = r.slope(side);
  if (u <= h) return r.level;
  if (m == 0) return INFINITY;
  return r.level + (u - h) / m;
}

std::vector<double> section_stations(const Channel& c, double interval) {
  std::vector<double> at;
  for (const Reach& r : c.reaches) at.push_back(r.from);
  at.push_back(c.reaches.back().to);
  const double from = c.reaches.front().from, to = c.reaches.back().to;
  for (double k = std::ceil(from / interval); k * interval < to; ++k)
    if (k * interval > from) at.push_back(k * interval);
  std::sort(at.begin(), at.end());
  // The reaches' ends first: a multiple of the interval within a hair of one
  // is the same section.
  std::vector<double> kept;
  for (const double s : at) {
    if (!kept.empty() && s - kept.back() < kSameStation) {
      for (const Reach& r : c.reaches)
        if (s == r.from || s == r.to) kept.back() = s;
      continue;
    }
    kept.push_back(s);
  }
  return kept;
}

std::vector<int> interval_reaches(const Channel& c, const std::vector<double>& stations) {
  std::vector<int> reach_of;
  std::size_t r = 0;
  for (std::size_t k = 0; k + 1 < stations.size(); ++k) {
    const double middle = (stations[k] + stations[k + 1]) / 2;
    while (r + 1 < c.reaches.size() && c.reaches[r].to <= middle) ++r;
    reach_of.push_back(static_cast<int>(r));
  }
  return reach_of;
}

std::array<double, 2> lateral_reach(const Channel& c, double highest) {
  std::array<double, 2> width = {0, 0};
  for (const Reach& r : c.reaches)
    for (const int side : {-1, 1}) {
      const double rise = std::max(0.0, highest - (r.level - r.overdepth));
      double& w = width[side < 0 ? 0 : 1];
      w = std::max(w, r.half(side) + r.slope(side) * rise + 1);
    }
  return width;
}

TightBend tight_bend(const Channel& c, const Alignment& a, const std::array<double, 2>& reach) {
  TightBend worst;
  const double from = c.reaches.front().from, to = c.reaches.back().to;
  for (std::size_t i = 0; i < a.t.size(); ++i) {
    if (a.s[i + 1] <= from || a.s[i] >= to) continue;
    for (const int side : {-1, 1}) {
      // On the inside of a bend the segment's cell ends at the bisector,
      // which leans into it by tan(turn / 2) a metre out.
      const double lean_start = inside(a, i, side) ? std::tan(std::fabs(a.turn[i]) / 2) : 0;
      const double lean_end = inside(a, i + 1, side) ? std::tan(std::fabs(a.turn[i + 1]) / 2) : 0;
      if (lean_start + lean_end == 0) continue;
      const double crossing = (a.s[i + 1] - a.s[i]) / (lean_start + lean_end);
      if (crossing <= reach[side < 0 ? 0 : 1] && (worst.point < 0 || crossing < worst.crossing)) {
        worst.point = static_cast<int>(lean_start > 0 ? i : i + 1);
        worst.crossing = crossing;
      }
    }
  }
  return worst;
}

std::vector<Piece> template_pieces(const Channel& c, const Alignment& a, const std::vector<double>& stations,
                                   const std::vector<int>& reach_of, const std::array<double, 2>& reach) {
  std::vector<Piece> pieces;
  const std::size_t last = a.p.size() - 1;
  for (std::size_t k = 0; k + 1 < stations.size(); ++k) {
    const double s0 = stations[k], s1 = stations[k + 1];
    const Reach& r = c.reaches[static_cast<std::size_t>(reach_of[k])];
    const int interval = static_cast<int>(k);
    for (std::size_t i = 0; i < a.t.size(); ++i) {
      if (!(a.s[i] < s1 && a.s[i + 1] > s0)) continue;
      const Point2 start = a.p[i], end = a.p[i + 1], t = a.t[i];
      const double length = a.s[i + 1] - a.s[i];
      for (const int side : {-1, 1}) {
        const Point2 nu = times(right_of(t), side);
        const double w = reach[side < 0 ? 0 : 1];
        Polygon cell = polygon_of({start, plus(start, times(t, length)), plus(end, times(nu, w)), plus(start, times(nu, w))});
        if (i > 0 && inside(a, i, side)) clip(cell, linear(start, plus(a.t[i - 1], t), 0));
        if (i + 1 < last && inside(a, i + 1, side)) clip(cell, linear(end, times(plus(t, a.t[i + 1]), -1), 0));
        if (s0 > a.s[i]) clip(cell, linear(start, t, -(s0 - a.s[i])));
        if (s1 < a.s[i + 1]) clip(cell, linear(start, times(t, -1), s1 - a.s[i]));
        if (cell.n >= 3) add_strips(pieces, cell, start, nu, interval, reach_of[k], r, side);
      }
    }
    // The fans outside the bends: the half before the bisector counts with
    // the stations up to the bend's, the half after with those from it.
    for (std::size_t v = 1; v < last; ++v) {
      if (a.turn[v] == 0) continue;
      const bool before = s0 < a.s[v] && a.s[v] <= s1, after = s0 <= a.s[v] && a.s[v] < s1;
      if (!before && !after) continue;
      const int side = a.turn[v] > 0 ? 1 : -1;
      const Point2 first = times(right_of(a.t[v - 1]), side);
      const double w = reach[side < 0 ? 0 : 1];
      const double half = a.turn[v] / 2;
      const int wedges = static_cast<int>(std::ceil(std::fabs(half) / kWedge));
      for (int h = 0; h < 2; ++h) {
        if (!(h == 0 ? before : after)) continue;
        for (int j = 0; j < wedges; ++j) {
          const Point2 da = rotated(first, h * half + half * j / wedges);
          const Point2 db = rotated(first, h * half + half * (j + 1) / wedges);
          const Point2 middle = unit(plus(da, db));
          const Polygon wedge = polygon_of({a.p[v], plus(a.p[v], times(da, w / dot(da, middle))),
                                            plus(a.p[v], times(db, w / dot(db, middle)))});
          add_strips(pieces, wedge, a.p[v], middle, interval, reach_of[k], r, side);
        }
      }
    }
  }
  return pieces;
}

SectionLine section_line(const Alignment& a, double station) {
  SectionLine line;
  const std::size_t last = a.p.size() - 1;
  std::size_t i = 0;
  while (i + 1 < last && a.s[i + 1] <= station) ++i;
  // At a point of a bend: along its bisector.
  for (std::size_t v = 1; v < last; ++v)
    if (a.turn[v] != 0 && std::fabs(station - a.s[v]) < kSameStation) {
      line.centre = a.p[v];
      line.right = unit(plus(right_of(a.t[v - 1]), right_of(a.t[v])));
      line.stretch[a.turn[v] > 0 ? 0 : 1] = std::cos(a.turn[v] / 2);
      return line;
    }
  line.centre = plus(a.p[i], times(a.t[i], station - a.s[i]));
  line.right = right_of(a.t[i]);
  return line;
}

}  // namespace survey_channel
