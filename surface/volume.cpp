#include "volume.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <boost/geometry/geometries/segment.hpp>

#include "overlay.h"

namespace surface {

namespace {

namespace bg = boost::geometry;
using Pt = bg::model::d2::point_xy<double>;
using Poly = bg::model::polygon<Pt, false, true>;  // counterclockwise, closed
using Multi = bg::model::multi_polygon<Poly>;
using Segment = bg::model::segment<Pt>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using V = PieceCorner;

// The height of the triangle's plane at (x, y) from the point's barycentric
// weights (a convex combination of the corners' heights inside it, so thin
// triangles lose nothing).
double height_at(const Tri& t, double x, double y) {
  const double w0 = (t.x[1] - x) * (t.y[2] - y) - (t.y[1] - y) * (t.x[2] - x);
  const double w1 = (t.x[2] - x) * (t.y[0] - y) - (t.y[2] - y) * (t.x[0] - x);
  const double w2 = (t.x[0] - x) * (t.y[1] - y) - (t.y[0] - y) * (t.x[1] - x);
  const double sum = w0 + w1 + w2;
  if (!(sum != 0)) return (t.z[0] + t.z[1] + t.z[2]) / 3;
  return (w0 * t.z[0] + w1 * t.z[1] + w2 * t.z[2]) / sum;
}

// The area and integral of d over the part of the piece where d >= 0.
void positive_part(const V* p, int n, double& area, double& integral) {
  V small[2 * kMaxCorners];
  std::vector<V> big;
  V* q = small;
  if (n > kMaxCorners) {
    big.resize(2 * static_cast<std::size_t>(n));
    q = big.data();
  }
  const int m = cut_at_zero(p, n, q);
  area = integral = 0;
  if (m >= 3) integrate(q, m, area, integral);
}

// Adds to above the area and volume where d > 0, to below where d < 0.
// area and integral are the piece's, from integrate.
void add_sides(const V* p, int n, double area, double integral, Side& above, Side& below) {
  double low = p[0].d, high = p[0].d;
  for (int k = 1; k < n; ++k) {
    low = std::min(low, p[k].d);
    high = std::max(high, p[k].d);
  }
  if (!(high > 0) && !(low < 0)) return;  // d = 0 all over: on neither side
  if (!(low < 0)) {
    above.area += area;
    above.volume += integral;
  } else if (!(high > 0)) {
    below.area += area;
    below.volume -= integral;
  } else {
    double pa = 0, pi = 0;
    positive_part(p, n, pa, pi);
    above.area += pa;
    above.volume += pi;
    below.area += area - pa;
    below.volume += pi - integral;
  }
}

// What is summed, and what it is summed against.
struct Sums {
  Volumes v;
  bool band = false;
  double overdepth = 0;
};

// Adds a piece with the difference d at its corners.
void add_piece(Sums& s, const V* p, int n) {
  if (n < 3) return;
  double area = 0, integral = 0;
  integrate(p, n, area, integral);
  s.v.common_area += area;
  ++s.v.pieces;
  add_sides(p, n, area, integral, s.v.above, s.v.below);
  if (s.band) {
    // Below level - T: where -(d + T) > 0.
    std::vector<V> q(p, p + n);
    for (V& c : q) c.d = -c.d - s.overdepth;
    Side ignored;
    add_sides(q.data(), n, area, -integral - s.overdepth * area, s.v.beyond, ignored);
  }
}

// The boundary in the frame, for Boost.Geometry, with its box.
struct Clip {
  Poly shape;
  bg::model::box<Pt> box;
};

Clip make_clip(const Boundary& b, const Frame& o) {
  Clip c;
  for (const Corner& k : b.corners) c.shape.outer().push_back(Pt(k.x - o.ox, k.y - o.oy));
  c.shape.outer().push_back(c.shape.outer().front());
  bg::correct(c.shape);
  bg::envelope(c.shape, c.box);
  return c;
}

enum class Where { inside, outside, across };

Where where(const Tri& t, const Clip* c) {
  if (c == nullptr) return Where::inside;
  const double xl = std::min({t.x[0], t.x[1], t.x[2]}), xh = std::max({t.x[0], t.x[1], t.x[2]});
  const double yl = std::min({t.y[0], t.y[1], t.y[2]}), yh = std::max({t.y[0], t.y[1], t.y[2]});
  if (xh < c->box.min_corner().x() || xl > c->box.max_corner().x() || yh < c->box.min_corner().y() ||
      yl > c->box.max_corner().y())
    return Where::outside;
  Poly p;
  for (int k = 0; k < 3; ++k) p.outer().push_back(Pt(t.x[k], t.y[k]));
  p.outer().push_back(p.outer().front());
  if (bg::covered_by(p, c->shape)) return Where::inside;
  if (!bg::intersects(p, c->shape)) return Where::outside;
  return Where::across;
}

// The parts of the convex piece inside the boundary, each with the
// difference at its corners from diff(x, y). Boost.Geometry's intersection
// is asked only for a piece that meets the boundary's outline, with its
// repeated corners taken once (it wants valid polygons); should it still
// come out larger than the piece (on slivers a few millimetres wide it has
// given the whole boundary), the piece counts whole or not at all by
// whether its centre lies inside.
template <class Diff>
void add_clipped(Sums& s, const V* p, int n, const Clip& c, Diff diff) {
  std::vector<V> q(p, p + n);
  for (V& v : q) v.d = diff(v.x, v.y);
  Poly piece;
  for (int k = 0; k < n; ++k) {
    const Pt v(p[k].x, p[k].y);
    if (piece.outer().empty() || !bg::equals(v, piece.outer().back())) piece.outer().push_back(v);
  }
  while (piece.outer().size() > 1 && bg::equals(piece.outer().back(), piece.outer().front())) piece.outer().pop_back();
  if (piece.outer().size() < 3) return;
  piece.outer().push_back(piece.outer().front());
  const double area = bg::area(piece);
  if (!(area > 0)) return;
  if (bg::covered_by(piece, c.shape)) return add_piece(s, q.data(), n);
  if (!bg::intersects(piece, c.shape)) return;
  Multi parts;
  bg::intersection(piece, c.shape, parts);
  if (bg::area(parts) > area * (1 + 1e-9)) {
    Pt centre;
    bg::centroid(piece, centre);
    if (bg::covered_by(centre, c.shape)) add_piece(s, q.data(), n);
    return;
  }
  for (const Poly& part : parts) {
    const auto& ring = part.outer();
    q.clear();
    for (std::size_t k = 0; k + 1 < ring.size(); ++k)
      q.push_back(V{ring[k].x(), ring[k].y(), diff(ring[k].x(), ring[k].y())});
    add_piece(s, q.data(), static_cast<int>(q.size()));
    // A part of a triangle inside a simple polygon has no holes; were
    // there any, they would be taken out here.
    for (const auto& hole : part.inners()) {
      q.clear();
      for (std::size_t k = 0; k + 1 < hole.size(); ++k)
        q.push_back(V{hole[k].x(), hole[k].y(), diff(hole[k].x(), hole[k].y())});
      add_piece(s, q.data(), static_cast<int>(q.size()));
    }
  }
}

}  // namespace

Volumes volumes_against_level(const Tin& survey, double level, double overdepth, const Boundary* boundary) {
  const Frame o = frame_of(survey);
  Sums s;
  s.band = overdepth > 0;
  s.overdepth = overdepth;
  Clip clip;
  if (boundary) clip = make_clip(*boundary, o);
  const Clip* c = boundary ? &clip : nullptr;
  for (const Triangle& f : survey.triangles) {
    const Tri t = local(survey, f, o);
    const Where w = where(t, c);
    if (w == Where::outside) continue;
    V p[3];
    for (int k = 0; k < 3; ++k) p[k] = V{t.x[k], t.y[k], t.z[k] - level};
    if (w == Where::inside)
      add_piece(s, p, 3);
    else
      add_clipped(s, p, 3, *c, [&](double x, double y) { return height_at(t, x, y) - level; });
  }
  return s.v;
}

Volumes volumes_against_surface(const Tin& survey, const Tin& reference, const Boundary* boundary) {
  const Frame o = frame_of(survey);
  Sums s;
  Clip clip;
  if (boundary) clip = make_clip(*boundary, o);
  const Clip* c = boundary ? &clip : nullptr;
  Where w = Where::inside;  // of the survey triangle whose pieces come
  overlay(
      survey, reference, o,
      [&](const Tri& t) {
        w = where(t, c);
        return w != Where::outside;
      },
      [&](const OverlayPiece& piece) {
        const Plane d = difference_of(piece.pa, piece.pb);
        auto diff = [&](double x, double y) { return value_at(d, x, y); };
        if (w == Where::inside) {
          for (int j = 0; j < piece.n; ++j) piece.corners[j].d = diff(piece.corners[j].x, piece.corners[j].y);
          add_piece(s, piece.corners, piece.n);
        } else {
          add_clipped(s, piece.corners, piece.n, *c, diff);
        }
      });
  return s.v;
}

BoundaryCheck make_boundary(const std::vector<Corner>& given) {
  BoundaryCheck check;
  // The corners taken, with their index in given.
  std::vector<Corner> k;
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (!k.empty() && given[i].x == k.back().x && given[i].y == k.back().y) continue;
    k.push_back(given[i]);
    at.push_back(i);
  }
  if (k.size() > 1 && k.back().x == k.front().x && k.back().y == k.front().y) {
    k.pop_back();
    at.pop_back();
  }
  if (k.size() < 3) {
    check.why = "a boundary needs at least 3 corners, it has " + std::to_string(k.size());
    check.bad_corner = given.empty() ? 0 : given.size() - 1;
    return check;
  }
  const std::size_t n = k.size();
  auto seg = [&](std::size_t i) {
    const std::size_t j = i + 1 == n ? 0 : i + 1;
    return Segment(Pt(k[i].x, k[i].y), Pt(k[j].x, k[j].y));
  };
  // Edge i runs from corner i to corner i + 1 (the last back to the first).
  for (std::size_t i = 1; i < n; ++i) {
    const Segment e = seg(i);
    for (std::size_t j = 0; j < i; ++j) {
      const bool next = j + 1 == i || (i + 1 == n && j == 0);
      if (!next) {
        if (bg::intersects(e, seg(j))) {
          check.why = "the boundary crosses itself";
          check.bad_corner = i + 1 == n ? at.back() : at[i + 1];
          return check;
        }
        continue;
      }
      // Neighbouring edges meet at their shared corner only: not when one
      // turns straight back along the other.
      const std::size_t shared = j + 1 == i ? i : 0;
      const Corner& m = k[shared];
      const Corner& u = k[shared == 0 ? n - 1 : shared - 1];
      const Corner& w = k[shared + 1 == n ? 0 : shared + 1];
      const double cross = (u.x - m.x) * (w.y - m.y) - (u.y - m.y) * (w.x - m.x);
      const double dot = (u.x - m.x) * (w.x - m.x) + (u.y - m.y) * (w.y - m.y);
      if (cross == 0 && dot > 0) {
        check.why = "the boundary turns back on itself";
        check.bad_corner = at[shared];
        return check;
      }
    }
  }
  double area2 = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Corner& a = k[i];
    const Corner& b = k[i + 1 == n ? 0 : i + 1];
    area2 += (a.x - k[0].x) * (b.y - k[0].y) - (a.y - k[0].y) * (b.x - k[0].x);
  }
  if (area2 == 0) {
    check.why = "the boundary encloses no area";
    check.bad_corner = at.back();
    return check;
  }
  if (area2 < 0) std::reverse(k.begin(), k.end());
  check.boundary.corners = std::move(k);
  return check;
}

double boundary_area(const Boundary& b) {
  double a2 = 0;
  const auto& k = b.corners;
  for (std::size_t i = 0; i + 1 < k.size(); ++i)
    a2 += (k[i].x - k[0].x) * (k[i + 1].y - k[0].y) - (k[i].y - k[0].y) * (k[i + 1].x - k[0].x);
  return std::abs(a2) / 2;
}

void mask_row(const Boundary& b, const Grid& g, std::int64_t row, std::span<double> heights) {
  const Clip c = make_clip(b, Frame{g.x0, g.y0});
  const double y = (static_cast<double>(g.rows - 1 - row) + 0.5) * g.cell;
  const bool off = y < c.box.min_corner().y() || y > c.box.max_corner().y();
  for (std::size_t i = 0; i < heights.size(); ++i) {
    if (std::isnan(heights[i])) continue;
    const double x = (static_cast<double>(i) + 0.5) * g.cell;
    if (off || x < c.box.min_corner().x() || x > c.box.max_corner().x() || !bg::covered_by(Pt(x, y), c.shape))
      heights[i] = kNaN;
  }
}

}  // namespace surface
