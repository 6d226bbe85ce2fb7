// The surface's plain parts: the points, the heights, the contours and the
// outline, on the arrays that tin.cpp hands out.
#include "surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fixed_notation.h"
#include "text_file.h"
#include "xyz_records.h"

namespace surface {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Keyed {
  std::int64_t x = 0;  // centimetres
  std::int64_t y = 0;
  double z = 0;
};

// A coordinate to the centimetre, by the rule the lists are written with.
std::int64_t to_centimetres(double v) { return std::llround(survey_rt::fixed_value(v, 2) * 100); }

// The plane of a triangle: z = z0 + a (x - x0) + b (y - y0).
struct Plane {
  double x0 = 0, y0 = 0, z0 = 0, a = 0, b = 0;
};

Plane plane_of(const Tin& tin, const Triangle& t) {
  const Vertex& p = corner(tin, t, 0);
  const Vertex& q = corner(tin, t, 1);
  const Vertex& r = corner(tin, t, 2);
  const double dx1 = q.x - p.x, dy1 = q.y - p.y, dz1 = q.z - p.z;
  const double dx2 = r.x - p.x, dy2 = r.y - p.y, dz2 = r.z - p.z;
  const double det = dx1 * dy2 - dx2 * dy1;  // > 0: counter-clockwise
  Plane e{p.x, p.y, p.z, 0, 0};
  e.a = (dz1 * dy2 - dz2 * dy1) / det;
  e.b = (dx1 * dz2 - dx2 * dz1) / det;
  return e;
}

double height_on(const Plane& e, double x, double y) { return e.z0 + e.a * (x - e.x0) + e.b * (y - e.y0); }

// Takes out of a traced line every stretch that runs out and straight back
// (... p q p ...: q and p both dropped for the one p), which is all a contour
// traces along a ridge of vertices exactly at its level with deeper water on
// both sides: such a stretch bounds no area. A closed line is taken round
// (its last point, equal to its first, set aside while it is done). What is
// left of a line that enclosed or bounded nothing is a single point.
void drop_doubled_back(std::vector<Point2>& points, bool closed) {
  auto same = [](const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; };
  if (closed && points.size() > 1 && same(points.front(), points.back())) points.pop_back();
  std::vector<Point2> kept;
  kept.reserve(points.size());
  for (const Point2& p : points) {
    if (kept.size() >= 2 && same(kept[kept.size() - 2], p))
      kept.pop_back();  // back where it was: q goes, and p is there already
    else
      kept.push_back(p);
  }
  if (closed) {
    // Round the seam: the first point between the last and the second, or the
    // last between the one before it and the first.
    std::size_t first = 0;
    for (;;) {
      const std::size_t n = kept.size() - first;
      if (n >= 3 && same(kept.back(), kept[first + 1])) {
        first += 1;  // the first point goes; the second stands on the last
        kept.pop_back();
      } else if (n >= 3 && same(kept[kept.size() - 2], kept[first])) {
        kept.pop_back();  // the last point goes; the one before it stands on the first
        kept.pop_back();
      } else {
        break;
      }
    }
    kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(first));
    if (kept.size() >= 3) kept.push_back(kept.front());
    if (kept.size() < 4) kept.resize(std::min<std::size_t>(kept.size(), 1));  // no area left
  }
  points = std::move(kept);
}

// The cross product (q - p) x (r - p).
double cross(double px, double py, double qx, double qy, double rx, double ry) {
  return (qx - px) * (ry - py) - (rx - px) * (qy - py);
}

}  // namespace

// --- Points ------------------------------------------------------------

PointSet take_points(std::span<const Vertex> records) {
  std::vector<Keyed> keyed(records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    keyed[i] = {to_centimetres(records[i].x), to_centimetres(records[i].y), records[i].z};
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  PointSet points;
  points.records = static_cast<std::int64_t>(records.size());
  std::size_t n = 0;  // distinct positions in keyed[0, n)
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    if (n > 0 && keyed[n - 1].x == keyed[i].x && keyed[n - 1].y == keyed[i].y) {
      keyed[n - 1].z = std::max(keyed[n - 1].z, keyed[i].z);  // the shallowest
      ++points.merged;
    } else {
      keyed[n++] = keyed[i];
    }
  }
  points.vertices.resize(n);
  for (std::size_t i = 0; i < n; ++i)
    points.vertices[i] = {static_cast<double>(keyed[i].x) / 100, static_cast<double>(keyed[i].y) / 100, keyed[i].z};
  return points;
}

ReadResult read_points(std::string_view path, PointSet& points,
                       const std::function<void(std::int64_t records)>& progress) {
  using namespace survey_rt;
  ReadResult result;
  std::vector<Vertex> records;
  TextFile f;
  open_input(f, path);
  io_check();
  while (!at_end_checked(f)) {
    Vertex v;
    read_xyz(f, v.x, v.y, v.z);
    records.push_back(v);
    if (!(std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate && std::isfinite(v.z))) {
      result.bad_record = static_cast<std::int64_t>(records.size());
      break;
    }
    if (progress && (records.size() & 0xFFFF) == 0) progress(static_cast<std::int64_t>(records.size()));
  }
  close_file(f);
  io_check();
  if (progress) progress(static_cast<std::int64_t>(records.size()));
  if (result.bad_record == 0) points = take_points(records);
  return result;
}

// --- Heights -----------------------------------------------------------

Locator make_locator(const Tin& tin) {
  Locator loc;
  if (tin.triangles.empty()) return loc;
  double xl = std::numeric_limits<double>::infinity(), yl = xl, xh = -xl, yh = -xl;
  for (const Triangle& t : tin.triangles)
    for (int i = 0; i < 3; ++i) {
      const Vertex& v = corner(tin, t, i);
      xl = std::min(xl, v.x), xh = std::max(xh, v.x), yl = std::min(yl, v.y), yh = std::max(yh, v.y);
    }
  const double count = static_cast<double>(tin.triangles.size());
  // About one triangle a bucket to begin with; larger buckets while the
  // triangles (long thin ones across survey lines) would fill too many.
  double size = std::max(std::sqrt((xh - xl) * (yh - yl) / count), 1e-3);
  auto span_of = [&](double lo, double origin) { return static_cast<std::int64_t>(std::floor((lo - origin) / size)); };
  for (;;) {
    double items = 0;
    for (const Triangle& t : tin.triangles) {
      double txl = corner(tin, t, 0).x, txh = txl, tyl = corner(tin, t, 0).y, tyh = tyl;
      for (int i = 1; i < 3; ++i) {
        txl = std::min(txl, corner(tin, t, i).x), txh = std::max(txh, corner(tin, t, i).x);
        tyl = std::min(tyl, corner(tin, t, i).y), tyh = std::max(tyh, corner(tin, t, i).y);
      }
      items += static_cast<double>((span_of(txh, xl) - span_of(txl, xl) + 1) * (span_of(tyh, yl) - span_of(tyl, yl) + 1));
    }
    const double buckets = (std::floor((xh - xl) / size) + 1) * (std::floor((yh - yl) / size) + 1);
    if (items <= 4 * count && buckets <= 4 * count + 16) break;
    size *= 1.5;
  }
  loc.x0 = xl, loc.y0 = yl, loc.size = size;
  loc.columns = span_of(xh, xl) + 1;
  loc.rows = span_of(yh, yl) + 1;
  const auto buckets = static_cast<std::size_t>(loc.columns * loc.rows);
  loc.first.assign(buckets + 1, 0);
  // Two passes: count the triangles of each bucket, then place them.
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::uint32_t> fill;
    if (pass == 1) {
      for (std::size_t b = 0; b < buckets; ++b) loc.first[b + 1] += loc.first[b];
      loc.items.resize(loc.first[buckets]);
      fill.assign(loc.first.begin(), loc.first.end() - 1);
    }
    for (std::size_t k = 0; k < tin.triangles.size(); ++k) {
      const Triangle& t = tin.triangles[k];
      double txl = corner(tin, t, 0).x, txh = txl, tyl = corner(tin, t, 0).y, tyh = tyl;
      for (int i = 1; i < 3; ++i) {
        txl = std::min(txl, corner(tin, t, i).x), txh = std::max(txh, corner(tin, t, i).x);
        tyl = std::min(tyl, corner(tin, t, i).y), tyh = std::max(tyh, corner(tin, t, i).y);
      }
      for (std::int64_t r = span_of(tyl, yl); r <= span_of(tyh, yl); ++r)
        for (std::int64_t c = span_of(txl, xl); c <= span_of(txh, xl); ++c) {
          const auto b = static_cast<std::size_t>(r * loc.columns + c);
          if (pass == 0)
            ++loc.first[b + 1];
          else
            loc.items[fill[b]++] = static_cast<std::uint32_t>(k);
        }
    }
  }
  return loc;
}

double height_at(const Tin& tin, const Locator& loc, double x, double y) {
  if (loc.columns == 0 || !std::isfinite(x) || !std::isfinite(y)) return kNaN;
  const double fc = std::floor((x - loc.x0) / loc.size), fr = std::floor((y - loc.y0) / loc.size);
  // The extent's far edges fall in the last buckets (columns and rows count
  // them in), so every point of the TIN finds its bucket.
  if (fc < 0 || fr < 0 || fc >= static_cast<double>(loc.columns) || fr >= static_cast<double>(loc.rows)) return kNaN;
  const auto b = static_cast<std::size_t>(static_cast<std::int64_t>(fr) * loc.columns + static_cast<std::int64_t>(fc));
  // The triangle that holds the point; on a shared edge, whichever comes
  // first. Rounding may put a point on an edge just outside both triangles:
  // the one it is least outside of takes it then.
  double best = -std::numeric_limits<double>::infinity();
  std::uint32_t best_k = 0;
  for (std::uint32_t i = loc.first[b]; i < loc.first[b + 1]; ++i) {
    const Triangle& t = tin.triangles[loc.items[i]];
    const Vertex& p = corner(tin, t, 0);
    const Vertex& q = corner(tin, t, 1);
    const Vertex& r = corner(tin, t, 2);
    const double w0 = cross(q.x, q.y, r.x, r.y, x, y);
    const double w1 = cross(r.x, r.y, p.x, p.y, x, y);
    const double w2 = cross(p.x, p.y, q.x, q.y, x, y);
    const double area = w0 + w1 + w2;
    const double worst = std::min({w0, w1, w2}) / area;
    if (worst >= 0) return (w0 * p.z + w1 * q.z + w2 * r.z) / area;
    if (worst > best) best = worst, best_k = loc.items[i];
  }
  if (best < -1e-12) return kNaN;
  return height_on(plane_of(tin, tin.triangles[best_k]), x, y);
}

std::vector<ProfileSpan> profile_along(const Tin& tin, const Locator& loc, Point2 a, Point2 b) {
  std::vector<ProfileSpan> spans;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  if (loc.columns == 0 || !(length > 0)) return spans;
  const double dx = (b.x - a.x) / length, dy = (b.y - a.y) / length;
  auto bucket = [&](double v, double v0, std::int64_t n) {
    const double c = std::floor((v - v0) / loc.size);
    return static_cast<std::int64_t>(std::clamp(c, 0.0, static_cast<double>(n - 1)));
  };
  const double xl = std::min(a.x, b.x), xh = std::max(a.x, b.x), yl = std::min(a.y, b.y), yh = std::max(a.y, b.y);
  if (xh < loc.x0 || yh < loc.y0 || xl > loc.x0 + static_cast<double>(loc.columns) * loc.size ||
      yl > loc.y0 + static_cast<double>(loc.rows) * loc.size)
    return spans;
  // The triangles of the buckets the line passes through: in each row of
  // buckets, the columns between where it enters and leaves the row.
  std::vector<std::uint32_t> candidates;
  for (std::int64_t r = bucket(yl, loc.y0, loc.rows); r <= bucket(yh, loc.y0, loc.rows); ++r) {
    double lo = 0, hi = length;
    if (dy != 0) {
      const double t0 = (loc.y0 + static_cast<double>(r) * loc.size - 1e-6 - a.y) / dy;
      const double t1 = (loc.y0 + static_cast<double>(r + 1) * loc.size + 1e-6 - a.y) / dy;
      lo = std::max(lo, std::min(t0, t1));
      hi = std::min(hi, std::max(t0, t1));
    }
    const double x0 = a.x + lo * dx, x1 = a.x + hi * dx, hair = 1e-6;  // a line along a bucket's edge takes both
    for (std::int64_t c = bucket(std::min(x0, x1) - hair, loc.x0, loc.columns);
         c <= bucket(std::max(x0, x1) + hair, loc.x0, loc.columns); ++c) {
      const auto k = static_cast<std::size_t>(r * loc.columns + c);
      candidates.insert(candidates.end(), loc.items.begin() + loc.first[k], loc.items.begin() + loc.first[k + 1]);
    }
  }
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (const std::uint32_t k : candidates) {
    const Triangle& t = tin.triangles[k];
    // The line's stretch inside the triangle: on the left of each edge
    // (counter-clockwise corners), in coordinates from a.
    double lo = 0, hi = length;
    for (int i = 0; i < 3 && lo < hi; ++i) {
      const Vertex& p = corner(tin, t, i);
      const Vertex& q = corner(tin, t, i == 2 ? 0 : i + 1);
      const double ex = q.x - p.x, ey = q.y - p.y;
      const double at_a = ex * (a.y - p.y) - ey * (a.x - p.x);  // cross(e, a - p)
      const double slope = ex * dy - ey * dx;                    // its change per metre along the line
      if (slope == 0) {
        if (at_a < 0) hi = lo;
      } else if (slope > 0) {
        lo = std::max(lo, -at_a / slope);
      } else {
        hi = std::min(hi, -at_a / slope);
      }
    }
    if (!(hi - lo > 1e-9)) continue;
    const Plane e = plane_of(tin, t);
    spans.push_back({lo, hi, height_on(e, a.x + lo * dx, a.y + lo * dy), height_on(e, a.x + hi * dx, a.y + hi * dy)});
  }
  std::sort(spans.begin(), spans.end(), [](const ProfileSpan& p, const ProfileSpan& q) { return p.t0 < q.t0; });
  // A line along a shared edge lies in both triangles, and rounding may let
  // neighbours overlap by a hair: each stretch starts where the last ended.
  std::vector<ProfileSpan> kept;
  for (ProfileSpan s : spans) {
    if (!kept.empty() && s.t0 < kept.back().t1) {
      if (!(s.t1 - kept.back().t1 > 1e-9)) continue;
      const double w = (kept.back().t1 - s.t0) / (s.t1 - s.t0);
      s.z0 += w * (s.z1 - s.z0);
      s.t0 = kept.back().t1;
    }
    kept.push_back(s);
  }
  return kept;
}

Grid grid_over(const Tin& tin, double cell) {
  Grid g;
  g.cell = cell;
  if (tin.triangles.empty()) return g;
  double xl = std::numeric_limits<double>::infinity(), yl = xl, xh = -xl, yh = -xl;
  for (const Triangle& t : tin.triangles)
    for (int i = 0; i < 3; ++i) {
      const Vertex& v = corner(tin, t, i);
      xl = std::min(xl, v.x), xh = std::max(xh, v.x), yl = std::min(yl, v.y), yh = std::max(yh, v.y);
    }
  const double kx0 = std::floor(xl / cell), kx1 = std::ceil(xh / cell);
  const double ky0 = std::floor(yl / cell), ky1 = std::ceil(yh / cell);
  g.x0 = kx0 * cell;
  g.y0 = ky0 * cell;
  g.columns = std::max<std::int64_t>(1, static_cast<std::int64_t>(kx1 - kx0));
  g.rows = std::max<std::int64_t>(1, static_cast<std::int64_t>(ky1 - ky0));
  return g;
}

void sample_rows(const Tin& tin, const Grid& grid,
                 const std::function<void(std::int64_t row, std::span<const double> heights)>& row) {
  // An edge from its lower end p (the left one when level) up to q, with
  // the change in x along it a metre up: the same numbers from either
  // triangle that shares it, so no cell centre falls between the two.
  struct Edge {
    double px = 0, py = 0, qy = 0, slope = 0;
    bool level = false;
  };
  struct Active {
    double y_low = 0;
    Plane plane;
    Edge edges[3];
  };
  std::vector<std::uint32_t> order(tin.triangles.size());
  std::vector<double> top(tin.triangles.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    order[k] = static_cast<std::uint32_t>(k);
    const Triangle& t = tin.triangles[k];
    top[k] = std::max({corner(tin, t, 0).y, corner(tin, t, 1).y, corner(tin, t, 2).y});
  }
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return top[a] > top[b]; });
  std::vector<Active> active;
  std::vector<double> heights(static_cast<std::size_t>(grid.columns));
  std::size_t next = 0;
  const double cell = grid.cell;
  auto centre_x = [&](std::int64_t c) { return grid.x0 + (static_cast<double>(c) + 0.5) * cell; };
  for (std::int64_t r = 0; r < grid.rows; ++r) {
    const double y = grid.y0 + (static_cast<double>(grid.rows - 1 - r) + 0.5) * cell;
    while (next < order.size() && top[order[next]] >= y) {
      const Triangle& t = tin.triangles[order[next]];
      Active a;
      a.y_low = std::min({corner(tin, t, 0).y, corner(tin, t, 1).y, corner(tin, t, 2).y});
      a.plane = plane_of(tin, t);
      for (int e = 0; e < 3; ++e) {
        const Vertex* p = &corner(tin, t, e);
        const Vertex* q = &corner(tin, t, (e + 1) % 3);
        if (p->y > q->y || (p->y == q->y && p->x > q->x)) std::swap(p, q);
        a.edges[e] = {p->x, p->y, q->y, p->y == q->y ? 0 : (q->x - p->x) / (q->y - p->y), p->y == q->y};
        if (a.edges[e].level) a.edges[e].slope = q->x - p->x;  // its length, for the level edge
      }
      active.push_back(a);
      ++next;
    }
    std::fill(heights.begin(), heights.end(), kNaN);
    for (std::size_t i = 0; i < active.size();) {
      if (active[i].y_low > y) {  // below the rest of the rows' line
        active[i] = active.back();
        active.pop_back();
        continue;
      }
      double xl = std::numeric_limits<double>::infinity(), xh = -xl;
      for (const Edge& e : active[i].edges) {
        if (y < e.py || y > e.qy) continue;
        if (e.level) {
          xl = std::min(xl, e.px), xh = std::max(xh, e.px + e.slope);
        } else {
          const double x = e.px + (y - e.py) * e.slope;
          xl = std::min(xl, x), xh = std::max(xh, x);
        }
      }
      if (xl <= xh) {
        auto c = static_cast<std::int64_t>(std::ceil((xl - grid.x0) / cell - 0.5));
        c = std::max<std::int64_t>(c - 1, 0);
        while (c < grid.columns && centre_x(c) < xl) ++c;
        for (; c < grid.columns && centre_x(c) <= xh; ++c)
          heights[static_cast<std::size_t>(c)] = height_on(active[i].plane, centre_x(c), y);
      }
      ++i;
    }
    row(r, heights);
  }
}

// --- Contours ----------------------------------------------------------

std::vector<Contour> trace_contours(const Tin& tin, double interval) {
  std::vector<Contour> lines;
  if (tin.vertices.empty() || tin.triangles.empty() || !(interval > 0)) return lines;
  double z_low = tin.vertices[0].z, z_high = z_low;
  for (const Vertex& v : tin.vertices) z_low = std::min(z_low, v.z), z_high = std::max(z_high, v.z);
  // The levels strictly between the lowest and highest z.
  auto step_above = [&](double z) {  // the least k with k * interval > z
    auto k = static_cast<std::int64_t>(std::floor(z / interval)) - 1;
    while (static_cast<double>(k) * interval <= z) ++k;
    return k;
  };
  auto step_at_or_below = [&](double z) {  // the greatest k with k * interval <= z
    auto k = static_cast<std::int64_t>(std::floor(z / interval)) + 1;
    while (static_cast<double>(k) * interval > z) --k;
    return k;
  };
  const std::int64_t k_first = step_above(z_low);
  std::int64_t k_last = step_at_or_below(z_high);
  if (static_cast<double>(k_last) * interval == z_high) --k_last;
  if (k_last < k_first) return lines;
  const auto levels = static_cast<std::size_t>(k_last - k_first + 1);

  // The triangles each level crosses (some corner below it, some at or
  // above it), gathered per level in two passes.
  std::vector<std::uint32_t> first(levels + 1, 0), crossed;
  auto level_range = [&](const Triangle& t, std::int64_t& a, std::int64_t& b) {
    const double lo = std::min({corner(tin, t, 0).z, corner(tin, t, 1).z, corner(tin, t, 2).z});
    const double hi = std::max({corner(tin, t, 0).z, corner(tin, t, 1).z, corner(tin, t, 2).z});
    a = std::max(step_above(lo), k_first);
    b = std::min(step_at_or_below(hi), k_last);
  };
  for (const Triangle& t : tin.triangles) {
    std::int64_t a = 0, b = 0;
    level_range(t, a, b);
    for (std::int64_t k = a; k <= b; ++k) ++first[static_cast<std::size_t>(k - k_first) + 1];
  }
  for (std::size_t l = 0; l < levels; ++l) first[l + 1] += first[l];
  crossed.resize(first[levels]);
  {
    std::vector<std::uint32_t> fill(first.begin(), first.end() - 1);
    for (std::size_t n = 0; n < tin.triangles.size(); ++n) {
      std::int64_t a = 0, b = 0;
      level_range(tin.triangles[n], a, b);
      for (std::int64_t k = a; k <= b; ++k) crossed[fill[static_cast<std::size_t>(k - k_first)]++] = static_cast<std::uint32_t>(n);
    }
  }

  std::vector<std::uint32_t> seen(tin.triangles.size(), 0);  // the level (from 1) that last passed
  for (std::size_t l = 0; l < levels; ++l) {
    const std::int64_t k = k_first + static_cast<std::int64_t>(l);
    const double h = static_cast<double>(k) * interval;
    const auto stamp = static_cast<std::uint32_t>(l + 1);
    // The edges where the line enters and leaves a crossed triangle: with the
    // lone corner m (alone on its side), the edges beside it, entered so that
    // the higher side lies on the left.
    auto ends = [&](const Triangle& t, int& in, int& out) {
      const bool a0 = corner(tin, t, 0).z >= h, a1 = corner(tin, t, 1).z >= h, a2 = corner(tin, t, 2).z >= h;
      const int m = a1 == a2 ? 0 : (a0 == a2 ? 1 : 2);
      const bool above = m == 0 ? a0 : (m == 1 ? a1 : a2);
      in = above ? (m + 2) % 3 : (m + 1) % 3;
      out = above ? (m + 1) % 3 : (m + 2) % 3;
    };
    auto cut = [&](const Triangle& t, int e) {  // the level's point on the edge opposite corner e
      const Vertex* p = &corner(tin, t, (e + 1) % 3);
      const Vertex* q = &corner(tin, t, (e + 2) % 3);
      if (p->z >= h) std::swap(p, q);  // p below, q at or above
      if (q->z == h) return Point2{q->x, q->y};
      const double s = (h - p->z) / (q->z - p->z);
      return Point2{p->x + s * (q->x - p->x), p->y + s * (q->y - p->y)};
    };
    auto add = [](std::vector<Point2>& pts, Point2 p) {
      if (pts.empty() || pts.back().x != p.x || pts.back().y != p.y) pts.push_back(p);
    };
    auto trace = [&](std::uint32_t start, bool open) {
      Contour c;
      c.level = h;
      c.step = k;
      int in = 0, out = 0;
      ends(tin.triangles[start], in, out);
      add(c.points, cut(tin.triangles[start], in));
      std::uint32_t n = start;
      for (;;) {
        const Triangle& t = tin.triangles[n];
        ends(t, in, out);
        add(c.points, cut(t, out));
        seen[n] = stamp;
        const std::int32_t next = t.n[out];
        if (next < 0 || seen[static_cast<std::size_t>(next)] == stamp) break;
        n = static_cast<std::uint32_t>(next);
      }
      c.closed = !open;
      drop_doubled_back(c.points, c.closed);
      if (c.points.size() >= 2) lines.push_back(std::move(c));
    };
    const std::uint32_t* begin = crossed.data() + first[l];
    const std::uint32_t* end = crossed.data() + first[l + 1];
    for (const std::uint32_t* p = begin; p != end; ++p) {
      int in = 0, out = 0;
      ends(tin.triangles[*p], in, out);
      if (tin.triangles[*p].n[in] < 0) trace(*p, true);
    }
    for (const std::uint32_t* p = begin; p != end; ++p)
      if (seen[*p] != stamp) trace(*p, false);
  }
  return lines;
}

double line_length(std::span<const Point2> points) {
  double length = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    length += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
  return length;
}

double twice_area(std::span<const Point2> points) {
  if (points.empty()) return 0;
  double sum = 0;
  const Point2 o = points[0];  // relative to the first point, for precision
  for (std::size_t i = 1; i + 1 < points.size(); ++i)
    sum += (points[i].x - o.x) * (points[i + 1].y - o.y) - (points[i + 1].x - o.x) * (points[i].y - o.y);
  return sum;
}

bool encloses_deeper(const Contour& c) { return c.closed && twice_area(c.points) < 0; }

std::int64_t drop_small_hollows(std::vector<Contour>& contours, double min_length) {
  const auto before = contours.size();
  std::erase_if(contours, [&](const Contour& c) { return encloses_deeper(c) && line_length(c.points) < min_length; });
  return static_cast<std::int64_t>(before - contours.size());
}

// --- Outline -----------------------------------------------------------

std::vector<std::vector<Point2>> outline(const Tin& tin) {
  std::vector<std::vector<Point2>> loops;
  std::vector<std::uint8_t> done(tin.triangles.size(), 0);  // bit e: the edge opposite corner e is taken
  auto index_of = [&](const Triangle& t, std::uint32_t v) { return t.v[0] == v ? 0 : (t.v[1] == v ? 1 : 2); };
  for (std::size_t s = 0; s < tin.triangles.size(); ++s)
    for (int se = 0; se < 3; ++se) {
      if (tin.triangles[s].n[se] >= 0 || (done[s] >> se & 1)) continue;
      std::vector<Point2> loop;
      auto t = static_cast<std::uint32_t>(s);
      int e = se;
      const Vertex& v0 = tin.vertices[tin.triangles[s].v[(se + 1) % 3]];
      loop.push_back({v0.x, v0.y});
      while (!(done[t] >> e & 1)) {
        done[t] = static_cast<std::uint8_t>(done[t] | 1 << e);
        const std::uint32_t b = tin.triangles[t].v[(e + 2) % 3];  // the edge's end
        loop.push_back({tin.vertices[b].x, tin.vertices[b].y});
        // Turn about b through the kept triangles to the next edge of the outline.
        int j = (e + 2) % 3;
        while (tin.triangles[t].n[(j + 2) % 3] >= 0) {
          t = static_cast<std::uint32_t>(tin.triangles[t].n[(j + 2) % 3]);
          j = index_of(tin.triangles[t], b);
        }
        e = (j + 2) % 3;
      }
      loops.push_back(std::move(loop));
    }
  return loops;
}

}  // namespace surface
