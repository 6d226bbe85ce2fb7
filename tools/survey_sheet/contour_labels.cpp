#include "contour_labels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fixed_notation.h"
#include "pdf.h"

namespace survey_sheet {

using soundings::Box;
using surface::Point2;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEveryHeights = 60;  // labels along a long line, in text heights

// The least and greatest projection of a quad's corners on an axis.
void project(const Quad& q, double ax, double ay, double& low, double& high) {
  low = high = q.corner[0].x * ax + q.corner[0].y * ay;
  for (int i = 1; i < 4; ++i) {
    const double p = q.corner[i].x * ax + q.corner[i].y * ay;
    low = std::min(low, p);
    high = std::max(high, p);
  }
}

Quad box_quad(const Box& b) { return {{{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}}}; }

Box bounds(const Quad& q) {
  Box b{q.corner[0].x, q.corner[0].y, q.corner[0].x, q.corner[0].y};
  for (const Point2& p : q.corner) {
    b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
    b.y0 = std::min(b.y0, p.y), b.y1 = std::max(b.y1, p.y);
  }
  return b;
}

// A line walked by its length: the point at a length along it.
struct Walk {
  const std::vector<Point2>& points;
  std::vector<double> at;  // the length from the start to each point

  explicit Walk(const std::vector<Point2>& p) : points(p), at(p.size(), 0) {
    for (std::size_t i = 1; i < p.size(); ++i) at[i] = at[i - 1] + std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
  }
  double length() const { return at.empty() ? 0 : at.back(); }
  // The first point at or beyond length s.
  std::size_t after(double s) const {
    return static_cast<std::size_t>(std::lower_bound(at.begin(), at.end(), s) - at.begin());
  }
  Point2 point(double s) const {
    const std::size_t i = std::clamp<std::size_t>(after(s), 1, points.size() - 1);
    const double step = at[i] - at[i - 1];
    const double t = step > 0 ? std::clamp((s - at[i - 1]) / step, 0.0, 1.0) : 0;
    return {points[i - 1].x + t * (points[i].x - points[i - 1].x), points[i - 1].y + t * (points[i].y - points[i - 1].y)};
  }
};

// The label centred at length s along the line, when the line runs straight
// under it: its middle line the chord between the points half a label before
// and after, which no point of the line between them strays from by more than
// half the label's box (so the white under the label hides the line's turns
// there, and the line seems to run through it).
bool straight_label(const Walk& w, double s, double length, double height, double pad, ContourLabel& l) {
  const Point2 a = w.point(s - length / 2), b = w.point(s + length / 2);
  const double dx = b.x - a.x, dy = b.y - a.y, chord = std::hypot(dx, dy);
  if (chord < 0.9 * length) return false;
  for (std::size_t i = w.after(s - length / 2); i < w.points.size() && w.at[i] < s + length / 2; ++i)
    if (std::fabs((w.points[i].x - a.x) * dy - (w.points[i].y - a.y) * dx) / chord > height / 2 + pad) return false;
  double angle = std::atan2(dy, dx) * 180 / kPi;
  if (angle > 90) angle -= 180;
  if (angle <= -90) angle += 180;
  l.x = (a.x + b.x) / 2;
  l.y = (a.y + b.y) / 2;
  l.angle = angle;
  return true;
}

}  // namespace

std::string label_text(const surface::Contour& c) { return survey_rt::fixed_text(0.0 - c.level, 1); }

bool quads_overlap(const Quad& a, const Quad& b) {
  // Separated when the projections on an edge's direction of either quad do
  // not overlap (or only touch).
  for (const Quad* q : {&a, &b})
    for (int i = 0; i < 2; ++i) {
      const double ax = q->corner[i + 1].x - q->corner[i].x, ay = q->corner[i + 1].y - q->corner[i].y;
      double a_low = 0, a_high = 0, b_low = 0, b_high = 0;
      project(a, ax, ay, a_low, a_high);
      project(b, ax, ay, b_low, b_high);
      if (a_high <= b_low || b_high <= a_low) return false;
    }
  return true;
}

Quad label_quad(const ContourLabel& l, double pad) {
  const double a = l.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
  const double hl = l.length / 2 + pad, hh = l.height / 2 + pad;
  return {{{l.x - c * hl + s * hh, l.y - s * hl - c * hh},
           {l.x + c * hl + s * hh, l.y + s * hl - c * hh},
           {l.x + c * hl - s * hh, l.y + s * hl + c * hh},
           {l.x - c * hl - s * hh, l.y - s * hl + c * hh}}};
}

Point2 baseline_start(const ContourLabel& l) {
  const double a = l.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
  return {l.x - c * l.length / 2 + s * l.height / 2, l.y - s * l.length / 2 - c * l.height / 2};
}

std::vector<ContourLabel> place_contour_labels(const std::vector<surface::Contour>& contours, int major,
                                               std::span<const Box> boxes, double height, double pad) {
  // The labels' texts and the largest label's bounds, turned any way.
  const double size = height / survey_rt::kCapHeight;
  double longest = 0;
  for (const surface::Contour& c : contours)
    if (surface::is_major(c, major))
      longest = std::max(longest, survey_rt::font_width(survey_rt::PdfFont::regular, label_text(c)) * size);
  const double cell = std::hypot(longest + 2 * pad, height + 2 * pad) * 1.01;

  // The soundings' boxes in a hash of cells as large as the largest of them.
  double w = 0, h = 0, x0 = 0, y0 = 0;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    w = std::max(w, boxes[i].x1 - boxes[i].x0), h = std::max(h, boxes[i].y1 - boxes[i].y0);
    x0 = i == 0 ? boxes[i].x0 : std::min(x0, boxes[i].x0), y0 = i == 0 ? boxes[i].y0 : std::min(y0, boxes[i].y0);
  }
  soundings::BoxIndex sounding_index =
      soundings::box_index(w > 0 ? w * 1.01 : cell, h > 0 ? h * 1.01 : cell, x0, y0);
  for (const Box& b : boxes) soundings::insert(sounding_index, b);
  // The labels placed, in a hash of cells as large as any label's bounds.
  soundings::BoxIndex label_index = soundings::box_index(cell, cell, x0, y0);
  std::vector<ContourLabel> labels;
  std::vector<Quad> quads;

  auto clear = [&](const Quad& q) {
    const Box b = bounds(q);
    bool hit = false;
    soundings::each_near(sounding_index, b, [&](std::int32_t k) {
      hit = hit || quads_overlap(q, box_quad(sounding_index.boxes[static_cast<std::size_t>(k)].box));
    });
    soundings::each_near(label_index, b,
                         [&](std::int32_t k) { hit = hit || quads_overlap(q, quads[static_cast<std::size_t>(k)]); });
    return !hit;
  };

  for (const surface::Contour& c : contours) {
    if (!surface::is_major(c, major) || c.points.size() < 2) continue;
    ContourLabel l;
    l.text = label_text(c);
    l.level = c.level;
    l.length = survey_rt::font_width(survey_rt::PdfFont::regular, l.text) * size;
    l.height = height;
    const Walk walk(c.points);
    const double total = walk.length(), reach = l.length / 2 + pad;
    if (total < 2 * (l.length + 2 * pad)) continue;
    const int count = std::max(1, static_cast<int>(total / (kEveryHeights * height)));
    const double step = std::max(l.length / 2, height / 2);
    for (int k = 0; k < count; ++k) {
      const double target = (k + 0.5) * total / count, room = total / count / 2;
      for (int i = 0; (i + 1) / 2 * step <= room; ++i) {
        const double s = target + (i % 2 == 1 ? 1 : -1) * ((i + 1) / 2) * step;
        if (s < reach || s > total - reach || !straight_label(walk, s, l.length, height, pad, l)) continue;
        const Quad q = label_quad(l, pad);
        if (!clear(q)) continue;
        soundings::insert(label_index, bounds(q));
        quads.push_back(q);
        labels.push_back(l);
        break;
      }
    }
  }
  return labels;
}

}  // namespace survey_sheet
