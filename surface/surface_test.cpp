// The surface against models that are known exactly: planes (every height and
// every contour point on the plane), a cone (closed circles), the Delaunay
// empty-circle property, trimming, and the degenerate inputs.
#include "surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace surface {
namespace {

struct Random {  // xorshift64: the same numbers on every run
  std::uint64_t s;
  double operator()() {  // in [0, 1)
    s ^= s << 13, s ^= s >> 7, s ^= s << 17;
    return static_cast<double>(s >> 11) / 9007199254740992.0;
  }
};

std::vector<Vertex> random_points(int n, double width, double height, std::uint64_t seed) {
  Random r{seed};
  std::vector<Vertex> v;
  for (int i = 0; i < n; ++i) v.push_back({r() * width, r() * height, 0});
  return v;
}

// Survey-like: lines 40 m apart, a point every metre, with some jitter.
std::vector<Vertex> survey_lines(int lines, double length, std::uint64_t seed) {
  Random r{seed};
  std::vector<Vertex> v;
  for (int l = 0; l < lines; ++l)
    for (double s = 0; s <= length; s += 1) v.push_back({s, 40.0 * l + (r() - 0.5), 0});
  return v;
}

Tin tin_of(std::vector<Vertex> records, double (*z)(double, double), double max_edge = 50) {
  for (Vertex& v : records) v.z = z(v.x, v.y);
  PointSet points = take_points(records);
  for (Vertex& v : points.vertices) v.z = z(v.x, v.y);  // on the centimetre grid
  return build_tin(std::move(points.vertices), max_edge);
}

double plane(double x, double y) { return 0.03 * x - 0.05 * y - 12.5; }

TEST(Points, TakenToTheCentimetreKeepingTheShallowest) {
  const std::vector<Vertex> records = {{1.004, 2, -5}, {1.0, 2.001, -3}, {1.01, 2, -7}, {0.995, 2, -9}};
  const PointSet p = take_points(records);
  EXPECT_EQ(p.records, 4);
  EXPECT_EQ(p.merged, 2);  // 1.004 and 0.995 round to 1.00 as 1.0 does
  ASSERT_EQ(p.vertices.size(), 2u);
  EXPECT_EQ(p.vertices[0].x, 1.0);
  EXPECT_EQ(p.vertices[0].z, -3);
  EXPECT_EQ(p.vertices[1].x, 1.01);
}

TEST(Planes, EveryGridCellAndContourPointLiesOnThePlane) {
  for (const auto& records : {random_points(3000, 300, 200, 7), survey_lines(5, 300, 9)}) {
    const Tin tin = tin_of(records, plane);
    ASSERT_EQ(tin.state, TinState::kBuilt);
    ASSERT_GT(tin.triangles.size(), 1000u);
    const Grid grid = grid_over(tin, 1);
    EXPECT_EQ(std::fmod(grid.x0, 1.0), 0);
    std::int64_t inside = 0, rows = 0;
    const Locator loc = make_locator(tin);
    sample_rows(tin, grid, [&](std::int64_t r, std::span<const double> h) {
      EXPECT_EQ(r, rows++);
      ASSERT_EQ(static_cast<std::int64_t>(h.size()), grid.columns);
      const double y = grid.y0 + (static_cast<double>(grid.rows - 1 - r) + 0.5) * grid.cell;
      for (std::size_t c = 0; c < h.size(); ++c) {
        const double x = grid.x0 + (static_cast<double>(c) + 0.5) * grid.cell;
        const double at = height_at(tin, loc, x, y);
        EXPECT_EQ(std::isnan(h[c]), std::isnan(at)) << x << " " << y;
        if (std::isnan(h[c])) continue;
        ++inside;
        EXPECT_NEAR(h[c], plane(x, y), 1e-6);
        EXPECT_NEAR(at, plane(x, y), 1e-6);
      }
    });
    EXPECT_EQ(rows, grid.rows);
    EXPECT_GT(inside, grid.rows * grid.columns / 2);
    const auto lines = trace_contours(tin, 1);
    ASSERT_FALSE(lines.empty());
    for (const Contour& c : lines) {
      EXPECT_FALSE(c.closed);  // a plane's contours run from edge to edge
      for (const Point2& p : c.points) EXPECT_NEAR(plane(p.x, p.y), c.level, 1e-6);
    }
  }
}

TEST(Cone, ContoursAreClosedCirclesAroundTheShoal) {
  // A shoal: z = -20 + r / 10 ... rising to -5 at the centre.
  auto cone = [](double x, double y) { return -5 - std::hypot(x - 100, y - 100) / 10; };
  Random r{3};
  std::vector<Vertex> records;
  for (int i = 0; i < 6000; ++i) {
    const double a = r() * 6.283185307179586, d = std::sqrt(r()) * 100;
    records.push_back({100 + d * std::cos(a), 100 + d * std::sin(a), 0});
  }
  const Tin tin = tin_of(records, +[](double x, double y) { return -5 - std::hypot(x - 100, y - 100) / 10; });
  const auto lines = trace_contours(tin, 1);
  int closed = 0;
  for (const Contour& c : lines) {
    const double radius = (-5 - c.level) * 10;
    if (radius > 95) continue;  // the levels that reach the TIN's ragged edge
    ++closed;
    EXPECT_TRUE(c.closed) << c.level;
    EXPECT_FALSE(encloses_deeper(c));
    EXPECT_GT(twice_area(c.points), 0);  // the shallower side, inside, on the left
    for (const Point2& p : c.points) EXPECT_NEAR(std::hypot(p.x - 100, p.y - 100), radius, 0.5);
    EXPECT_NEAR(cone(c.points[0].x, c.points[0].y), c.level, 0.1);
  }
  EXPECT_EQ(closed, 9);  // -6 ... -14
  // The same cone upside down is a hollow: its small rings go with --min-length.
  const Tin hollow = tin_of(records, +[](double x, double y) { return -25 + std::hypot(x - 100, y - 100) / 10; });
  auto rings = trace_contours(hollow, 1);
  const std::size_t before = rings.size();
  for (const Contour& c : rings) {
    if ((c.level + 25) * 10 < 95) {
      EXPECT_TRUE(encloses_deeper(c));
    }
  }
  EXPECT_EQ(drop_small_hollows(rings, 2 * 3.1416 * 35), 3);  // radii 10, 20, 30
  EXPECT_EQ(rings.size(), before - 3);
}

TEST(Delaunay, NoVertexInsideACircumcircle) {
  const Tin tin = tin_of(random_points(400, 100, 100, 11), plane, 1e9);
  // Euler: a triangulation of n points with h on the hull has 2n - 2 - h triangles.
  const auto loops = outline(tin);
  ASSERT_EQ(loops.size(), 1u);
  const auto hull = static_cast<std::int64_t>(loops[0].size()) - 1;
  EXPECT_EQ(static_cast<std::int64_t>(tin.triangles.size()), 2 * 400 - 2 - hull);
  EXPECT_EQ(tin.trimmed, 0);
  for (const Triangle& t : tin.triangles) {
    const Vertex &a = corner(tin, t, 0), &b = corner(tin, t, 1), &c = corner(tin, t, 2);
    for (const Vertex& d : tin.vertices) {
      const double ax = a.x - d.x, ay = a.y - d.y, bx = b.x - d.x, by = b.y - d.y, cx = c.x - d.x, cy = c.y - d.y;
      const double det = (ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
                         (cx * cx + cy * cy) * (ax * by - bx * ay);
      EXPECT_LE(det, 1e-6);
    }
  }
}

TEST(Trimming, NoLongEdgeAndTwoAreasGiveTwoOutlines) {
  std::vector<Vertex> records = random_points(500, 100, 100, 5);
  for (const Vertex& v : random_points(500, 100, 100, 6)) records.push_back({v.x + 300, v.y, 0});
  const Tin tin = tin_of(records, plane, 20);
  EXPECT_GT(tin.trimmed, 0);
  EXPECT_EQ(tin.delaunay, static_cast<std::int64_t>(tin.triangles.size()) + tin.trimmed);
  for (const Triangle& t : tin.triangles)
    for (int i = 0; i < 3; ++i) {
      const Vertex &p = corner(tin, t, i), &q = corner(tin, t, (i + 1) % 3);
      EXPECT_LE(std::hypot(p.x - q.x, p.y - q.y), 20);
    }
  int outer = 0;
  for (const auto& loop : outline(tin)) {
    EXPECT_EQ(loop.front().x, loop.back().x);
    outer += twice_area(loop) > 0;
  }
  EXPECT_EQ(outer, 2);
}

TEST(Degenerate, FewPointsOneLineRepeatsFlatAndLevelsAtVertices) {
  struct Case {
    std::vector<Vertex> records;
    TinState state;
    std::size_t triangles;
  };
  const Case cases[] = {
      {{{0, 0, 1}, {1, 1, 1}}, TinState::kTooFew, 0},
      {{{0, 0, 1}, {5, 5, 2}, {0, 0, 3}, {5, 5, 3}}, TinState::kTooFew, 0},
      {{{0, 0, 1}, {1, 1, 1}, {2.004, 2, 1}, {300, 300, 1}}, TinState::kOneLine, 0},  // on the centimetre
      {{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, TinState::kBuilt, 1},
      {{{0, 0, 1}, {1, 1, 1}, {2.01, 2, 1}}, TinState::kBuilt, 1},
  };
  for (const Case& c : cases) {
    const Tin tin = build_tin(take_points(c.records).vertices, 50);
    EXPECT_EQ(tin.state, c.state);
    EXPECT_EQ(tin.triangles.size(), c.triangles);
  }
  // Collinear survey lines and a flat seabed: no contour at all.
  std::vector<Vertex> grid;
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j) grid.push_back({i * 1.0, j * 2.0, -10});
  const Tin flat = build_tin(take_points(grid).vertices, 50);
  EXPECT_EQ(flat.triangles.size(), 2u * 19 * 19);
  EXPECT_TRUE(trace_contours(flat, 1).empty());
  // Every vertex on a level (heights in whole metres): each level gives lines
  // that neither break nor fork: one open line across, its points on the level.
  for (Vertex& v : grid) v.z = -10 + std::floor(v.x / 4);
  const Tin steps = build_tin(take_points(grid).vertices, 50);
  const auto lines = trace_contours(steps, 1);
  ASSERT_EQ(lines.size(), 3u);  // -9, -8, -7: strictly between -10 and -6
  for (const Contour& c : lines) {
    EXPECT_FALSE(c.closed);
    ASSERT_EQ(c.points.size(), 20u) << c.level;  // down the column of vertices at the level
    const double x = (c.level + 10) * 4;
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      EXPECT_EQ(c.points[i].x, x);
      EXPECT_EQ(c.points[i].y, 38 - 2.0 * static_cast<double>(i));  // the higher side, east, on the left
    }
  }
}

// Whether a line runs out and straight back anywhere (p q p), round its
// seam too when it is closed.
bool doubles_back(const Contour& c) {
  std::vector<Point2> p = c.points;
  if (c.closed && p.size() > 2) p.insert(p.end(), {p[1]});  // p[0] == p[n - 1]: the seam's three points
  for (std::size_t i = 2; i < p.size(); ++i)
    if (p[i].x == p[i - 2].x && p[i].y == p[i - 2].y) return true;
  return false;
}

// Vertices exactly at a contour's level along a ridge, with deeper water all
// round, bound no area: whatever the ridge's shape, no line is drawn there,
// and a ridge that runs out of a shoal leaves the shoal's line without it.
TEST(Contours, ARidgeAtTheLevelGivesNoLine) {
  struct Case {
    const char* what;
    std::vector<Vertex> at_level;  // z -9
    std::vector<Vertex> shoal;     // z -8
    std::size_t lines;             // at -9 west of x = 60: round an area
  };
  const Case cases[] = {
      {"three vertices, a bend", {{0, 0, 0}, {10, 1, 0}, {20, 0, 0}}, {}, 0},
      {"two vertices", {{0, 0, 0}, {10, 1, 0}}, {}, 0},
      {"one vertex", {{10, 1, 0}}, {}, 0},
      {"four in a row", {{0, 0, 0}, {7, 0.5, 0}, {14, 0, 0}, {21, 0.5, 0}}, {}, 0},
      {"a fork", {{10, 0, 0}, {2, 4, 0}, {18, 4, 0}, {10, -6, 0}}, {}, 0},
      {"a spur out of a shoal", {{8, 0, 0}, {14, 0.5, 0}}, {{-4, -2, 0}, {2, -2, 0}, {-1, 3, 0}}, 1},
      // Two triangles with every corner at -9 (scipy's Delaunay has them):
      // flat at the level, an area above it.
      {"flat triangles at the level", {{10, 0, 0}, {3, 3, 0}, {17, 3, 0}, {10, -4, 0}}, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Deeper water all round (every 10 m, 8 m and more off y = 0, so that
    // the ridge's edges are Delaunay edges), and a shoal at (100, 0) rising
    // above -9, so that -9 is a level between the extremes.
    std::vector<Vertex> v;
    for (double x = -25; x <= 135; x += 10)
      for (const double y : {-20, -8, 8, 20}) v.push_back({x, y, -12});
    v.push_back({100, 0, -5});
    for (Vertex p : c.at_level) v.push_back({p.x, p.y, -9});
    for (Vertex p : c.shoal) v.push_back({p.x, p.y, -8});
    const Tin tin = build_tin(take_points(v).vertices, 1e9);
    std::vector<Contour> at_level;
    for (Contour& line : trace_contours(tin, 1))
      if (line.level == -9) at_level.push_back(line);
    for (const Contour& line : at_level) {
      EXPECT_TRUE(line.closed);
      EXPECT_FALSE(doubles_back(line));
      EXPECT_GT(twice_area(line.points), 1);  // around shallower water
    }
    ASSERT_EQ(at_level.size(), c.lines + 1);
    if (!c.shoal.empty()) {  // round the shoal, without the spur's tip at x = 14
      for (const Point2& p : at_level[0].points) EXPECT_LT(p.x, 14);
    }
    for (const Point2& p : at_level.back().points) EXPECT_NEAR(std::hypot(p.x - 100, p.y), 5, 2);
  }
}

// Heights in whole metres put many vertices exactly on the levels: no line
// runs out and back, no closed line is without area, and every point of a
// line lies on its level.
TEST(Contours, VerticesOnTheLevelsNeverGiveLinesWithoutArea) {
  for (const std::uint64_t seed : {21u, 22u, 23u}) {
    Random r{seed};
    std::vector<Vertex> records = random_points(1500, 200, 150, seed);
    for (Vertex& v : records) v.z = -10 + std::floor(r() * 3);  // -10, -9 or -8
    const PointSet points = take_points(records);
    const Tin tin = build_tin(points.vertices, 1e9);
    const Locator loc = make_locator(tin);
    int lines = 0;
    for (const Contour& c : trace_contours(tin, 1)) {
      ++lines;
      EXPECT_FALSE(doubles_back(c)) << c.level;
      if (c.closed) {
        EXPECT_NE(twice_area(c.points), 0) << c.level;
      }
      for (const Point2& p : c.points) EXPECT_NEAR(height_at(tin, loc, p.x, p.y), c.level, 1e-9);
    }
    EXPECT_GT(lines, 20);
  }
}

// Profiles along lines over a plane on a grid of 5 m (an edge every 5 m
// along x and y, diagonals between): the stretches join without gaps or
// overlaps where the line is over the TIN, every height is the plane's, and
// the line's parts off the TIN are left out.
TEST(Profiles, StretchesCoverTheLineOverTheTinWithThePlanesHeights) {
  std::vector<Vertex> grid;
  for (int i = 0; i <= 20; ++i)
    for (int j = 0; j <= 20; ++j) grid.push_back({5.0 * i, 5.0 * j, 0});
  const Tin tin = tin_of(grid, plane);
  const Locator loc = make_locator(tin);
  struct Case {
    Point2 a, b;
    double covered_from, covered_to;  // metres along the line over the TIN
  };
  const Case cases[] = {
      {{10, 10}, {90, 70}, 0, 100},               // across the triangles
      {{-20, 35}, {120, 35}, 20, 120},            // beyond both sides: 0 .. 100 in x
      {{25, -10}, {25, 110}, 10, 110},            // along the edges x = 25
      {{0, 0}, {100, 100}, 0, std::sqrt(2) * 100},  // along diagonals, or across them
      {{130, 10}, {150, 90}, 0, 0},               // off the TIN
  };
  for (const Case& c : cases) {
    const std::vector<ProfileSpan> spans = profile_along(tin, loc, c.a, c.b);
    const double length = std::hypot(c.b.x - c.a.x, c.b.y - c.a.y);
    if (c.covered_to == 0) {
      EXPECT_TRUE(spans.empty());
      continue;
    }
    ASSERT_FALSE(spans.empty());
    EXPECT_NEAR(spans.front().t0, c.covered_from, 1e-9);
    EXPECT_NEAR(spans.back().t1, c.covered_to, 1e-9);
    for (std::size_t i = 0; i < spans.size(); ++i) {
      const ProfileSpan& s = spans[i];
      EXPECT_LT(s.t0, s.t1);
      if (i > 0) {
        EXPECT_NEAR(s.t0, spans[i - 1].t1, 1e-9) << i;
      }
      for (const auto& [t, z] : {std::pair{s.t0, s.z0}, std::pair{s.t1, s.z1}}) {
        const double x = c.a.x + t * (c.b.x - c.a.x) / length, y = c.a.y + t * (c.b.y - c.a.y) / length;
        EXPECT_NEAR(z, plane(x, y), 1e-9);
      }
    }
  }
}

}  // namespace
}  // namespace surface
