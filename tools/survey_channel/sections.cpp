// Temp/Sections.dxf and Temp/Sections.svg: every cross section on a sheet,
// all at one scale: the seabed (and the one before the works), the template,
// the pay line, the station, the reach and the areas; the heights drawn
// larger than the offsets by a round vertical exaggeration, stated on it.
#include <algorithm>
#include <cmath>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "outputs.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;

namespace survey_channel {

namespace {

std::string two(double v) { return fixed_text(v, 2); }

// The extent every section is drawn over, and the vertical exaggeration.
struct Sheet {
  double xl = 0, xr = 1, zl = 0, zh = 1;  // offsets and heights, metres
  double exaggeration = 1;
};

Sheet sheet_of(const Run& run, const Figures& g) {
  Sheet s;
  double xl = INFINITY, xr = -INFINITY;
  for (const Section& x : g.sections) {
    const Reach& r = run.channel.reaches[static_cast<std::size_t>(x.reach)];
    xl = std::fmin(xl, std::fmin(-r.left / x.line.stretch[0], std::fmin(x.pay_limit[0], x.daylight[0])));
    xr = std::fmax(xr, std::fmax(r.right / x.line.stretch[1], std::fmax(x.pay_limit[1], x.daylight[1])));
  }
  const double margin = std::max(5.0, (xr - xl) / 10);
  s.xl = std::floor((xl - margin) / 5) * 5;
  s.xr = std::ceil((xr + margin) / 5) * 5;
  double zl = INFINITY, zh = -INFINITY;
  for (const Section& x : g.sections) {
    const Reach& r = run.channel.reaches[static_cast<std::size_t>(x.reach)];
    zl = std::min(zl, r.level - r.overdepth);
    zh = std::max(zh, r.level);
    for (const auto* spans : {&x.seabed, &x.before})
      for (const surface::ProfileSpan& p : *spans)
        if (p.t1 > s.xl && p.t0 < s.xr) {
          zl = std::min({zl, p.z0, p.z1});
          zh = std::max({zh, p.z0, p.z1});
        }
  }
  const double pad = std::max(0.5, (zh - zl) / 10);
  s.zl = std::floor(zl - pad);
  s.zh = std::ceil(zh + pad);
  s.exaggeration = std::max(1.0, round_up_nice((s.xr - s.xl) / 4 / (s.zh - s.zl)));
  return s;
}

// A profile's stretches as lines of (offset, height) points, a gap starting
// a new line, within the sheet's offsets.
std::vector<std::vector<Point2>> profile_lines(const std::vector<surface::ProfileSpan>& spans, const Sheet& s) {
  std::vector<std::vector<Point2>> lines;
  for (const surface::ProfileSpan& p : spans) {
    const double a = std::max(p.t0, s.xl), b = std::min(p.t1, s.xr);
    if (!(b > a)) continue;
    auto at = [&](double t) { return p.z0 + (t - p.t0) * (p.z1 - p.z0) / (p.t1 - p.t0); };
    if (lines.empty() || std::fabs(lines.back().back().x - a) > 1e-9) lines.emplace_back();
    if (lines.back().empty()) lines.back().push_back({a, at(a)});
    lines.back().push_back({b, at(b)});
  }
  return lines;
}

// A line with the points that stand out from it by less than half a unit
// (metres on the sheet, pixels in the picture) left out: a profile across
// many small triangles is drawn in few strokes.
std::vector<Point2> thinned(const std::vector<Point2>& points, double unit) {
  std::vector<Point2> scaled;
  for (const Point2& p : points) scaled.push_back({p.x / unit, p.y / unit});
  std::vector<Point2> kept = simplified_line(scaled);
  for (Point2& p : kept) p = {p.x * unit, p.y * unit};
  return kept;
}

// The areas of a section, for its label.
std::string areas_text(const Run& run, const Section& x) {
  std::string text;
  const auto names = quantities(run);
  for (std::size_t q = 0; q < names.size(); ++q)
    text += (q ? ", " : "") + std::string(names[q].short_name) + " " + two(std::max(0.0, x.area[q])) + " m2";
  return text;
}

std::string station_text(const Section& x) { return "Station " + two(x.station) + ", reach " + std::to_string(x.reach + 1); }

std::string exaggeration_text(const Sheet& s) {
  return "vertical exaggeration " + fixed_text(s.exaggeration, decimals_of(s.exaggeration)) +
         ": heights drawn at " + fixed_text(s.exaggeration, decimals_of(s.exaggeration)) +
         " times the scale of the offsets";
}

constexpr int kColumns = 2;  // sections side by side on the sheet

}  // namespace

void write_sections_dxf(TextFile& f, const Run& run, const Figures& g) {
  const Sheet s = sheet_of(run, g);
  const double w = s.xr - s.xl, h = (s.zh - s.zl) * s.exaggeration;
  const double text = std::max(0.1, round_down_nice(w / 50));
  const double gap_x = 12 * text, gap_y = 10 * text;
  const int rows = static_cast<int>((g.sections.size() + kColumns - 1) / kColumns);
  DxfExtents extents;
  extents.add({-gap_x, 4 * text, 0});
  extents.add({kColumns * (w + gap_x), -rows * (h + gap_y), 0});
  const DxfLayer layers[] = {{"0", 7},        {"FRAME", 8}, {"SEABED", 7}, {"SEABED_BEFORE", 8},
                             {"TEMPLATE", 5}, {"PAY", 1},   {"TEXT", 7}};
  dxf_begin(f, extents, layers);
  dxf_text(f, {0, 3 * text, 0}, 1.5 * text, 0, false, run.title + ": cross sections, looking towards growing stations", "TEXT");
  dxf_text(f, {0, 1.2 * text, 0}, text, 0, false,
           exaggeration_text(s) + "; offsets and heights in m", "TEXT");
  std::vector<DxfPoint> v;
  for (std::size_t i = 0; i < g.sections.size(); ++i) {
    const Section& x = g.sections[i];
    const Reach& r = run.channel.reaches[static_cast<std::size_t>(x.reach)];
    const double x0 = static_cast<double>(i % kColumns) * (w + gap_x);
    const double y0 = -static_cast<double>(i / kColumns + 1) * (h + gap_y) + 3 * text;
    auto at = [&](Point2 p) { return DxfPoint{x0 + p.x - s.xl, y0 + (p.y - s.zl) * s.exaggeration, 0}; };
    auto polyline = [&](const std::vector<Point2>& points, std::string_view layer) {
      std::vector<Point2> sheet;
      for (const Point2& p : points) {
        const DxfPoint q = at(p);
        sheet.push_back({q.x, q.y});
      }
      v.clear();
      for (const Point2& p : thinned(sheet, 0.005)) v.push_back({p.x, p.y, 0});  // within 2.5 mm
      if (v.size() >= 2) dxf_polyline_2d(f, v, 0, false, layer);
    };
    polyline({{s.xl, s.zl}, {s.xr, s.zl}, {s.xr, s.zh}, {s.xl, s.zh}, {s.xl, s.zl}}, "FRAME");
    const double step_x = round_up_nice(w / 8), step_z = round_up_nice((s.zh - s.zl) / 4);
    each_tick(s.xl, s.xr, step_x, [&](double o) {
      polyline({{o, s.zl}, {o, s.zl - text / s.exaggeration}}, "FRAME");
      dxf_text(f, at({o - text, s.zl - 2.5 * text / s.exaggeration}), 0.8 * text, 0, false,
               fixed_text(o, decimals_of(step_x)), "TEXT");
    });
    each_tick(s.zl, s.zh, step_z, [&](double z) {
      polyline({{s.xl - text, z}, {s.xl, z}}, "FRAME");
      dxf_text(f, at({s.xl - 1.5 * text, z}), 0.8 * text, 0, true, fixed_text(z, decimals_of(step_z)), "TEXT");
    });
    for (const auto& line : profile_lines(x.before, s)) polyline(line, "SEABED_BEFORE");
    for (const auto& line : profile_lines(x.seabed, s)) polyline(line, "SEABED");
    polyline(template_line(r, x.line, s.xl, s.xr, 0, s.zh), "TEMPLATE");
    polyline(template_line(r, x.line, s.xl, s.xr, r.overdepth, s.zh), "PAY");
    dxf_text(f, at({s.xl, s.zh + 0.6 * text / s.exaggeration}), text, 0, false, station_text(x), "TEXT");
    dxf_text(f, at({s.xl, s.zl - 4.5 * text / s.exaggeration}), 0.8 * text, 0, false,
             x.covered ? areas_text(run, x) : "not reached by the survey", "TEXT");
  }
  dxf_end(f);
}

namespace {

// The fills of the quantities: condition, dredged.
constexpr std::string_view kConditionInk[] = {"#f4a582", "#fddbc7"};
constexpr std::string_view kDredgedInk[] = {"#d6604d", "#4393c3", "#b2abd2", "#a6dba0"};
constexpr std::string_view kSeabedInk = "stroke=\"#000000\" stroke-width=\"1.6\"";
constexpr std::string_view kBeforeInk = "stroke=\"#8c8c8c\" stroke-width=\"1.2\" stroke-dasharray=\"5 3\"";
constexpr std::string_view kTemplateInk = "stroke=\"#2166ac\" stroke-width=\"1.2\"";
constexpr std::string_view kPayInk = "stroke=\"#b2182b\" stroke-width=\"1\" stroke-dasharray=\"6 3\"";

// The outlines of a quantity's area in a section: its fills along the line
// joined where one ends as the next begins, each outline along the lower
// line and back along the upper one.
std::vector<std::vector<Point2>> fill_outlines(const Section& x, int quantity) {
  std::vector<const Fill*> fills;
  for (const Fill& f : x.fills)
    if (f.quantity == quantity) fills.push_back(&f);
  std::sort(fills.begin(), fills.end(), [](const Fill* a, const Fill* b) { return a->corners[0].x < b->corners[0].x; });
  std::vector<std::vector<Point2>> outlines;
  std::vector<Point2> lower, upper;
  auto close = [&] {
    if (!lower.empty()) outlines.push_back(lower), outlines.back().insert(outlines.back().end(), upper.rbegin(), upper.rend());
    lower.clear();
    upper.clear();
  };
  for (const Fill* f : fills) {
    const auto& c = f->corners;
    const bool joins = !lower.empty() && std::fabs(lower.back().x - c[0].x) < 1e-9 &&
                       std::fabs(lower.back().y - c[0].y) < 1e-9 && std::fabs(upper.back().y - c[3].y) < 1e-9;
    if (!joins) {
      close();
      lower.push_back(c[0]);
      upper.push_back(c[3]);
    }
    lower.push_back(c[1]);
    upper.push_back(c[2]);
  }
  close();
  return outlines;
}

// A line through points in pixels, as a path.
void svg_polyline(TextFile& f, const std::vector<Point2>& pixels, std::string_view attrs) {
  if (pixels.size() < 2) return;
  write_str(f, "<path fill=\"none\" stroke-linejoin=\"round\" ");
  write_str(f, attrs);
  write_str(f, " d=\"");
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    write_char(f, i == 0 ? 'M' : 'L');
    svg_number(f, pixels[i].x);
    write_char(f, ' ');
    svg_number(f, pixels[i].y);
  }
  write_str(f, "\"/>");
  end_line(f);
  io_check();
}

}  // namespace

void write_sections_svg(TextFile& f, const Run& run, const Figures& g) {
  const Sheet s = sheet_of(run, g);
  const int map_w = 420, left = 70, gap = 40, head = 130;
  const double scale = map_w / (s.xr - s.xl);  // pixels a metre across
  const int map_h = std::max(40, static_cast<int>(std::lround((s.zh - s.zl) * s.exaggeration * scale)));
  const int cell_w = left + map_w + gap, cell_h = map_h + 90;
  const int rows = static_cast<int>((g.sections.size() + kColumns - 1) / kColumns);
  const auto inks = run.dredged ? std::span<const std::string_view>(kDredgedInk) : std::span<const std::string_view>(kConditionInk);
  const auto names = quantities(run);
  svg_begin(f, kColumns * cell_w + 20, head + rows * cell_h + 20);
  svg_text(f, 20, 28, "font-size=\"18\" font-weight=\"bold\"", run.title + ": cross sections");
  svg_text(f, 20, 48, "", "offsets in m, right of the centreline positive looking towards growing stations; heights z in m; " +
                              exaggeration_text(s));
  // The legend.
  int lx = 20;
  for (std::size_t q = 0; q < names.size(); ++q) {
    svg_rect(f, lx, 64, 18, 12, "fill=\"" + std::string(inks[q]) + "\" stroke=\"none\"");
    svg_text(f, lx + 24, 75, "", names[q].name);
    lx += 40 + text_width(names[q].name.size());
  }
  struct Key {
    std::string_view ink, name;
  };
  const Key keys[] = {{kSeabedInk, "seabed"}, {kBeforeInk, "before the works"}, {kTemplateInk, "template"}, {kPayInk, "pay line"}};
  lx = 20;
  for (const Key& k : keys) {
    if (k.ink == kBeforeInk && !run.dredged) continue;
    svg_line(f, lx, 96, lx + 24, 96, k.ink);
    svg_text(f, lx + 30, 100, "", k.name);
    lx += 50 + text_width(k.name.size());
  }

  for (std::size_t i = 0; i < g.sections.size(); ++i) {
    const Section& x = g.sections[i];
    const Reach& r = run.channel.reaches[static_cast<std::size_t>(x.reach)];
    const int fl = static_cast<int>(i % kColumns) * cell_w + left, ft = head + static_cast<int>(i / kColumns) * cell_h + 24;
    auto px = [&](double o) { return fl + (o - s.xl) * scale; };
    auto py = [&](double z) { return ft + (s.zh - z) * s.exaggeration * scale; };
    auto pixels = [&](const std::vector<Point2>& points) {
      std::vector<Point2> out;
      for (const Point2& p : points) out.push_back({px(p.x), py(p.y)});
      return thinned(out, 1);
    };
    svg_text(f, fl, ft - 8, "font-weight=\"bold\"", station_text(x));
    Frame frame{fl, ft, map_w, map_h,
                Axis{s.xl, s.xr, round_up_nice((s.xr - s.xl) / 8), [&](double o) { return px(o); }, "offset"},
                Axis{s.zl, s.zh, round_up_nice((s.zh - s.zl) / 4), [&](double z) { return py(z); }, "height"}};
    write_grid(f, frame);
    for (std::size_t q = 0; q < names.size(); ++q) {
      std::string d;
      for (const auto& outline : fill_outlines(x, static_cast<int>(q))) {
        const std::vector<Point2> corners = pixels(outline);
        for (std::size_t k = 0; k < corners.size(); ++k) {
          d += k ? 'L' : 'M';
          append_fixed(d, corners[k].x, 1);
          d += ' ';
          append_fixed(d, corners[k].y, 1);
        }
        d += 'Z';
      }
      if (d.empty()) continue;
      write_str(f, "<path class=\"" + std::string(names[q].column) + "\" fill=\"" + std::string(inks[q]) +
                       "\" stroke=\"none\" d=\"" + d + "\"/>");
      end_line(f);
      io_check();
    }
    for (const auto& line : profile_lines(x.before, s)) svg_polyline(f, pixels(line), kBeforeInk);
    for (const auto& line : profile_lines(x.seabed, s)) svg_polyline(f, pixels(line), kSeabedInk);
    svg_polyline(f, pixels(template_line(r, x.line, s.xl, s.xr, 0, s.zh)), kTemplateInk);
    svg_polyline(f, pixels(template_line(r, x.line, s.xl, s.xr, r.overdepth, s.zh)), kPayInk);
    write_frame(f, frame);
    svg_text(f, fl, ft + map_h + 38, "font-size=\"11\"", x.covered ? areas_text(run, x) : "not reached by the survey");
  }
  svg_end(f);
}

}  // namespace survey_channel
