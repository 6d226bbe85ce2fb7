#include "layout.h"

#include <algorithm>
#include <cmath>

#include "ascii_case.h"

namespace survey_sheet {

namespace {

constexpr Paper kPapers[] = {
    {"A0", 841, 1189}, {"A1", 594, 841}, {"A2", 420, 594}, {"A3", 297, 420}, {"A4", 210, 297}};

constexpr double kEdgeMm = 10;   // bare paper at every edge
constexpr double kBandMm = 8;    // the grid's labels between the map and the edge
constexpr double kPanelMm = 90;  // title block, legend and index

// The most sheets a plan lays out before it looks which hold the survey.
constexpr double kMostLaidOut = 1e5;

// Sheets of length side (ground) overlapping by overlap that cover a span:
// their count and where the first starts, the whole row centred on the span.
struct Run {
  int count = 1;
  double start = 0;
};
Run cover(double low, double high, double side, double overlap) {
  const double span = high - low;
  Run r;
  // A span a hair longer than the side (a survey drawn exactly to a sheet's
  // size) still fits one sheet.
  // (At most a billion: far more than are ever laid out.)
  if (span > side * (1 + 1e-12))
    r.count = static_cast<int>(std::min(std::ceil((span - side) / (side - overlap) - 1e-9), 1e9)) + 1;
  const double total = r.count * side - (r.count - 1) * overlap;
  r.start = (low + high) / 2 - total / 2;
  return r;
}

}  // namespace

const Paper* paper_named(std::string_view name) {
  for (const Paper& p : kPapers)
    if (survey_rt::equal_nocase(p.name, name)) return &p;
  return nullptr;
}

PageLayout page_layout(const Paper& paper, Orientation orientation) {
  PageLayout p;
  p.width = orientation == Orientation::landscape ? paper.long_side : paper.short_side;
  p.height = orientation == Orientation::landscape ? paper.short_side : paper.long_side;
  p.panel_width = kPanelMm;
  p.panel_left = p.width - kEdgeMm - kPanelMm;
  p.map_left = kEdgeMm + kBandMm;
  p.map_top = kEdgeMm + kBandMm;
  p.map_width = p.panel_left - kBandMm - p.map_left;
  p.map_height = p.height - 2 * (kEdgeMm + kBandMm);
  return p;
}

SheetPlan plan_sheets(const Extent& survey, const Paper& paper, std::optional<Orientation> orientation, double scale,
                      const std::function<bool(const Extent&)>& occupied) {
  const double overlap = kOverlapMm * scale / 1000;
  auto plan_for = [&](Orientation o) {
    SheetPlan plan;
    plan.orientation = o;
    plan.page = page_layout(paper, o);
    const double w = plan.page.map_width * scale / 1000, h = plan.page.map_height * scale / 1000;
    const Run across = cover(survey.x0, survey.x1, w, overlap), up = cover(survey.y0, survey.y1, h, overlap);
    plan.columns = across.count;
    plan.rows = up.count;
    if (static_cast<double>(plan.columns) * plan.rows > kMostLaidOut) return plan;
    for (int row = 0; row < plan.rows; ++row)
      for (int column = 0; column < plan.columns; ++column) {
        Sheet s;
        s.column = column;
        s.row = row;
        s.ground.x0 = across.start + column * (w - overlap);
        s.ground.y0 = up.start + row * (h - overlap);
        s.ground.x1 = s.ground.x0 + w;
        s.ground.y1 = s.ground.y0 + h;
        if (!occupied(s.ground)) continue;
        s.number = static_cast<int>(plan.sheets.size()) + 1;
        plan.sheets.push_back(s);
      }
    return plan;
  };
  if (orientation) return plan_for(*orientation);
  SheetPlan landscape = plan_for(Orientation::landscape), portrait = plan_for(Orientation::portrait);
  const auto count = [](const SheetPlan& p) {
    return p.sheets.empty() ? static_cast<double>(p.columns) * p.rows : static_cast<double>(p.sheets.size());
  };
  if (count(landscape) != count(portrait)) return count(landscape) < count(portrait) ? landscape : portrait;
  // As many sheets: the map whose shape is nearer the survey's.
  const auto misfit = [&](const SheetPlan& p) {
    const double survey_shape = std::max(survey.x1 - survey.x0, 1e-9) / std::max(survey.y1 - survey.y0, 1e-9);
    return std::fabs(std::log(survey_shape / (p.page.map_width / p.page.map_height)));
  };
  return misfit(portrait) < misfit(landscape) ? portrait : landscape;
}

double grid_interval(double scale) {
  const double metres = 100 * scale / 1000;  // 100 mm of paper
  const double ten = std::pow(10.0, std::floor(std::log10(metres)));
  double best = 0, best_misfit = 0;
  for (const bool rounder : {true, false}) {
    for (const double power : {ten / 10, ten, ten * 10})
      for (const double m : rounder ? std::vector<double>{1, 2, 2.5, 5} : std::vector<double>{1.5, 3, 4, 6, 8}) {
        const double g = m * power, mm = g * 1000 / scale;
        if (mm < 80 * (1 - 1e-12) || mm > 150 * (1 + 1e-12)) continue;
        const double misfit = std::fabs(std::log(mm / 100));
        if (best == 0 || misfit < best_misfit) best = g, best_misfit = misfit;
      }
    if (best > 0) return best;
  }
  return metres;  // not reached: the figures stand at most 1.5 times apart
}

MapView map_view(const PageLayout& page, const Sheet& sheet, double scale) {
  MapView v;
  v.left = page.map_left;
  v.top = page.map_top;
  v.x0 = sheet.ground.x0;
  v.y1 = sheet.ground.y1;
  v.mm = 1000 / scale;
  return v;
}

}  // namespace survey_sheet
