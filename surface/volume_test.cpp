#include "volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include <boost/geometry.hpp>  // with BOOST_GEOMETRY_NO_ROBUSTNESS, as volume.cpp
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

namespace surface {
namespace {

using Height = std::function<double(double, double)>;

// A TIN over a rotated, sheared lattice: corners at origin + i u + j v for
// i < nu, j < nv, each lattice cell cut along a diagonal (alternating), the
// heights from z(x, y).
Tin lattice(double ox, double oy, double ux, double uy, double vx, double vy, int nu, int nv, const Height& z) {
  Tin t;
  t.state = TinState::kBuilt;
  for (int j = 0; j < nv; ++j)
    for (int i = 0; i < nu; ++i) {
      const double x = ox + i * ux + j * vx, y = oy + i * uy + j * vy;
      t.vertices.push_back(Vertex{x, y, z(x, y)});
    }
  auto at = [&](int i, int j) { return static_cast<std::uint32_t>(j * nu + i); };
  for (int j = 0; j + 1 < nv; ++j)
    for (int i = 0; i + 1 < nu; ++i) {
      const std::uint32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      if ((i + j) % 2 == 0) {
        t.triangles.push_back({{a, b, c}});
        t.triangles.push_back({{a, c, d}});
      } else {
        t.triangles.push_back({{a, b, d}});
        t.triangles.push_back({{b, c, d}});
      }
    }
  return t;
}
// A square of side l at (x0, y0) cut into n x n cells.
Tin square(double x0, double y0, double l, int n, const Height& z) {
  return lattice(x0, y0, l / n, 0, 0, l / n, n + 1, n + 1, z);
}

void expect_rel(double got, double want, double tol = 1e-9) {
  EXPECT_NEAR(got, want, tol * std::max(1.0, std::abs(want))) << "want " << want;
}

// UTM-like places: the computation must keep its centimetres there.
constexpr double kE = 512345.0, kN = 4705432.0;

TEST(Volume, AnalyticCases) {
  const double l = 100, h = 1.75;
  const Height tilt = [](double x, double y) { return -10 + 0.01 * (x - kE) - 0.02 * (y - kN); };
  const Height lifted = [&](double x, double y) { return tilt(x, y) + h; };
  // Two parallel planes h apart over a square, on lattices that share no
  // inner corner: h times the area above, nothing below.
  const auto upper = square(kE, kN, l, 7, lifted), lower = square(kE, kN, l, 11, tilt);
  const Volumes v = volumes_against_surface(upper, lower, nullptr);
  expect_rel(v.common_area, l * l);
  expect_rel(v.above.volume, h * l * l);
  expect_rel(v.above.area, l * l);
  EXPECT_EQ(v.below.volume, 0);
  // Swapping the two swaps above and below.
  const Volumes w = volumes_against_surface(lower, upper, nullptr);
  expect_rel(w.below.volume, v.above.volume);
  expect_rel(w.below.area, v.above.area);
  EXPECT_EQ(w.above.volume, 0);
  // A boundary square inside the area: its area times h.
  const BoundaryCheck b = make_boundary({{kE + 20, kN + 30},
                                         {kE + 20, kN + 70.5},
                                         {kE + 61.25, kN + 70.5},
                                         {kE + 61.25, kN + 30}});
  ASSERT_EQ(b.why, "");
  const double inside = 41.25 * 40.5;
  expect_rel(boundary_area(b.boundary), inside);
  const Volumes c = volumes_against_surface(upper, lower, &b.boundary);
  expect_rel(c.common_area, inside);
  expect_rel(c.above.volume, h * inside);
  const Volumes cl = volumes_against_level(upper, -100, 0, &b.boundary);
  expect_rel(cl.common_area, inside);
}

TEST(Volume, TiltedPlaneAgainstLevelThroughItsMiddle) {
  // z = s (x - l / 2) - 8.5 against the level -8.5: each side a wedge of
  // l * (l / 2) * (s l / 2) / 2; on a lattice whose corners miss the line.
  const double l = 90, s = 0.04;
  const auto t = square(kE, kN, l, 13, [&](double x, double) { return s * (x - kE - l / 2) - 8.5; });
  const Volumes v = volumes_against_level(t, -8.5, 0, nullptr);
  const double wedge = l * (l / 2) * (s * l / 2) / 2;
  expect_rel(v.above.volume, wedge);
  expect_rel(v.below.volume, wedge);
  expect_rel(v.above.area, l * l / 2);
  expect_rel(v.below.area, l * l / 2);
  // The over-depth band: what lies under level - T is the wedge under it,
  // the same as the volume below that lower level.
  const Volumes band = volumes_against_level(t, -8.5, 0.7, nullptr);
  const Volumes lower = volumes_against_level(t, -8.5 - 0.7, 0, nullptr);
  expect_rel(band.beyond.volume, lower.below.volume);
  expect_rel(band.beyond.area, lower.below.area);
  expect_rel(band.below.volume, wedge);
  EXPECT_LT(band.below.volume - band.beyond.volume, 0.7 * band.below.area);
}

TEST(Volume, SurveyAgainstItselfIsZero) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> noise(-3, 3);
  const Tin t = lattice(kE, kN, 3.1, 0.4, -0.7, 2.9, 25, 30, [&](double, double) { return -12 + noise(rng); });
  const Volumes v = volumes_against_surface(t, t, nullptr);
  double area = 0;
  for (const Triangle& f : t.triangles) {
    const Vertex &a = corner(t, f, 0), &b = corner(t, f, 1), &c = corner(t, f, 2);
    area += std::abs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
  }
  expect_rel(v.common_area, area);
  EXPECT_NEAR(v.above.volume, 0, 1e-9 * area);
  EXPECT_NEAR(v.below.volume, 0, 1e-9 * area);
}

TEST(Volume, ParaboloidAgainstLevelConverges) {
  // z = x² + y² - 1 on [-1, 1]² against the level 0: below it the unit
  // disc's bowl, pi / 2; the linear interpolation on cells of side d is at
  // most d² / 2 off anywhere, so the volumes are at most 4 d² / 2 off. Over
  // the whole square the interpolation of x² + y² is d² / 3 too high on
  // average: the net is 8 / 3 - 4 + 4 d² / 3.
  const Height bowl = [](double x, double y) { return x * x + y * y - 1; };
  double last_error = 1;
  for (int n : {8, 16, 32, 64}) {
    const double d = 2.0 / n;
    const Volumes v = volumes_against_level(square(-1, -1, 2, n, bowl), 0, 0, nullptr);
    const double error = std::abs(v.below.volume - std::numbers::pi / 2);
    EXPECT_LE(error, 2 * d * d) << n;
    EXPECT_LT(error, last_error / 3) << n;  // second order: a quarter each halving
    expect_rel(v.above.volume - v.below.volume, 8.0 / 3 - 4 + 4 * d * d / 3);
    last_error = error;
  }
}

// The independent computation: every pair of triangles intersected by
// Boost.Geometry (no index), each part split at zero by intersecting it with
// the half-planes as polygons, and a linear function integrated as its value
// at the part's centroid times the area.
namespace bg = boost::geometry;
using Pt = bg::model::d2::point_xy<double>;
using Poly = bg::model::polygon<Pt, false, true>;

Poly polygon(const std::vector<Pt>& corners) {
  Poly p;
  for (const Pt& c : corners) p.outer().push_back(c);
  p.outer().push_back(corners.front());
  bg::correct(p);
  return p;
}

// A triangle's three corners.
struct Facet {
  Vertex c[3];
};
std::vector<Facet> facets(const Tin& t) {
  std::vector<Facet> f;
  for (const Triangle& k : t.triangles) f.push_back({{corner(t, k, 0), corner(t, k, 1), corner(t, k, 2)}});
  return f;
}

double plane_at(const Facet& f, double x, double y) {
  const Vertex &a = f.c[0], &b = f.c[1], &c = f.c[2];
  const double det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  const double gx = ((b.z - a.z) * (c.y - a.y) - (c.z - a.z) * (b.y - a.y)) / det;
  const double gy = ((c.z - a.z) * (b.x - a.x) - (b.z - a.z) * (c.x - a.x)) / det;
  return a.z + gx * (x - a.x) + gy * (y - a.y);
}

TEST(Volume, CrossingLinesMatchAnIndependentOverlay) {
  // Two surveys of one wavy seabed on lines in different directions (their
  // corners never coincide), less than a metre apart in height: the one
  // eroded, the other not.
  const Height bed = [](double x, double y) { return -9 + 1.5 * std::sin(x / 7) + std::cos(y / 5); };
  const Height eroded = [&](double x, double y) { return bed(x, y) - 0.8 * std::exp(-((x - 30) * (x - 30) + (y - 25) * (y - 25)) / 200); };
#ifdef SURVEY_SANITIZE
  const int n = 7;
#else
  const int n = 12;
#endif
  const auto a = lattice(0.3, -5, 6.0 * 12 / n, 0.9 * 12 / n, 0.2, 1.1, n + 1, 45, bed);  // long thin cells
  const auto b = lattice(40, -10, 0.6, 6.1 * 12 / n, -1.3 * 12 / n, 0.15, 50, n + 1, eroded);
  const BoundaryCheck fence = make_boundary({{10, 5}, {60}, {45, 30}, {70, 60}, {5, 40}});
  ASSERT_EQ(fence.why, "");
  for (bool fenced : {false, true}) {
    const Volumes v = volumes_against_surface(a, b, fenced ? &fence.boundary : nullptr);
    Poly f;
    for (const Corner& c : fence.boundary.corners) f.outer().push_back(Pt(c.x, c.y));
    f.outer().push_back(f.outer().front());
    bg::correct(f);
    double area = 0, above = 0, below = 0, above_area = 0;
    const std::vector<Facet> fa = facets(a), fb = facets(b);
    for (const Facet& s : fa)
      for (const Facet& r : fb) {
        // Triangles whose boxes are apart share nothing (a shortcut of the
        // loop over all pairs, not of the intersection).
        auto apart = [&](auto axis) {
          const double sl = std::min({axis(s.c[0]), axis(s.c[1]), axis(s.c[2])});
          const double sh = std::max({axis(s.c[0]), axis(s.c[1]), axis(s.c[2])});
          const double rl = std::min({axis(r.c[0]), axis(r.c[1]), axis(r.c[2])});
          const double rh = std::max({axis(r.c[0]), axis(r.c[1]), axis(r.c[2])});
          return sh < rl || rh < sl;
        };
        if (apart([](const Vertex& v) { return v.x; }) || apart([](const Vertex& v) { return v.y; })) continue;
        const Poly ps = polygon({{s.c[0].x, s.c[0].y}, {s.c[1].x, s.c[1].y}, {s.c[2].x, s.c[2].y}});
        const Poly pr = polygon({{r.c[0].x, r.c[0].y}, {r.c[1].x, r.c[1].y}, {r.c[2].x, r.c[2].y}});
        std::vector<Poly> parts;
        bg::intersection(ps, pr, parts);
        if (fenced) {
          std::vector<Poly> in;
          for (const Poly& p : parts) bg::intersection(p, f, in);
          parts = in;
        }
        for (const Poly& p : parts) {
          area += bg::area(p);
          // The half-plane d >= 0 within the part's box, as a polygon.
          const auto d = [&](double x, double y) { return plane_at(s, x, y) - plane_at(r, x, y); };
          bg::model::box<Pt> box;
          bg::envelope(p, box);
          std::vector<Pt> corners, up;
          const Pt lo = box.min_corner(), hi = box.max_corner();
          corners = {{lo.x() - 1, lo.y() - 1}, {hi.x() + 1, lo.y() - 1}, {hi.x() + 1, hi.y() + 1}, {lo.x() - 1, hi.y() + 1}};
          for (std::size_t k = 0; k < 4; ++k) {
            const Pt &c = corners[k], &e = corners[(k + 1) % 4];
            const double dc = d(c.x(), c.y()), de = d(e.x(), e.y());
            if (dc >= 0) up.push_back(c);
            if ((dc > 0 && de < 0) || (dc < 0 && de > 0)) {
              const double t = dc / (dc - de);
              up.push_back(Pt(c.x() + t * (e.x() - c.x()), c.y() + t * (e.y() - c.y())));
            }
          }
          double part_above = 0, part_above_area = 0;
          if (up.size() >= 3) {
            std::vector<Poly> pos;
            bg::intersection(p, polygon(up), pos);
            for (const Poly& q : pos) {
              Pt centre;
              bg::centroid(q, centre);
              part_above += bg::area(q) * d(centre.x(), centre.y());
              part_above_area += bg::area(q);
            }
          }
          Pt centre;
          bg::centroid(p, centre);
          const double net = bg::area(p) * d(centre.x(), centre.y());
          above += part_above;
          above_area += part_above_area;
          below += part_above - net;
        }
      }
    ASSERT_GT(above, 1);
    ASSERT_GT(below, 1);
    EXPECT_NEAR(v.common_area, area, 1e-7 * area) << fenced;
    EXPECT_NEAR(v.above.volume, above, 1e-7 * area) << fenced;
    EXPECT_NEAR(v.below.volume, below, 1e-7 * area) << fenced;
    EXPECT_NEAR(v.above.area, above_area, 1e-7 * area) << fenced;
  }
}

TEST(Volume, SliversAcrossABoundary) {
  // Survey lines 10 m apart with a point every 0.4 m, the two surveys'
  // lines crossing: triangles 10 m long and 0.4 m wide, cut into slivers of
  // millimetres where they cross the boundary's outline. Two planes h apart:
  // inside a boundary within both, its area and h times it, to the digit.
#ifdef SURVEY_SANITIZE
  const int along = 201;  // 80 m
#else
  const int along = 501;  // 200 m
#endif
  const double h = 0.75, side = (along - 1) * 0.4;
  const Height plane = [](double x, double y) { return -9 + 0.003 * (x - kE) + 0.001 * (y - kN); };
  const Height lifted = [&](double x, double y) { return plane(x, y) + h; };
  const int lines = static_cast<int>(side / 10) + 1;
  const Tin a = lattice(kE, kN, 0.4, 0.003, 0, 10, along, lines, lifted);
  const Tin b = lattice(kE + 0.13, kN - 0.21, 10, 0.002, 0.001, 0.4, lines + 1, along + 2, plane);
  const double u = side / 200;  // the boundary scaled to the area
  const BoundaryCheck fence = make_boundary({{kE + 9.5 * u, kN + 10.25 * u},
                                             {kE + 189.5 * u, kN + 20.125 * u},
                                             {kE + 179.5 * u, kN + 100.5 * u},
                                             {kE + 194.5 * u, kN + 190.75 * u},
                                             {kE + 89.5 * u, kN + 170.5 * u},
                                             {kE + 14.5 * u, kN + 195.25 * u}});
  ASSERT_EQ(fence.why, "");
  const double area = boundary_area(fence.boundary);
  const Volumes v = volumes_against_surface(a, b, &fence.boundary);
  expect_rel(v.common_area, area);
  expect_rel(v.above.area, area);
  expect_rel(v.above.volume, h * area);
  EXPECT_EQ(v.below.volume, 0);
}

TEST(Volume, BoundaryChecks) {
  struct Case {
    std::vector<Corner> corners;
    const char* why;  // the start of the message, "" when accepted
    std::size_t bad;
  };
  const Case cases[] = {
      {{{0, 0}, {10, 0}, {10, 10}}, "", 0},
      {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, "", 0},  // clockwise, closed
      {{{0, 0}, {10, 0}, {10, 0}, {10, 10}}, "", 0},              // a corner twice
      {{{0, 0}, {10, 0}}, "a boundary needs at least 3", 1},
      {{{0, 0}, {10, 0}, {0, 0}}, "a boundary needs at least 3", 2},
      {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}, "the boundary crosses itself", 3},  // a bow tie
      {{{0, 0}, {10, 0}, {10, 10}, {5, -5}, {0, 10}}, "the boundary crosses itself", 3},
      {{{0, 0}, {10, 0}, {5, 0}, {5, 5}}, "the boundary turns back", 1},
      {{{0, 0}, {10, 0}, {20, 0}}, "the boundary turns back", 0},  // the closing edge
      {{{0, 0}, {10, 0}, {20, 0}, {10, 0}}, "the boundary crosses itself", 3},  // touches
  };
  for (const Case& c : cases) {
    const BoundaryCheck b = make_boundary(c.corners);
    EXPECT_EQ(b.why.substr(0, std::string(c.why).size()), c.why) << b.why;
    if (*c.why) {
      EXPECT_EQ(b.bad_corner, c.bad) << c.why;
    } else {
      EXPECT_GT(boundary_area(b.boundary), 0);
    }
  }
}

TEST(Volume, MaskRowKeepsTheCentresInsideTheBoundary) {
  // A grid over a triangle of a boundary, every cell given a height: those
  // whose centre lies outside the triangle become NaN, the rest keep theirs.
  const double px[3] = {2, 12, 4}, py[3] = {2, 3, 14};
  const BoundaryCheck b = make_boundary({{kE + px[0], kN + py[0]}, {kE + px[1], kN + py[1]}, {kE + px[2], kN + py[2]}});
  ASSERT_EQ(b.why, "");
  const Grid g{0.5, kE, kN, 30, 32};
  int inside = 0;
  for (std::int64_t row = 0; row < g.rows; ++row) {
    std::vector<double> heights(g.columns, 1.0);
    mask_row(b.boundary, g, row, heights);
    const double y = (g.rows - 1 - row + 0.5) * g.cell;  // row 0 at the top
    for (std::int64_t i = 0; i < g.columns; ++i) {
      const double x = (i + 0.5) * g.cell;
      double side[3];
      for (int k = 0; k < 3; ++k) {
        const int e = (k + 1) % 3;
        side[k] = (px[e] - px[k]) * (y - py[k]) - (py[e] - py[k]) * (x - px[k]);
      }
      if (side[0] > 1e-9 && side[1] > 1e-9 && side[2] > 1e-9) {
        ++inside;
        EXPECT_EQ(heights[i], 1.0) << x << " " << y;
      } else if (side[0] < -1e-9 || side[1] < -1e-9 || side[2] < -1e-9) {
        EXPECT_TRUE(std::isnan(heights[i])) << x << " " << y;
      }
    }
  }
  EXPECT_GT(inside, 150);
}

}  // namespace
}  // namespace surface
