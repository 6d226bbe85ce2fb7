#include "qc.h"

#include <algorithm>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/point.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <cmath>
#include <iterator>
#include <numbers>

namespace survey_qc {

namespace {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using BoxPoint = bg::model::point<double, 2, bg::cs::cartesian>;
using Box = bg::model::box<BoxPoint>;
using Value = std::pair<Box, std::uint32_t>;

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;
// Headings a hair beyond a limit (from rounding) still count as within it.
constexpr double kAngleSlack = 1e-9;

bool finite(const Point& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

double distance(const Point& a, const Point& b) { return std::hypot(b.x - a.x, b.y - a.y); }

bool same_place(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }

// A step that belongs to a line: finite records at most max_gap apart.
bool joined(const Point& a, const Point& b, double max_gap) {
  return finite(a) && finite(b) && distance(a, b) <= max_gap;
}

double heading_of(const Point& a, const Point& b) {
  double h = std::atan2(b.y - a.y, b.x - a.x);
  if (h < 0) h += kPi;
  if (h >= kPi) h -= kPi;
  return h;
}

// Cuts the stretch of records s..e (no gap in it) at its turns and adds its
// pieces to lines.
void cut_stretch(const std::vector<Point>& p, std::int32_t s, std::int32_t e, const LineRules& rules,
                 std::vector<Line>& lines) {
  if (e <= s) return;
  std::vector<double> along(static_cast<std::size_t>(e - s + 1));  // distance from record s
  for (std::int32_t i = s + 1; i <= e; ++i) along[i - s] = along[i - s - 1] + distance(p[i - 1], p[i]);
  const auto at = [&](std::int32_t i) { return along[static_cast<std::size_t>(i - s)]; };
  const double cos_turn = std::cos(rules.turn * kDegree);
  const double shortest = rules.span / 4;
  auto add_piece = [&](std::int32_t a, std::int32_t b) {
    if (at(b) == at(a)) return;  // all at one place: no piece of line
    Line l;
    l.first = a;
    l.last = b;
    l.length = at(b) - at(a);
    l.heading = heading_of(p[a], p[b]);
    l.kind = l.length >= rules.min_line ? Kind::main : Kind::short_piece;
    lines.push_back(l);
  };
  std::int32_t start = s, back = s, ahead = s;
  for (std::int32_t i = s + 1; i < e; ++i) {
    if (same_place(p[i], p[i - 1])) continue;  // a repeated fix: the place was judged at its first record
    while (back + 1 < i && at(i) - at(back + 1) >= rules.span) ++back;
    if (ahead < i) ahead = i;
    while (ahead < e && at(ahead) - at(i) < rules.span) ++ahead;
    const double bx = p[i].x - p[back].x, by = p[i].y - p[back].y;
    const double ax = p[ahead].x - p[i].x, ay = p[ahead].y - p[i].y;
    const double bl = std::hypot(bx, by), al = std::hypot(ax, ay);
    if (bl < shortest || al < shortest) continue;
    if (bx * ax + by * ay < cos_turn * bl * al) {
      add_piece(start, i);
      start = i;
    }
  }
  add_piece(start, e);
}

// Which side of the straight line through s and e the point q lies on:
// positive on the left, 0 on it. The same three points always give the same
// value, so the two steps that meet at a record judge it alike.
double side(const Point& s, const Point& e, const Point& q) {
  return (e.x - s.x) * (q.y - s.y) - (e.y - s.y) * (q.x - s.x);
}

// Whether the step from p[i] to p[i + 1] of a line that ends at record last
// passes from one side of the straight line through s and e to the other;
// o0 and o1 get the sides of its two records. A step that starts on that line
// never does (the step before it had the crossing); one that ends on it does
// when the line's next record at another place (past repeated fixes) lies on
// the other side.
bool passes(const std::vector<Point>& p, std::int32_t i, std::int32_t last, const Point& s, const Point& e,
            double& o0, double& o1) {
  o0 = side(s, e, p[i]);
  if (o0 == 0) return false;
  o1 = side(s, e, p[i + 1]);
  if (o1 == 0) {
    std::int32_t k = i + 2;
    while (k <= last && same_place(p[k], p[i + 1])) ++k;
    if (k > last) return false;
    const double next = side(s, e, p[k]);
    return next != 0 && (next > 0) != (o0 > 0);
  }
  return (o0 > 0) != (o1 > 0);
}

// Runs of at most kChunkSteps steps of one line, for the R-tree.
constexpr std::int32_t kChunkSteps = 16;
struct Chunk {
  std::int32_t first = 0, last = 0;  // records; steps first .. last - 1
  std::int32_t line_last = 0;        // the last record of the line
};

std::vector<Chunk> chunks_of(const std::vector<Line>& lines, Kind kind) {
  std::vector<Chunk> chunks;
  for (const Line& l : lines) {
    if (l.kind != kind) continue;
    for (std::int32_t a = l.first; a < l.last; a += kChunkSteps)
      chunks.push_back({a, std::min(a + kChunkSteps, l.last), l.last});
  }
  return chunks;
}

Box box_of(const std::vector<Point>& p, std::int32_t first, std::int32_t last) {
  double x0 = p[first].x, x1 = x0, y0 = p[first].y, y1 = y0;
  for (std::int32_t i = first + 1; i <= last; ++i) {
    x0 = std::min(x0, p[i].x);
    x1 = std::max(x1, p[i].x);
    y0 = std::min(y0, p[i].y);
    y1 = std::max(y1, p[i].y);
  }
  return Box(BoxPoint(x0, y0), BoxPoint(x1, y1));
}

bool apart(const Point& a, const Point& b, const Point& c, const Point& d) {
  return std::max(a.x, b.x) < std::min(c.x, d.x) || std::max(c.x, d.x) < std::min(a.x, b.x) ||
         std::max(a.y, b.y) < std::min(c.y, d.y) || std::max(c.y, d.y) < std::min(a.y, b.y);
}

}  // namespace

std::int32_t line_of(const Records& r, std::int32_t i) {
  const auto after = std::upper_bound(r.shifts.begin(), r.shifts.end(), std::pair{i, INT32_MAX});
  return i + 1 + (after == r.shifts.begin() ? 0 : std::prev(after)->second);
}

std::vector<Line> split_lines(const std::vector<Point>& p, const LineRules& rules) {
  std::vector<Line> lines;
  const auto n = static_cast<std::int32_t>(p.size());
  for (std::int32_t s = 0; s < n;) {
    std::int32_t e = s;
    while (e + 1 < n && joined(p[e], p[e + 1], rules.max_gap)) ++e;
    cut_stretch(p, s, e, rules, lines);
    s = e + 1;
  }
  return lines;
}

Steps steps_of(const std::vector<Point>& p, const std::vector<Point>* more, double max_gap) {
  Steps s;
  auto walk = [&](const std::vector<Point>& q, auto each) {
    for (std::size_t i = 1; i < q.size(); ++i)
      if (finite(q[i - 1]) && finite(q[i]) && !same_place(q[i - 1], q[i])) each(distance(q[i - 1], q[i]));
  };
  auto count = [&](double d) {
    ++s.count;
    s.gaps += d > max_gap;
  };
  walk(p, count);
  if (more) walk(*more, count);
  if (!many_gaps(s)) return s;
  std::vector<double> lengths;
  lengths.reserve(static_cast<std::size_t>(s.count));
  auto keep = [&](double d) { lengths.push_back(d); };
  walk(p, keep);
  if (more) walk(*more, keep);
  s.median = quantile(lengths, 0.5);
  return s;
}

double bearing_of(double heading) {
  const double b = std::fmod(90 - heading / kDegree + 360, 180.0);
  return b >= 180 ? 0 : b;
}

double heading_of_bearing(double degrees) {
  const double h = std::fmod((90 - degrees) * kDegree, kPi);
  return h < 0 ? h + kPi : h;
}

double dominant_heading(const std::vector<Line>& lines) {
  double c = 0, s = 0;
  for (const Line& l : lines) {
    if (l.kind == Kind::short_piece) continue;
    c += l.length * std::cos(2 * l.heading);
    s += l.length * std::sin(2 * l.heading);
  }
  double h = std::atan2(s, c) / 2;
  if (h < 0) h += kPi;
  return h;
}

double heading_difference(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), kPi);
  return std::min(d, kPi - d);
}

void classify(std::vector<Line>& lines, double dominant) {
  for (Line& l : lines) {
    if (l.kind == Kind::short_piece) continue;
    const double d = heading_difference(l.heading, dominant);
    l.kind = d <= 30 * kDegree + kAngleSlack  ? Kind::main
             : d > 45 * kDegree + kAngleSlack ? Kind::cross
                                              : Kind::diagonal;
  }
}

std::vector<Crossing> find_crossings(const std::vector<Point>& main, const std::vector<Line>& main_lines,
                                     const std::vector<Point>& cross, const std::vector<Line>& cross_lines) {
  const std::vector<Chunk> mains = chunks_of(main_lines, Kind::main);
  const std::vector<Chunk> crosses = chunks_of(cross_lines, Kind::cross);
  std::vector<Value> boxes;
  boxes.reserve(mains.size());
  for (std::size_t i = 0; i < mains.size(); ++i)
    boxes.emplace_back(box_of(main, mains[i].first, mains[i].last), static_cast<std::uint32_t>(i));
  const bgi::rtree<Value, bgi::rstar<16>> tree(boxes.begin(), boxes.end());  // bulk-loaded
  std::vector<Crossing> found;
  std::vector<Value> hits;
  for (const Chunk& cc : crosses) {
    hits.clear();
    tree.query(bgi::intersects(box_of(cross, cc.first, cc.last)), std::back_inserter(hits));
    for (const Value& hit : hits) {
      const Chunk& mc = mains[hit.second];
      for (std::int32_t j = cc.first; j < cc.last; ++j) {
        const Point &c = cross[j], &d = cross[j + 1];
        for (std::int32_t i = mc.first; i < mc.last; ++i) {
          const Point &a = main[i], &b = main[i + 1];
          if (apart(a, b, c, d)) continue;
          double oa = 0, ob = 0, oc = 0, od = 0;
          if (!passes(main, i, mc.line_last, c, d, oa, ob) || !passes(cross, j, cc.line_last, a, b, oc, od))
            continue;
          const double t = oa / (oa - ob), u = oc / (oc - od);
          Crossing k;
          k.main = i;
          k.cross = j;
          k.x = a.x + t * (b.x - a.x);
          k.y = a.y + t * (b.y - a.y);
          k.z_main = a.z + t * (b.z - a.z);
          k.z_cross = c.z + u * (d.z - c.z);
          k.difference = k.z_cross - k.z_main;
          k.depth = -k.z_main;
          found.push_back(k);
        }
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const Crossing& l, const Crossing& r) {
    return l.cross != r.cross ? l.cross < r.cross : l.main < r.main;
  });
  return found;
}

double tvu(const Order& order, double depth) {
  const double bd = order.b * depth;
  return std::sqrt(order.a * order.a + bd * bd);
}

int best_order(const Crossing& c) {
  for (int i = 0; i < kOrders; ++i)
    if (std::fabs(c.difference) <= tvu(kOrderTable[i], c.depth)) return i;
  return kOrders;
}

double quantile(std::vector<double>& values, double q) {
  if (values.empty()) return 0;
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size()) - 1e-9));
  const auto k =
      values.begin() + static_cast<std::ptrdiff_t>(std::clamp<std::size_t>(rank, 1, values.size()) - 1);
  std::nth_element(values.begin(), k, values.end());
  return *k;
}

Stats statistics(const std::vector<Crossing>& crossings) {
  Stats s;
  s.count = crossings.size();
  if (s.count == 0) return s;
  const double n = static_cast<double>(s.count);
  double sum = 0, squares = 0;
  std::vector<double> values;
  values.reserve(s.count);
  for (const Crossing& c : crossings) {
    sum += c.difference;
    squares += c.difference * c.difference;
    s.max_abs = std::max(s.max_abs, std::fabs(c.difference));
    values.push_back(c.depth);
  }
  s.mean = sum / n;
  s.rms = std::sqrt(squares / n);
  double spread = 0;
  for (const Crossing& c : crossings) spread += (c.difference - s.mean) * (c.difference - s.mean);
  s.sd = s.count > 1 ? std::sqrt(spread / (n - 1)) : 0;
  s.median_depth = quantile(values, 0.5);
  values.clear();
  for (const Crossing& c : crossings) values.push_back(std::fabs(c.difference));
  s.p95_abs = quantile(values, kMetShare);
  for (int o = 0; o < kOrders; ++o) {
    std::size_t passed = 0;
    values.clear();
    for (const Crossing& c : crossings) {
      const double limit = tvu(kOrderTable[o], c.depth);
      passed += std::fabs(c.difference) <= limit;
      values.push_back(std::fabs(c.difference) / limit);
    }
    s.pass[o] = static_cast<double>(passed) / n;
    s.met[o] = passed * 100 >= s.count * 95;
    s.p95_ratio[o] = quantile(values, kMetShare);
  }
  return s;
}

}  // namespace survey_qc
