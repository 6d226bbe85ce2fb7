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

namespace surface {

namespace {

namespace bg = boost::geometry;
using Pt = bg::model::d2::point_xy<double>;
using Poly = bg::model::polygon<Pt, false, true>;  // counterclockwise, closed
using Multi = bg::model::multi_polygon<Poly>;
using Segment = bg::model::segment<Pt>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A point of a piece in the computation's own frame (eastings and northings
// less an origin near the survey, so that the products of coordinates keep
// their centimetres), and the difference survey - reference there.
struct V {
  double x, y, d;  // no initializers: the clipping's arrays are not cleared on every call
};
// A piece of the overlay: a triangle clipped by a triangle has at most six
// corners; a piece cut by the boundary may have more, then the buffers are
// on the heap. Clipping a piece of n corners at a line leaves at most 2 n.
constexpr int kMaxCorners = 12;

struct Frame {
  double ox = 0, oy = 0;
};

// A triangle in the frame, counterclockwise.
struct Tri {
  double x[3], y[3], z[3];
};

Tri local(const Tin& tin, const Triangle& f, const Frame& o) {
  Tri t;
  for (int k = 0; k < 3; ++k) {
    const Vertex& v = corner(tin, f, k);
    t.x[k] = v.x - o.ox;
    t.y[k] = v.y - o.oy;
    t.z[k] = v.z;
  }
  const double turn = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.y[1] - t.y[0]) * (t.x[2] - t.x[0]);
  if (turn < 0) {
    std::swap(t.x[1], t.x[2]);
    std::swap(t.y[1], t.y[2]);
    std::swap(t.z[1], t.z[2]);
  }
  return t;
}

// A triangle's plane: z = z0 + gx (x - x0) + gy (y - y0), (x0, y0) its first
// corner.
struct Plane {
  double x0 = 0, y0 = 0, z0 = 0, gx = 0, gy = 0;
};

Plane plane_of(const Tri& t) {
  const double ax = t.x[1] - t.x[0], ay = t.y[1] - t.y[0], az = t.z[1] - t.z[0];
  const double bx = t.x[2] - t.x[0], by = t.y[2] - t.y[0], bz = t.z[2] - t.z[0];
  const double det = ax * by - ay * bx;
  Plane p{t.x[0], t.y[0], t.z[0], 0, 0};
  if (det != 0) {
    p.gx = (az * by - bz * ay) / det;
    p.gy = (ax * bz - bx * az) / det;
  }
  return p;
}

// The difference of two planes, s - r, as a plane at s's first corner.
Plane difference_of(const Plane& s, const Plane& r) {
  return Plane{s.x0, s.y0, s.z0 - (r.z0 + r.gx * (s.x0 - r.x0) + r.gy * (s.y0 - r.y0)), s.gx - r.gx, s.gy - r.gy};
}

double value_at(const Plane& p, double x, double y) { return p.z0 + p.gx * (x - p.x0) + p.gy * (y - p.y0); }

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

// The signed area of the polygon and the integral of the linear function
// whose values at the corners are their d (fan from the first corner:
// signed, so it holds for any closed outline, also the folded ones that
// clipping a non-convex piece at a line leaves).
void integrate(const V* p, int n, double& area, double& integral) {
  double a2 = 0, i6 = 0;
  for (int k = 1; k + 1 < n; ++k) {
    const double t = (p[k].x - p[0].x) * (p[k + 1].y - p[0].y) - (p[k].y - p[0].y) * (p[k + 1].x - p[0].x);
    a2 += t;
    i6 += t * (p[0].d + p[k].d + p[k + 1].d);
  }
  area = a2 / 2;
  integral = i6 / 6;
}

// The area and integral of d over the part of the piece where d >= 0, the
// piece cut at d = 0 (Sutherland-Hodgman at one line: at most 2 n corners).
void positive_part(const V* p, int n, double& area, double& integral) {
  V small[2 * kMaxCorners];
  std::vector<V> big;
  V* q = small;
  if (n > kMaxCorners) {
    big.resize(2 * static_cast<std::size_t>(n));
    q = big.data();
  }
  int m = 0;
  for (int k = 0; k < n; ++k) {
    const int j = k + 1 == n ? 0 : k + 1;
    if (p[k].d >= 0) q[m++] = p[k];
    if ((p[k].d > 0 && p[j].d < 0) || (p[k].d < 0 && p[j].d > 0)) {
      const double t = p[k].d / (p[k].d - p[j].d);
      q[m++] = V{p[k].x + t * (p[j].x - p[k].x), p[k].y + t * (p[j].y - p[k].y), 0};
    }
  }
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

Frame frame_of(const Tin& survey) {
  Frame o;
  if (!survey.vertices.empty()) {
    o.ox = std::round(survey.vertices[0].x);
    o.oy = std::round(survey.vertices[0].y);
  }
  return o;
}

// A triangle's box in floats, a centimetre wider all round than the float
// rounding could make it narrower (it only picks the candidates to clip).
struct Box {
  float xl, yl, xh, yh;
};

// The reference triangles' index: a grid of square cells, each listing the
// triangles whose box meets it (compressed rows).
struct Index {
  double x0 = 0, y0 = 0, cell = 1;
  int cols = 0, rows = 0;
  std::vector<std::uint32_t> start;  // cols * rows + 1
  std::vector<std::uint32_t> items;
};

void box_of(const Tri& t, double& xl, double& yl, double& xh, double& yh) {
  xl = std::min({t.x[0], t.x[1], t.x[2]});
  xh = std::max({t.x[0], t.x[1], t.x[2]});
  yl = std::min({t.y[0], t.y[1], t.y[2]});
  yh = std::max({t.y[0], t.y[1], t.y[2]});
}

int cell_index(double v, double v0, double cell, int n) {
  const double c = std::floor((v - v0) / cell);
  if (!(c >= 0)) return 0;
  return c >= n - 1 ? n - 1 : static_cast<int>(c);
}

Index make_index(const std::vector<Tri>& tris) {
  Index ix;
  double xl = std::numeric_limits<double>::infinity(), yl = xl, xh = -xl, yh = -xl;
  double area = 0;
  for (const Tri& t : tris) {
    double a, b, c, d;
    box_of(t, a, b, c, d);
    xl = std::min(xl, a);
    yl = std::min(yl, b);
    xh = std::max(xh, c);
    yh = std::max(yh, d);
    area += (c - a) * (d - b);
  }
  const double n = static_cast<double>(std::max<std::size_t>(tris.size(), 1));
  // Cells about the size of a triangle's box: a few triangles a cell.
  ix.cell = std::max(std::sqrt(area / n), 1e-3);
  const double span_x = std::max(xh - xl, 0.0), span_y = std::max(yh - yl, 0.0);
  while ((span_x / ix.cell + 1) * (span_y / ix.cell + 1) > 4 * n + 16) ix.cell *= 1.5;
  ix.x0 = xl;
  ix.y0 = yl;
  ix.cols = static_cast<int>(span_x / ix.cell) + 1;
  ix.rows = static_cast<int>(span_y / ix.cell) + 1;
  ix.start.assign(static_cast<std::size_t>(ix.cols) * ix.rows + 1, 0);
  auto each_cell = [&](const Tri& t, auto put) {
    double a, b, c, d;
    box_of(t, a, b, c, d);
    const int c0 = cell_index(a, ix.x0, ix.cell, ix.cols), c1 = cell_index(c, ix.x0, ix.cell, ix.cols);
    const int r0 = cell_index(b, ix.y0, ix.cell, ix.rows), r1 = cell_index(d, ix.y0, ix.cell, ix.rows);
    for (int r = r0; r <= r1; ++r)
      for (int col = c0; col <= c1; ++col) put(static_cast<std::size_t>(r) * ix.cols + col);
  };
  for (const Tri& t : tris) each_cell(t, [&](std::size_t k) { ++ix.start[k + 1]; });
  for (std::size_t k = 1; k < ix.start.size(); ++k) ix.start[k] += ix.start[k - 1];
  ix.items.resize(ix.start.back());
  std::vector<std::uint32_t> fill(ix.start.begin(), ix.start.end() - 1);
  for (std::uint32_t i = 0; i < tris.size(); ++i) each_cell(tris[i], [&](std::size_t k) { ix.items[fill[k]++] = i; });
  return ix;
}

// Clips the convex polygon p (n corners) to the counterclockwise triangle r;
// the result in q, its corner count returned.
int clip_to_triangle(const V* p, int n, const Tri& r, V* q) {
  V a_buf[kMaxCorners], b_buf[kMaxCorners];
  const V* in = p;
  int m = n;
  for (int e = 0; e < 3; ++e) {
    const double ax = r.x[e], ay = r.y[e];
    const double ex = r.x[e == 2 ? 0 : e + 1] - ax, ey = r.y[e == 2 ? 0 : e + 1] - ay;
    double side[kMaxCorners];
    bool all_in = true, all_out = true;
    for (int k = 0; k < m; ++k) {
      side[k] = ex * (in[k].y - ay) - ey * (in[k].x - ax);
      all_in = all_in && side[k] >= 0;
      all_out = all_out && side[k] <= 0;
    }
    if (all_out) return 0;
    if (all_in) continue;  // this edge cuts nothing off
    V* out = in == a_buf ? b_buf : a_buf;
    int o = 0;
    for (int k = 0; k < m; ++k) {
      const int j = k + 1 == m ? 0 : k + 1;
      if (side[k] >= 0) out[o++] = in[k];
      if ((side[k] > 0 && side[j] < 0) || (side[k] < 0 && side[j] > 0)) {
        const double t = side[k] / (side[k] - side[j]);
        out[o++] = V{in[k].x + t * (in[j].x - in[k].x), in[k].y + t * (in[j].y - in[k].y), 0};
      }
    }
    if (o < 3) return 0;
    in = out;
    m = o;
  }
  std::copy(in, in + m, q);
  return m;
}

// The triangles' indices in the order of bands of kBand metres from south
// to north, west to east within a band (by their first corner): the loop
// over the survey then meets the reference triangles of one band after
// another, and those stay in the cache.
constexpr double kBand = 16;
std::vector<std::uint32_t> band_order(const Tin& tin, const Frame& o) {
  std::vector<std::pair<double, std::uint32_t>> keyed;
  keyed.reserve(tin.triangles.size());
  for (std::uint32_t i = 0; i < tin.triangles.size(); ++i) {
    const Vertex& v = corner(tin, tin.triangles[i], 0);
    const double band = std::floor((v.y - o.oy) / kBand);
    keyed.emplace_back(band * 1e9 + (v.x - o.ox), i);  // bands 1e9 m apart: far beyond any survey's width
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::uint32_t> order;
  order.reserve(keyed.size());
  for (const auto& k : keyed) order.push_back(k.second);
  return order;
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
  std::vector<Tri> ref;
  ref.reserve(reference.triangles.size());
  for (const std::uint32_t i : band_order(reference, o)) ref.push_back(local(reference, reference.triangles[i], o));
  const Index ix = make_index(ref);
  std::vector<Plane> planes;
  std::vector<Box> boxes;
  planes.reserve(ref.size());
  boxes.reserve(ref.size());
  for (const Tri& r : ref) {
    planes.push_back(plane_of(r));
    double xl, yl, xh, yh;
    box_of(r, xl, yl, xh, yh);
    boxes.push_back(Box{static_cast<float>(xl - 0.01), static_cast<float>(yl - 0.01), static_cast<float>(xh + 0.01),
                        static_cast<float>(yh + 0.01)});
  }
  std::vector<std::uint32_t> seen(ref.size(), 0);
  std::uint32_t stamp = 0;
  V q[kMaxCorners];
  for (const std::uint32_t si : band_order(survey, o)) {
    const Tri t = local(survey, survey.triangles[si], o);
    const Where w = where(t, c);
    if (w == Where::outside) continue;
    if (++stamp == 0) {  // after 2^32 triangles: start the stamps again
      std::fill(seen.begin(), seen.end(), 0);
      stamp = 1;
    }
    double xl, yl, xh, yh;
    box_of(t, xl, yl, xh, yh);
    const int c0 = cell_index(xl, ix.x0, ix.cell, ix.cols), c1 = cell_index(xh, ix.x0, ix.cell, ix.cols);
    const int r0 = cell_index(yl, ix.y0, ix.cell, ix.rows), r1 = cell_index(yh, ix.y0, ix.cell, ix.rows);
    const float fxl = static_cast<float>(xl), fyl = static_cast<float>(yl), fxh = static_cast<float>(xh),
                fyh = static_cast<float>(yh);
    const V p[3] = {{t.x[0], t.y[0], 0}, {t.x[1], t.y[1], 0}, {t.x[2], t.y[2], 0}};
    const Plane ps = plane_of(t);
    for (int row = r0; row <= r1; ++row)
      for (int col = c0; col <= c1; ++col) {
        const std::size_t cell = static_cast<std::size_t>(row) * ix.cols + col;
        for (std::uint32_t k = ix.start[cell]; k < ix.start[cell + 1]; ++k) {
          const std::uint32_t i = ix.items[k];
          if (seen[i] == stamp) continue;
          seen[i] = stamp;
          const Box& rb = boxes[i];
          if (rb.xl > fxh || rb.xh < fxl || rb.yl > fyh || rb.yh < fyl) continue;
          const int n = clip_to_triangle(p, 3, ref[i], q);
          if (n < 3) continue;
          const Plane d = difference_of(ps, planes[i]);
          auto diff = [&](double x, double y) { return value_at(d, x, y); };
          if (w == Where::inside) {
            for (int j = 0; j < n; ++j) q[j].d = diff(q[j].x, q[j].y);
            add_piece(s, q, n);
          } else {
            add_clipped(s, q, n, *c, diff);
          }
        }
      }
  }
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
