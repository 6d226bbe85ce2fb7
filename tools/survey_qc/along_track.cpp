#include "along_track.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "fixed_notation.h"

namespace survey_qc {

namespace {

double distance(const Point& a, const Point& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// The least-squares line of heights z over distances u.
struct LineFit {
  double n = 0, su = 0, sz = 0, suu = 0, suz = 0;
  double lowest = HUGE_VAL, highest = -HUGE_VAL;
  void add(double u, double z) {
    n += 1;
    su += u;
    sz += z;
    suu += u * u;
    suz += u * z;
    lowest = std::fmin(lowest, u);
    highest = std::fmax(highest, u);
  }
};

// The line of lines (of one kind; all pieces of the track in its order)
// that holds the step from record step to step + 1; nullptr when none does.
const Line* line_of_step(const std::vector<Line>& lines, Kind kind, std::int32_t step) {
  auto after = std::upper_bound(lines.begin(), lines.end(), step,
                                [](std::int32_t s, const Line& l) { return s < l.first; });
  while (after != lines.begin()) {  // pieces that meet at a record share it
    const Line& l = *--after;
    if (l.last <= step) break;
    if (l.kind == kind) return &l;
  }
  return nullptr;
}

// The fraction of the step from a to b at which the point (x, y) lies.
double fraction(const Point& a, const Point& b, double x, double y) {
  const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
  return length2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / length2 : 0;
}

std::string metres(double v, int decimals) { return survey_rt::fixed_text(v, decimals) + " m"; }

}  // namespace

bool slope_along(const std::vector<Point>& p, std::int32_t first, std::int32_t last, std::int32_t step, double t,
                 double& slope) {
  LineFit fit;
  double u = -t * distance(p[step], p[step + 1]);
  for (std::int32_t j = step; j >= first && u >= -kSlopeReach; --j) {
    fit.add(u, p[j].z);
    if (j > first) u -= distance(p[j - 1], p[j]);
  }
  u = (1 - t) * distance(p[step], p[step + 1]);
  for (std::int32_t j = step + 1; j <= last && u <= kSlopeReach; ++j) {
    fit.add(u, p[j].z);
    if (j < last) u += distance(p[j], p[j + 1]);
  }
  if (fit.n < 3 || fit.highest - fit.lowest < kSlopeReach / 4) return false;
  slope = (fit.n * fit.suz - fit.su * fit.sz) / (fit.n * fit.suu - fit.su * fit.su);
  return std::isfinite(slope);
}

std::vector<double> slope_differences(const std::vector<Point>& main, const std::vector<Line>& main_lines,
                                      const std::vector<Point>& cross, const std::vector<Line>& cross_lines,
                                      const std::vector<Crossing>& crossings) {
  std::vector<double> g(crossings.size(), std::numeric_limits<double>::quiet_NaN());
  const Line *m = nullptr, *c = nullptr;  // the lines of the last crossing: the next is mostly on them too
  for (std::size_t i = 0; i < crossings.size(); ++i) {
    const Crossing& k = crossings[i];
    if (m == nullptr || k.main < m->first || k.main >= m->last) m = line_of_step(main_lines, Kind::main, k.main);
    if (c == nullptr || k.cross < c->first || k.cross >= c->last) c = line_of_step(cross_lines, Kind::cross, k.cross);
    if (m == nullptr || c == nullptr) continue;
    double gm = 0, gc = 0;
    if (slope_along(main, m->first, m->last, k.main, fraction(main[k.main], main[k.main + 1], k.x, k.y), gm) &&
        slope_along(cross, c->first, c->last, k.cross, fraction(cross[k.cross], cross[k.cross + 1], k.x, k.y), gc))
      g[i] = gm - gc;
  }
  return g;
}

AlongTrack fit_shift(const std::vector<double>& differences, const std::vector<double>& slope_differences) {
  AlongTrack a;
  double n = 0, sg = 0, sd = 0;
  for (std::size_t i = 0; i < differences.size(); ++i) {
    if (!(std::fabs(slope_differences[i]) >= kLeastSlope)) continue;
    n += 1;
    sg += slope_differences[i];
    sd += differences[i];
  }
  a.on_slopes = static_cast<std::size_t>(n);
  double s = 0;
  if (a.on_slopes >= kFewestOnSlopes) {
    const double mean_g = sg / n, mean_d = sd / n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < differences.size(); ++i) {
      if (!(std::fabs(slope_differences[i]) >= kLeastSlope)) continue;
      sxx += (slope_differences[i] - mean_g) * (slope_differences[i] - mean_g);
      sxy += (slope_differences[i] - mean_g) * (differences[i] - mean_d);
    }
    if (sxx < n * kLeastSlope * kLeastSlope) {
      a.result = AlongTrack::Result::alike;  // a shift and a bias cannot be told apart
    } else {
      a.shift = sxy / sxx;
      a.bias = mean_d - a.shift * mean_g;
      double rss = 0;
      for (std::size_t i = 0; i < differences.size(); ++i) {
        if (!(std::fabs(slope_differences[i]) >= kLeastSlope)) continue;
        const double r = differences[i] - a.bias - a.shift * slope_differences[i];
        rss += r * r;
      }
      const double variance = rss / (n - 2);
      a.shift_se = std::sqrt(variance / sxx);
      a.bias_se = std::sqrt(variance * (1 / n + mean_g * mean_g / sxx));
      a.result = std::fabs(a.shift) > 2 * a.shift_se ? AlongTrack::Result::found : AlongTrack::Result::none_found;
      if (a.result == AlongTrack::Result::found) s = a.shift;
    }
  }
  // Every crossing's difference with the shift removed (where the slopes are known).
  const double count = static_cast<double>(differences.size());
  double sum = 0;
  std::vector<double> removed(differences.size());
  for (std::size_t i = 0; i < differences.size(); ++i) {
    removed[i] = differences[i] - (std::isfinite(slope_differences[i]) ? s * slope_differences[i] : 0);
    sum += removed[i];
  }
  a.mean = differences.empty() ? 0 : sum / count;
  double spread = 0;
  for (const double r : removed) spread += (r - a.mean) * (r - a.mean);
  a.sd = differences.size() > 1 ? std::sqrt(spread / (count - 1)) : 0;
  return a;
}

std::vector<std::string> along_track_text(const AlongTrack& a, double speed, const std::string& plus_minus) {
  const std::string slopes = std::to_string(a.on_slopes) + " crossings on slopes";
  switch (a.result) {
    case AlongTrack::Result::not_measurable:
      return {"Along-track: not measurable: too few crossings on slopes (" + std::to_string(a.on_slopes) + ")"};
    case AlongTrack::Result::alike:
      return {"Along-track: not measurable: the " + slopes +
              " all slope alike (no bias and shift apart); run main lines both ways"};
    case AlongTrack::Result::none_found:
      return {"Along-track: none found (under twice its standard error): " + metres(std::fabs(a.shift), 2) + " " +
              plus_minus + " " + metres(a.shift_se, 2) + (a.shift > 0 ? " ahead" : " behind") + ", from " + slopes};
    case AlongTrack::Result::found: break;
  }
  std::vector<std::string> text = {"Along-track: soundings placed " + metres(std::fabs(a.shift), 2) + " " +
                                   plus_minus + " " + metres(a.shift_se, 2) +
                                   (a.shift > 0 ? " ahead of" : " behind") + " where they were measured, from " +
                                   slopes};
  if (speed > 0) {
    // Positions taken early put the soundings ahead: join --latency X joins
    // every sounding X seconds earlier, to the position that belongs to it.
    const double latency = a.shift / speed;
    text.push_back("= positions " + survey_rt::fixed_text(std::fabs(latency), 2) +
                   (latency > 0 ? " s early at " : " s late at ") + survey_rt::fixed_text(speed, 1) +
                   " m/s: run `join --latency " + survey_rt::fixed_text(latency, 2) + "`");
  }
  text.push_back("With the shift removed: mean " + metres(a.mean, 3) + ", standard deviation " + metres(a.sd, 3));
  return text;
}

std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace survey_qc
