#include "sheet.h"

#include <algorithm>
#include <cmath>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "map_marks.h"
#include "svg.h"

namespace survey_sheet {

using survey_rt::PdfFont;
using survey_rt::Rgb;
using surface::Point2;

namespace {

constexpr Rgb kBlack{0, 0, 0}, kWhite{1, 1, 1};
constexpr Rgb kGridGrey{0.72, 0.72, 0.72};
constexpr Rgb kMinorBlue{0.45, 0.6, 0.8}, kMajorBlue{0.1, 0.3, 0.6};
constexpr Rgb kOutlineGrey{0.3, 0.3, 0.3};
constexpr Rgb kIndexGrey{0.86, 0.86, 0.86};

const Ink kGridInk{kGridGrey, 0.1};
const Ink kMinorInk{kMinorBlue, 0.15};
const Ink kMajorInk{kMajorBlue, 0.35};
const Ink kOutlineInk{kOutlineGrey, 0.25, 1.5, 0.8};
const Ink kFrameInk{kBlack, 0.35, 0, 0, false};
const Ink kThinInk{kBlack, 0.2, 0, 0, false};

constexpr double kTextMm = 1.8;    // the cap height of the panel's and the grid's texts
constexpr double kLabelGapMm = 1.5;  // between the frame and the grid's labels
constexpr double kThinning = 0.02;   // a line's points within this of the drawn line are left out, mm

// The font size (em) of a cap height.
double em(double cap) { return cap / survey_rt::kCapHeight; }

void text(Page& p, double x, double y, double cap, std::string t, Anchor anchor = Anchor::start,
          PdfFont font = PdfFont::regular, double angle = 0, const Rgb& colour = kBlack) {
  p.items.emplace_back(Text{{x, y}, em(cap), angle, font, anchor, std::move(t), colour});
}

void line(Page& p, const Ink& ink, std::vector<Pt> points, bool closed = false) {
  p.items.emplace_back(Lines{ink, {std::move(points)}, closed});
}

void rect(Page& p, double x, double y, double w, double h, const Rgb& fill, bool outlined, const Ink& ink = kThinInk) {
  p.items.emplace_back(Area{{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, fill, outlined, ink});
}

// The lines of a text that fit a width, broken between words.
std::vector<std::string> wrapped(const std::string& t, double cap, double width, PdfFont font = PdfFont::regular) {
  std::vector<std::string> lines;
  std::string current;
  std::size_t i = 0;
  while (i < t.size()) {
    const std::size_t end = std::min(t.find(' ', i), t.size());
    const std::string word = t.substr(i, end - i);
    const std::string longer = current.empty() ? word : current + " " + word;
    if (!current.empty() && text_length(Text{{}, em(cap), 0, font, Anchor::start, longer, kBlack}) > width) {
      lines.push_back(current);
      current = word;
    } else {
      current = longer;
    }
    i = end + 1;
  }
  if (!current.empty() || lines.empty()) lines.push_back(current);
  return lines;
}

// A sounding's label on paper at (u, v), text height h mm: the whole metres
// centred on it, the decimal digit smaller and lowered after them, a drying
// height underlined.
void sounding_label(Page& p, double u, double v, double z, double h) {
  const survey_rt::FixedText label = soundings::label_text(z);
  const std::string_view all = label;
  const std::size_t n = soundings::whole_chars(all);
  const std::string whole(all.substr(0, n)), digit(all.substr(n + 1));
  const double right = u + n * soundings::kCharWidth / 2 * h;
  text(p, u, v + h / 2, h, whole, Anchor::middle);
  text(p, right, v + (0.5 + soundings::kDigitDrop) * h, soundings::kDigitHeight * h, digit);
  if (z > 0) {
    const double left = u - text_length(Text{{}, em(h), 0, PdfFont::regular, Anchor::start, whole, kBlack}) / 2;
    const double end =
        right + text_length(Text{{}, em(soundings::kDigitHeight * h), 0, PdfFont::regular, Anchor::start, digit, kBlack});
    line(p, Ink{kBlack, 0.05 * h, 0, 0, false}, {{left, v + 0.75 * h}, {end, v + 0.75 * h}});
  }
}

// A point of a line in units of kThinning / 2 of paper, for thinning.
struct Fine {
  double x = 0, y = 0;
};

// The pieces of a line that come near the map: runs of its points on paper
// whose steps meet the window (the map grown by a millimetre), thinned.
void add_pieces(std::vector<std::vector<Pt>>& out, const std::vector<Point2>& points, const MapView& view,
                const Extent& window) {
  std::vector<Fine> run;
  const double unit = kThinning * 2;  // simplified_line keeps what stands out more than half a unit
  auto flush = [&] {
    if (run.size() >= 2) {
      std::vector<Pt> piece;
      for (const Fine& f : survey_rt::simplified_line(run)) piece.push_back({f.x * unit, f.y * unit});
      out.push_back(std::move(piece));
    }
    run.clear();
  };
  auto fine = [&](const Point2& q) { return Fine{view.u(q.x) / unit, view.v(q.y) / unit}; };
  for (std::size_t i = 1; i < points.size(); ++i) {
    const Point2 &a = points[i - 1], &b = points[i];
    const bool meets = std::max(a.x, b.x) >= window.x0 && std::min(a.x, b.x) <= window.x1 &&
                       std::max(a.y, b.y) >= window.y0 && std::min(a.y, b.y) <= window.y1;
    if (!meets) {
      flush();
      continue;
    }
    if (run.empty()) run.push_back(fine(a));
    run.push_back(fine(b));
  }
  flush();
}

bool inside(const Extent& e, double x, double y) { return x >= e.x0 && x <= e.x1 && y >= e.y0 && y <= e.y1; }

void draw_map(Page& p, const Survey& s, const PageLayout& page, const Sheet& sheet, const MapView& view) {
  const Extent& g = sheet.ground;
  const double metre = s.scale / 1000;  // a millimetre of paper on the ground
  const Extent window{g.x0 - metre, g.y0 - metre, g.x1 + metre, g.y1 + metre};
  p.items.emplace_back(Clip{page.map_left, page.map_top, page.map_width, page.map_height});

  Lines grid{kGridInk, {}, false};
  for (double k = std::ceil(g.x0 / s.grid); k * s.grid <= g.x1; ++k)
    grid.lines.push_back({{view.u(k * s.grid), page.map_top}, {view.u(k * s.grid), page.map_top + page.map_height}});
  for (double k = std::ceil(g.y0 / s.grid); k * s.grid <= g.y1; ++k)
    grid.lines.push_back({{page.map_left, view.v(k * s.grid)}, {page.map_left + page.map_width, view.v(k * s.grid)}});
  p.items.emplace_back(std::move(grid));

  Lines outline{kOutlineInk, {}, false};
  for (const std::vector<Point2>& loop : s.outline) add_pieces(outline.lines, loop, view, window);
  p.items.emplace_back(std::move(outline));

  Lines minor{kMinorInk, {}, false}, major{kMajorInk, {}, false};
  for (std::size_t i = 0; i < s.contours.size(); ++i) {
    const Extent& b = s.contour_bounds[i];
    if (b.x1 < window.x0 || b.x0 > window.x1 || b.y1 < window.y0 || b.y0 > window.y1) continue;
    const surface::Contour& c = s.contours[i];
    add_pieces(surface::is_major(c, s.major) ? major.lines : minor.lines, c.points, view, window);
  }
  p.items.emplace_back(std::move(minor));
  p.items.emplace_back(std::move(major));

  // The contours' labels, each on a white ground that cuts the lines under it.
  const double reach = 20 * metre;
  for (const ContourLabel& l : s.labels) {
    if (!inside({g.x0 - reach, g.y0 - reach, g.x1 + reach, g.y1 + reach}, l.x, l.y)) continue;
    const Quad q = label_quad(l, kContourPadMm * metre);
    Area ground{{}, kWhite, false, {}};
    for (const Point2& c : q.corner) ground.corners.push_back({view.u(c.x), view.v(c.y)});
    p.items.emplace_back(std::move(ground));
    const Point2 start = baseline_start(l);
    text(p, view.u(start.x), view.v(start.y), kContourTextMm, l.text, Anchor::start, PdfFont::regular, l.angle,
         kMajorBlue);
  }

  for (const soundings::Sounding& k : s.kept)
    if (inside(g, k.x, k.y)) sounding_label(p, view.u(k.x), view.v(k.y), k.z, s.text_mm);
  p.items.emplace_back(Unclip{});
}

// The frame and the grid's eastings below and above it, its northings left
// and right of it, reading up.
void draw_frame(Page& p, const Survey& s, const PageLayout& page, const Sheet& sheet, const MapView& view) {
  const double left = page.map_left, top = page.map_top, right = left + page.map_width, bottom = top + page.map_height;
  line(p, kFrameInk, {{left, top}, {right, top}, {right, bottom}, {left, bottom}}, true);
  const int decimals = survey_rt::decimals_of(s.grid);
  const Extent& g = sheet.ground;
  for (double k = std::ceil(g.x0 / s.grid); k * s.grid <= g.x1; ++k) {
    const std::string t = survey_rt::fixed_text(k * s.grid + 0.0, decimals);
    text(p, view.u(k * s.grid), bottom + kLabelGapMm + kTextMm, kTextMm, t, Anchor::middle);
    text(p, view.u(k * s.grid), top - kLabelGapMm, kTextMm, t, Anchor::middle);
  }
  for (double k = std::ceil(g.y0 / s.grid); k * s.grid <= g.y1; ++k) {
    const std::string t = survey_rt::fixed_text(k * s.grid + 0.0, decimals);
    text(p, left - kLabelGapMm, view.v(k * s.grid), kTextMm, t, Anchor::middle, PdfFont::regular, 90);
    text(p, right + kLabelGapMm + kTextMm, view.v(k * s.grid), kTextMm, t, Anchor::middle, PdfFont::regular, 90);
  }
}

// The north arrow and the scale bar at the panel's top; the bottom of what
// they take.
double draw_marks(Page& p, const Survey& s, double x, double y) {
  const survey_rt::NorthArrow a = survey_rt::north_arrow(x + 10, y, 0.3);
  text(p, x + 10, a.letter, 3, "N", Anchor::middle, PdfFont::bold);
  Area dark{{}, kBlack, true, kThinInk}, light{{}, kWhite, true, kThinInk};
  for (int i = 0; i < 3; ++i) {
    dark.corners.push_back({a.dark[i].x, a.dark[i].y});
    light.corners.push_back({a.light[i].x, a.light[i].y});
  }
  p.items.emplace_back(std::move(dark));
  p.items.emplace_back(std::move(light));
  text(p, x + 10, a.caption, 1.6, "grid north", Anchor::middle);

  const double left = x + 28, bar_top = y + 10;
  const survey_rt::ScaleBar bar = survey_rt::scale_bar(58, s.scale / 1000);
  text(p, left, y + 5, 2.5, "Scale 1:" + survey_rt::short_real(s.scale), Anchor::start, PdfFont::bold);
  for (int i = 0; i < 4; ++i) rect(p, left + i * bar.length / 4, bar_top, bar.length / 4, 2, i % 2 == 0 ? kBlack : kWhite, true);
  const double under = bar_top + 2 + 1 + kTextMm;
  text(p, left, under, kTextMm, "0", Anchor::middle);
  text(p, left + bar.length / 2, under, kTextMm, survey_rt::fixed_text(bar.metres / 2, bar.decimals), Anchor::middle);
  text(p, left + bar.length, under, kTextMm, survey_rt::fixed_text(bar.metres, bar.decimals) + " m", Anchor::middle);
  return a.caption + 2;
}

// The legend: a row a sign, its sample left and its meaning right; the
// bottom of what it takes.
double draw_legend(Page& p, const Survey& s, double x, double y, double width) {
  const double gap = 5.5, words = x + 16;
  auto meaning = [&](double row, const std::string& t) {
    double at = row + kTextMm / 2;
    for (const std::string& l : wrapped(t, kTextMm, width - 16)) {
      text(p, words, at, kTextMm, l);
      at += kTextMm * 1.6;
    }
    return at - kTextMm / 2 - kTextMm * 1.6 + gap;
  };
  double row = y + 2;
  sounding_label(p, x + 5, row, -8.5, s.text_mm);
  row = meaning(row, "Sounding: depth in metres and decimetres below the datum");
  sounding_label(p, x + 5, row, 1.2, s.text_mm);
  row = meaning(row, "Drying height in metres above the datum");
  line(p, kMinorInk, {{x, row}, {x + 12, row}});
  row = meaning(row, "Contour every " + survey_rt::short_real(s.interval) + " m");
  line(p, kMajorInk, {{x, row}, {x + 12, row}});
  row = meaning(row, "Contour every " + survey_rt::short_real(s.interval * s.major) + " m, labelled with its depth");
  line(p, kOutlineInk, {{x, row}, {x + 12, row}});
  row = meaning(row, "Limit of the survey (the TIN's outline)");
  line(p, kGridInk, {{x, row}, {x + 12, row}});
  row = meaning(row, "Grid lines every " + survey_rt::short_real(s.grid) + " m");
  return row;
}

// The index of the sheets: their outlines and numbers over the survey's
// outline, this sheet shaded, in the box given.
void draw_index(Page& p, const Survey& s, const SheetPlan& plan, const Sheet& sheet, double x, double y, double w,
                double h) {
  text(p, x, y + kTextMm, kTextMm, "Index of sheets", Anchor::start, PdfFont::bold);
  y += kTextMm + 2;
  h -= kTextMm + 2;
  Extent all = plan.sheets.front().ground;
  for (const Sheet& k : plan.sheets) {
    all.x0 = std::min(all.x0, k.ground.x0), all.y0 = std::min(all.y0, k.ground.y0);
    all.x1 = std::max(all.x1, k.ground.x1), all.y1 = std::max(all.y1, k.ground.y1);
  }
  const double mm = std::min(w / (all.x1 - all.x0), h / (all.y1 - all.y0));
  const double left = x + (w - (all.x1 - all.x0) * mm) / 2, top = y + (h - (all.y1 - all.y0) * mm) / 2;
  const MapView v{left, top, all.x0, all.y1, mm};
  const Sheet& own = sheet;
  rect(p, v.u(own.ground.x0), v.v(own.ground.y1), (own.ground.x1 - own.ground.x0) * mm,
       (own.ground.y1 - own.ground.y0) * mm, kIndexGrey, false);
  Lines outline{Ink{kOutlineGrey, 0.15}, {}, true};
  for (const std::vector<Point2>& loop : s.outline) {
    std::vector<Pt> points;
    for (const Point2& q : loop) points.push_back({v.u(q.x), v.v(q.y)});
    outline.lines.push_back(survey_rt::simplified_line(points));
  }
  p.items.emplace_back(std::move(outline));
  for (const Sheet& k : plan.sheets) {
    const double kw = (k.ground.x1 - k.ground.x0) * mm, kh = (k.ground.y1 - k.ground.y0) * mm;
    const double x0 = v.u(k.ground.x0), y0 = v.v(k.ground.y1);
    line(p, kThinInk, {{x0, y0}, {x0 + kw, y0}, {x0 + kw, y0 + kh}, {x0, y0 + kh}}, true);
    const double cap = std::min(2.5, kh / 3);
    text(p, v.u((k.ground.x0 + k.ground.x1) / 2), v.v((k.ground.y0 + k.ground.y1) / 2) + cap / 2, cap,
         std::to_string(k.number), Anchor::middle, k.number == own.number ? PdfFont::bold : PdfFont::regular);
  }
}

// The title block at the panel's foot: the title, the sheet's number, the
// scale and the notes, framed; the top of what it takes.
double draw_title_block(Page& p, const Survey& s, const SheetPlan& plan, const Sheet& sheet, double x, double bottom,
                        double width) {
  struct Row {
    std::string text;
    double cap;
    PdfFont font;
  };
  std::vector<Row> rows;
  const double inner = width - 6;
  std::vector<std::string> title = wrapped(s.title, 3.6, inner, PdfFont::bold);
  if (title.size() > 3) title.resize(3);
  for (const std::string& t : title) rows.push_back({t, 3.6, PdfFont::bold});
  rows.push_back({"Sheet " + std::to_string(sheet.number) + " of " + std::to_string(plan.sheets.size()), 2.8,
                  PdfFont::bold});
  rows.push_back({"Scale 1:" + survey_rt::short_real(s.scale), 2.8, PdfFont::bold});
  for (const std::string& note : s.notes)
    for (const std::string& t : wrapped(note, kTextMm, inner)) rows.push_back({t, kTextMm, PdfFont::regular});
  double height = 3;
  for (const Row& r : rows) height += r.cap * 1.7;
  height += 1.5;
  const double top = bottom - height;
  line(p, kFrameInk, {{x, top}, {x + width, top}, {x + width, bottom}, {x, bottom}}, true);
  double at = top + 3;
  for (const Row& r : rows) {
    at += r.cap * 1.7;
    text(p, x + 3, at - r.cap * 0.5, r.cap, r.text, Anchor::start, r.font);
  }
  return top;
}

}  // namespace

void bound_contours(Survey& s) {
  s.contour_bounds.clear();
  for (const surface::Contour& c : s.contours) {
    Extent b{c.points[0].x, c.points[0].y, c.points[0].x, c.points[0].y};
    for (const Point2& q : c.points) {
      b.x0 = std::min(b.x0, q.x), b.x1 = std::max(b.x1, q.x);
      b.y0 = std::min(b.y0, q.y), b.y1 = std::max(b.y1, q.y);
    }
    s.contour_bounds.push_back(b);
  }
}

Page draw_sheet(const Survey& s, const SheetPlan& plan, const Sheet& sheet) {
  const PageLayout& page = plan.page;
  Page p{page.width, page.height, {}};
  const MapView view = map_view(page, sheet, s.scale);
  draw_map(p, s, page, sheet, view);
  draw_frame(p, s, page, sheet, view);

  const double x = page.panel_left, w = page.panel_width, bottom = page.map_top + page.map_height;
  double y = draw_marks(p, s, x, page.map_top);
  y = draw_legend(p, s, x, y + 6, w);
  const double block = draw_title_block(p, s, plan, sheet, x, bottom, w);
  const double room = std::min(w, block - 6 - (y + 4));
  if (plan.sheets.size() > 1 && room > 20) draw_index(p, s, plan, sheet, x, y + 4, w, room);
  return p;
}

}  // namespace survey_sheet
