// The report page: inputs and counts, the orders' table, the statistics of
// the differences, the plan of the lines with the crossings coloured by the
// best order they pass, the histogram of the differences and the worst
// crossings. Pictures are inline SVG written through survey_rt/svg.h; lines
// are thinned to what a pixel shows, so the page stays small for any survey.
#include "report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "along_track.h"
#include "fixed_notation.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;

namespace survey_qc {

namespace {

// The colours of the crossings by the best order they pass (Order 1b has the
// values of 1a, so no crossing is coloured 1b), and of passing none.
constexpr std::array<std::string_view, kOrders + 1> kOrderInk = {"#1a9850", "#91cf60", "#2b83ba",
                                                                 "#2b83ba", "#fdae61", "#d7191c"};
constexpr std::array<std::string_view, kOrders + 1> kOrderLegend = {"Exclusive", "Special", "Order 1a/1b",
                                                                    "",          "Order 2", "none"};
constexpr std::string_view kMainInk = "#9e9e9e", kCrossInk = "#000000";
constexpr int kWorst = 20;

void put(TextFile& f, std::string_view text) {
  write_str(f, text);
  end_line(f);
  io_check();
}

std::string num(double v, int decimals) { return fixed_text(v, decimals); }
std::string percent(double share) { return fixed_text(100 * share, 1); }
// A length as typed: whole metres without decimals.
std::string length_text(double v) { return fixed_text(v, v == std::floor(v) ? 0 : 2); }

// A table row of cells (th for the first when head is set), escaped.
void row(TextFile& f, std::initializer_list<std::string> cells, bool head = false,
         std::string_view attrs = "") {
  std::string text = "<tr";
  if (!attrs.empty()) text += " " + std::string(attrs);
  text += ">";
  bool first = true;
  for (const std::string& c : cells) {
    const char* tag = head || first ? "th" : "td";
    text += std::string("<") + tag + ">" + xml_text(c) + "</" + tag + ">";
    first = false;
  }
  put(f, text + "</tr>");
}

void svg_open(TextFile& f, std::string_view id, int width, int height, std::string_view label) {
  put(f, "<svg id=\"" + std::string(id) +
             "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"" +
             std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
             std::to_string(width) + " " + std::to_string(height) + "\" role=\"img\" aria-label=\"" +
             xml_text(label) +
             "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"12\">");
}

// ------------------------------------------------------------------ the plan

struct Plan {
  int left = 96, top = 12, width = 0, height = 0;
  double x0 = 0, y0 = 0, scale = 1;
  double px(double x) const { return left + (x - x0) / scale; }
  double py(double y) const { return top + height - (y - y0) / scale; }
};

constexpr int kPlanMaxWidth = 600, kPlanMaxHeight = 430, kPad = 16;

void extend(const std::vector<Point>& p, const std::vector<Line>& lines, double box[4]) {
  for (const Line& l : lines) {
    if (l.kind != Kind::main && l.kind != Kind::cross) continue;
    for (std::int32_t i = l.first; i <= l.last; ++i) {
      box[0] = std::min(box[0], p[i].x);
      box[1] = std::max(box[1], p[i].x);
      box[2] = std::min(box[2], p[i].y);
      box[3] = std::max(box[3], p[i].y);
    }
  }
}

Plan plan_layout(const Report& r) {
  double box[4] = {INFINITY, -INFINITY, INFINITY, -INFINITY};
  extend(r.main->p, *r.main_lines, box);
  if (r.cross != r.main) extend(r.cross->p, *r.cross_lines, box);
  if (!(box[1] >= box[0])) box[0] = box[1] = box[2] = box[3] = 0;
  const double dw = box[1] - box[0], dh = box[3] - box[2];
  Plan p;
  p.scale = std::max({dw / (kPlanMaxWidth - 2 * kPad), dh / (kPlanMaxHeight - 2 * kPad), 0.01});
  p.width = std::min(kPlanMaxWidth, 2 * static_cast<int>(std::ceil((dw / p.scale + 2 * kPad) / 2)));
  p.height = std::min(kPlanMaxHeight, 2 * static_cast<int>(std::ceil((dh / p.scale + 2 * kPad) / 2)));
  p.width = std::max(p.width, 300);
  p.height = std::max(p.height, 200);
  p.x0 = (box[0] + box[1]) / 2 - p.width * p.scale / 2;
  p.y0 = (box[2] + box[3]) / 2 - p.height * p.scale / 2;
  return p;
}

struct Pixel {
  double x = 0, y = 0;
};

// The pixels of a line, thinned: vertices closer than a pixel to the last one
// kept go first, then those within half a pixel of the chord of the vertices
// around them.
std::vector<Pixel> thinned(const Plan& plan, const std::vector<Point>& p, const Line& l) {
  std::vector<Pixel> v;
  for (std::int32_t i = l.first; i <= l.last; ++i) {
    const Pixel q{plan.px(p[i].x), plan.py(p[i].y)};
    if (v.empty() || i == l.last || std::hypot(q.x - v.back().x, q.y - v.back().y) >= 1) v.push_back(q);
  }
  return simplified_line(v);
}

void write_lines(TextFile& f, const Plan& plan, const std::vector<Point>& p, const std::vector<Line>& lines,
                 Kind kind, std::string_view ink, std::string_view cls) {
  bool any = false;
  for (const Line& l : lines) {
    if (l.kind != kind) continue;
    if (!any)
      write_str(f, "<path class=\"" + std::string(cls) + "\" fill=\"none\" stroke=\"" + std::string(ink) +
                       "\" stroke-width=\"1.2\" stroke-linejoin=\"round\" d=\"");
    any = true;
    int n = 0;
    for (const Pixel& q : thinned(plan, p, l)) {
      write_char(f, n == 0 ? 'M' : 'L');
      svg_number(f, q.x);
      write_char(f, ' ');
      svg_number(f, q.y);
      if (++n % 16 == 0) end_line(f);
    }
    end_line(f);
    io_check();
  }
  if (any) put(f, "\"/>");
}

void write_plan(TextFile& f, const Report& r) {
  const Plan plan = plan_layout(r);
  const int width = plan.left + plan.width + 60, height = plan.top + plan.height + 110;
  svg_open(f, "plan", width, height, "Plan of the main lines, the crosslines and the crossings");
  const Frame frame{plan.left,
                    plan.top,
                    plan.width,
                    plan.height,
                    {plan.x0, plan.x0 + plan.width * plan.scale, round_up_nice(110 * plan.scale),
                     [&plan](double x) { return plan.px(x); }, "e"},
                    {plan.y0, plan.y0 + plan.height * plan.scale, round_up_nice(60 * plan.scale),
                     [&plan](double y) { return plan.py(y); }, "n"}};
  write_grid(f, frame);
  write_lines(f, plan, r.main->p, *r.main_lines, Kind::main, kMainInk, "main-lines");
  write_lines(f, plan, r.cross->p, *r.cross_lines, Kind::cross, kCrossInk, "crosslines");
  // The crossings, one dot of each colour a 2 x 2 pixel cell, the best order
  // drawn first so that failures stand on top.
  const int cols = plan.width / 2 + 1, rows = plan.height / 2 + 1;
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(cols) * rows, 0);
  for (int o = 0; o <= kOrders; ++o) {
    Marks dots = begin_marks(f,
                             "class=\"crossings-" + std::to_string(o) + "\" fill=\"none\" stroke=\"" +
                                 std::string(kOrderInk[o]) + "\" stroke-width=\"8\" stroke-linecap=\"round\"",
                             kDot);
    for (const Crossing& c : *r.crossings) {
      if (best_order(c) != o) continue;
      const int col = std::clamp(static_cast<int>((plan.px(c.x) - plan.left) / 2), 0, cols - 1);
      const int row = std::clamp(static_cast<int>((plan.py(c.y) - plan.top) / 2), 0, rows - 1);
      std::uint8_t& cell = cells[static_cast<std::size_t>(row) * cols + col];
      if (cell & (1u << o)) continue;
      cell |= static_cast<std::uint8_t>(1u << o);
      add_mark(dots, plan.left + 2 * col + 1, plan.top + 2 * row + 1);
    }
    end_marks(dots);
  }
  write_frame(f, frame);
  svg_text(f, plan.left + plan.width / 2.0, plan.top + plan.height + 36, "text-anchor=\"middle\"",
           "Easting (m)");
  const double middle = plan.top + plan.height / 2.0;
  svg_text(f, 16, middle, "text-anchor=\"middle\" transform=\"rotate(-90 16 " + num(middle, 1) + ")\"",
           "Northing (m)");
  write_north_arrow(f, plan.left + plan.width + 30, plan.top);
  // The legend under the frame: the lines, then the colours of the orders.
  double x = plan.left;
  const double y = plan.top + plan.height + 62;
  for (const auto& [ink, text] : {std::pair{kMainInk, "main line"}, std::pair{kCrossInk, "crossline"}}) {
    svg_line(f, x, y, x + 22, y, "stroke=\"" + std::string(ink) + "\" stroke-width=\"1.2\"");
    svg_text(f, x + 28, y, "dy=\"0.35em\"", text);
    x += 28 + text_width(std::string_view(text).size()) + 14;
  }
  for (int o = 0; o <= kOrders; ++o) {
    if (kOrderLegend[o].empty()) continue;
    Marks dot = begin_marks(f,
                            "fill=\"none\" stroke=\"" + std::string(kOrderInk[o]) +
                                "\" stroke-width=\"8\" stroke-linecap=\"round\"",
                            kDot);
    add_mark(dot, static_cast<int>(x + 4), static_cast<int>(y));
    end_marks(dot);
    svg_text(f, x + 12, y, "dy=\"0.35em\"", kOrderLegend[o]);
    x += 12 + text_width(kOrderLegend[o].size()) + 10;
  }
  svg_text(f, plan.left, y + 22, "", "Crossings coloured by the strictest order they pass.");
  write_scale_bar(f, plan.left + plan.width - 250, y + 14, plan.scale);
  put(f, "</svg>");
}

// ------------------------------------------------------------- the histogram

void write_histogram(TextFile& f, const Report& r, double limit) {
  constexpr int kLeft = 64, kTop = 36, kWidth = 600, kHeight = 180, kBins = 40;
  const std::vector<Crossing>& crossings = *r.crossings;
  std::vector<double> sizes;
  for (const Crossing& c : crossings) sizes.push_back(std::fabs(c.difference));
  const double half = round_up_nice(std::max(1.25 * limit, quantile(sizes, 0.99)));
  std::array<int, kBins> bins{};
  std::size_t outside = 0;
  for (const Crossing& c : crossings) {
    const double v = (c.difference + half) / (2 * half) * kBins;
    if (!(v >= 0 && v <= kBins)) {
      ++outside;
      continue;
    }
    ++bins[std::min(static_cast<int>(v), kBins - 1)];
  }
  const int most = std::max(1, *std::max_element(bins.begin(), bins.end()));
  const double step = round_up_nice(most / 5.0);
  const double top_count = std::max<double>(most, step * std::ceil(most / step));
  const auto at_x = [&](double d) { return kLeft + (d + half) / (2 * half) * kWidth; };
  const auto at_y = [&](double n) { return kTop + kHeight - n / top_count * kHeight; };
  svg_open(f, "histogram", kLeft + kWidth + 40, kTop + kHeight + 60, "Histogram of the differences");
  const Order& order = kOrderTable[r.order];
  svg_text(f, kLeft, 16, "",
           "Dashed: \u00b1TVU of " + std::string(order.name) + " at the median depth " +
               num(r.stats.median_depth, 1) + " m, \u00b1" + num(limit, 3) + " m" +
               (outside > 0 ? "; " + std::to_string(outside) + " beyond the axis" : std::string()));
  const Frame frame{kLeft,
                    kTop,
                    kWidth,
                    kHeight,
                    {-half, half, round_up_nice(half / 5), at_x, "d"},
                    {0, top_count, step, at_y, "count"}};
  write_grid(f, frame);
  for (int i = 0; i < kBins; ++i) {
    if (bins[i] == 0) continue;
    const double x0 = at_x(-half + 2 * half * i / kBins), x1 = at_x(-half + 2 * half * (i + 1) / kBins);
    svg_rect(f, x0, at_y(bins[i]), x1 - x0, at_y(0) - at_y(bins[i]),
             "class=\"bar\" fill=\"#4a6fa5\" stroke=\"#ffffff\" stroke-width=\"0.5\"");
  }
  for (const double d : {-limit, limit})
    svg_line(f, at_x(d), kTop, at_x(d), kTop + kHeight,
             "class=\"tvu\" stroke=\"#d7191c\" stroke-width=\"1.5\" stroke-dasharray=\"5 3\"");
  write_frame(f, frame);
  svg_text(f, kLeft + kWidth / 2.0, kTop + kHeight + 36, "text-anchor=\"middle\"",
           "Difference crossline \u2212 main line (m)");
  const double middle = kTop + kHeight / 2.0;
  svg_text(f, 16, middle, "text-anchor=\"middle\" transform=\"rotate(-90 16 " + num(middle, 1) + ")\"",
           "Crossings");
  put(f, "</svg>");
}

// ------------------------------------------------------------------- tables

void write_inputs(TextFile& f, const Report& r) {
  put(f, "<table id=\"inputs\">");
  row(f, {"Points", r.points_path, std::to_string(r.main->p.size()) + " records"});
  if (!r.crosslines_path.empty())
    row(f, {"Crosslines", r.crosslines_path, std::to_string(r.cross->p.size()) + " records"});
  row(f, {"Main lines", std::to_string(r.count[0]), num(r.main_length, 1) + " m"});
  const double share = r.main_length > 0 ? r.cross_length / r.main_length : 0;
  row(f, {"Crosslines", std::to_string(r.count[1]),
          num(r.cross_length, 1) + " m, " + percent(share) + " % of the main lines (" +
              (share >= 0.08 ? "at least" : "below") + " the usual 8 % of single-beam surveys)"});
  row(f, {"Diagonals, not used", std::to_string(r.count[2]), ""});
  row(f, {"Short pieces and turns, not used", std::to_string(r.count[3]), ""});
  row(f, {"Crossings", std::to_string(r.crossings->size()), ""});
  put(f, "</table>");
  put(f,
      "<p class=\"small\">Lines: the track cut where the heading turns by more than 30\u00b0 over 20 m or "
      "where records lie more than " +
          length_text(r.rules.max_gap) + " m apart; a line is at least " + length_text(r.rules.min_line) +
          " m long. " +
          (r.crosslines_path.empty()
               ? "Main lines within 30\u00b0 of " +
                     (r.heading_given ? "the heading given, " + num(r.main_heading, 1) +
                                            "\u00b0 from grid north (the dominant heading is " +
                                            num(bearing_of(r.dominant), 1) + "\u00b0)"
                                      : "the dominant heading, " + num(bearing_of(r.dominant), 1) +
                                            "\u00b0 from grid north") +
                     ", crosslines more than 45\u00b0 from it."
               : std::string(
                     "The lines of the crosslines file are the crosslines, those of the points the main "
                     "lines.")) +
          " " + std::to_string(r.steps.gaps) + " of the " + std::to_string(r.steps.count) +
          " steps between records are longer than " + length_text(r.rules.max_gap) + " m" +
          (many_gaps(r.steps) ? " (the median step is " + num(r.steps.median, 1) + " m)." : ".") +
          " Heights interpolated linearly along both lines' steps at each crossing; difference = crossline "
          "\u2212 main line; depth = \u2212z of the main line.</p>");
}

void write_orders(TextFile& f, const Report& r) {
  put(f, "<table id=\"orders\">");
  row(f,
      {"Order", "a (m)", "b", "TVU at " + num(r.stats.median_depth, 1) + " m (m)", "Crossings passing",
       "95th percentile of |difference| / TVU", "Result"},
      true);
  for (int o = 0; o < kOrders; ++o) {
    const Order& order = kOrderTable[o];
    const bool any = r.stats.count > 0;
    row(f,
        {std::string(order.name), num(order.a, 2), num(order.b, 4), num(tvu(order, r.stats.median_depth), 3),
         any ? percent(r.stats.pass[o]) + " %" : std::string("-"), any ? num(r.stats.p95_ratio[o], 2) : "-",
         r.stats.met[o] ? "met" : "not met"},
        false, r.stats.met[o] ? "class=\"met\"" : "class=\"notmet\"");
  }
  put(f, "</table>");
  put(f,
      "<p class=\"small\">TVU(d) = \u221a(a\u00b2 + (b\u00b7d)\u00b2) at the depth d of each crossing; a "
      "crossing passes when |difference| \u2264 TVU(d); an order is met when at least 95 % of the crossings "
      "pass.</p>");
  if (r.stats.count < kMeaningful)
    put(f, "<p class=\"warning\" id=\"few\">Only " + std::to_string(r.stats.count) +
               " crossings: fewer than " + std::to_string(kMeaningful) +
               ", so the 95 % figures are not meaningful. Run more crosslines.</p>");
}

void write_statistics(TextFile& f, const Report& r) {
  const Stats& s = r.stats;
  put(f, "<table id=\"statistics\">");
  row(f, {"Crossings", std::to_string(s.count)});
  row(f, {"Mean (bias between the lines)", num(s.mean, 3) + " m"});
  row(f, {"Standard deviation", num(s.sd, 3) + " m"});
  row(f, {"RMS", num(s.rms, 3) + " m"});
  row(f, {"Largest |difference|", num(s.max_abs, 3) + " m"});
  row(f, {"95th percentile of |difference|", num(s.p95_abs, 3) + " m"});
  row(f, {"Median depth of the crossings", num(s.median_depth, 2) + " m"});
  put(f, "</table>");
}

void write_worst(TextFile& f, const Report& r) {
  const std::vector<Crossing>& c = *r.crossings;
  const Order& order = kOrderTable[r.order];
  std::vector<std::size_t> index(c.size());
  std::iota(index.begin(), index.end(), 0);
  const auto ratio = [&](std::size_t i) { return std::fabs(c[i].difference) / tvu(order, c[i].depth); };
  const std::size_t n = std::min<std::size_t>(kWorst, c.size());
  std::partial_sort(
      index.begin(), index.begin() + static_cast<std::ptrdiff_t>(n), index.end(),
      [&](std::size_t a, std::size_t b) { return ratio(a) != ratio(b) ? ratio(a) > ratio(b) : a < b; });
  put(f, "<table id=\"worst\">");
  row(f,
      {"#", "Easting", "Northing", "Depth", "z main", "z cross", "Difference", "|diff| / TVU", "Best order",
       "Main records", "Crossline records"},
      true);
  for (std::size_t k = 0; k < n; ++k) {
    const Crossing& x = c[index[k]];
    const int best = best_order(x);
    row(f,
        {std::to_string(k + 1), num(x.x, 2), num(x.y, 2), num(x.depth, 2), num(x.z_main, 3),
         num(x.z_cross, 3), num(x.difference, 3), num(ratio(index[k]), 2),
         std::string(best < kOrders ? kOrderLegend[best] : "none"),
         std::to_string(line_of(*r.main, x.main)) + "\u2013" + std::to_string(line_of(*r.main, x.main + 1)),
         std::to_string(line_of(*r.cross, x.cross)) + "\u2013" +
             std::to_string(line_of(*r.cross, x.cross + 1))});
  }
  put(f, "</table>");
}

constexpr std::string_view kStyle = R"(<style>
@page { size: A4; margin: 14mm 12mm; }
body { font-family: "DejaVu Sans", Verdana, Arial, sans-serif; font-size: 10pt; color: #000;
       background: #fff; max-width: 186mm; margin: 0 auto; }
h1 { font-size: 16pt; margin: 0 0 1mm; }
h2 { font-size: 12pt; margin: 5mm 0 2mm; break-after: avoid; }
p { margin: 1mm 0 2mm; }
.small { font-size: 8.5pt; color: #333; }
.warning { font-weight: bold; color: #b00; border: 1px solid #b00; padding: 1.5mm; }
table { border-collapse: collapse; margin: 1mm 0 2mm; break-inside: avoid; }
th, td { border: 1px solid #999; padding: 0.8mm 2mm; text-align: right; vertical-align: top; }
th:first-child, td:first-child { text-align: left; }
tr:first-child th { background: #eee; }
#inputs td, #inputs th { text-align: left; }
#worst { font-size: 8pt; }
#orders td:last-child { white-space: nowrap; }
tr.met td:last-child { color: #1a7f37; font-weight: bold; }
tr.notmet td:last-child { color: #c00; font-weight: bold; }
figure { margin: 0; break-inside: avoid; }
svg { display: block; max-width: 100%; height: auto; }
.new-page { break-before: page; }
</style>)";

}  // namespace

void write_report(TextFile& f, const Report& r) {
  const double limit = tvu(kOrderTable[r.order], r.stats.median_depth);
  put(f, "<!DOCTYPE html>");
  put(f, "<html lang=\"en\">");
  put(f, "<head>");
  put(f, "<meta charset=\"utf-8\">");
  put(f, "<title>" + xml_text("Crossline check: " + r.title) + "</title>");
  put(f, kStyle);
  put(f, "</head>");
  put(f, "<body>");
  put(f, "<h1>" + xml_text("Crossline check: " + r.title) + "</h1>");
  put(f,
      "<p class=\"small\">Made by survey_qc on " + xml_text(r.date) +
          ". IHO S-44, 6th edition (2020): total vertical uncertainty of the depths where crosslines cross "
          "the main lines.</p>");
  put(f, "<h2>Inputs</h2>");
  write_inputs(f, r);
  put(f, "<h2>Orders</h2>");
  write_orders(f, r);
  put(f, "<h2>Differences crossline \u2212 main line</h2>");
  write_statistics(f, r);
  put(f, "<div id=\"along-track\">");
  for (const std::string& sentence : r.along_track) put(f, "<p>" + xml_text(sentence) + "</p>");
  put(f, "<p class=\"small\">" + xml_text(kAlongTrackNote) + "</p>");
  put(f, "</div>");
  put(f, "<h2 class=\"new-page\">Histogram of the differences</h2>");
  put(f, "<figure>");
  write_histogram(f, r, limit);
  put(f, "</figure>");
  put(f, "<h2>Plan</h2>");
  put(f, "<figure>");
  write_plan(f, r);
  put(f, "</figure>");
  put(f, "<h2>The " + std::to_string(kWorst) + " worst crossings (largest |difference| / TVU of " +
             std::string(kOrderTable[r.order].name) + ")</h2>");
  write_worst(f, r);
  put(f, "</body>");
  put(f, "</html>");
}

}  // namespace survey_qc
