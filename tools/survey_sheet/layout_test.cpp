// The sheet's layout: papers and pages, the grid's round interval, the
// survey cut into overlapping sheets; and the contours' labels kept on their
// lines and clear of the soundings.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "contour_labels.h"
#include "layout.h"

namespace survey_sheet {
namespace {

TEST(Layout, PapersAndPages) {
  // (name, short side, long side)
  const struct {
    const char* name;
    double short_side, long_side;
  } papers[] = {{"A0", 841, 1189}, {"a1", 594, 841}, {"A2", 420, 594}, {"A3", 297, 420}, {"a4", 210, 297}};
  for (const auto& c : papers) {
    const Paper* p = paper_named(c.name);
    ASSERT_NE(p, nullptr) << c.name;
    EXPECT_EQ(p->short_side, c.short_side);
    EXPECT_EQ(p->long_side, c.long_side);
    for (const Orientation o : {Orientation::landscape, Orientation::portrait}) {
      const PageLayout page = page_layout(*p, o);
      EXPECT_EQ(page.width, o == Orientation::landscape ? c.long_side : c.short_side);
      EXPECT_EQ(page.height, o == Orientation::landscape ? c.short_side : c.long_side);
      // 10 mm bare at the edges, an 8 mm band for the grid's labels, the
      // panel of 90 mm at the right, 8 mm from the map.
      EXPECT_EQ(page.map_left, 18);
      EXPECT_EQ(page.map_top, 18);
      EXPECT_EQ(page.map_top + page.map_height, page.height - 18);
      EXPECT_EQ(page.panel_left + page.panel_width, page.width - 10);
      EXPECT_EQ(page.panel_width, 90);
      EXPECT_EQ(page.map_left + page.map_width + 8, page.panel_left);
    }
  }
  for (const char* wrong : {"A5", "B1", "", "A10", "letter"}) EXPECT_EQ(paper_named(wrong), nullptr) << wrong;
}

TEST(Layout, GridIntervalIsARoundFigure80To150MmApart) {
  // (scale, the interval)
  const double cases[][2] = {{1000, 100}, {500, 50},  {2500, 250}, {1250, 100}, {3000, 250},
                             {200, 20},   {6500, 600}, {10000, 1000}, {750, 100}, {1500, 200}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(grid_interval(c[0]), c[1]) << c[0];
  for (double scale = 50; scale < 2e6; scale *= 1.0373) {
    const double g = grid_interval(scale), mm = g * 1000 / scale;
    EXPECT_GE(mm, 80 * (1 - 1e-9)) << scale;
    EXPECT_LE(mm, 150 * (1 + 1e-9)) << scale;
    const double m = g / std::pow(10.0, std::floor(std::log10(g) + 1e-9));
    bool round = false;
    for (const double figure : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0}) round = round || std::fabs(m - figure) < 1e-9;
    EXPECT_TRUE(round) << scale << " " << g;
  }
}

TEST(Layout, SheetsOverlapByTenMillimetresAndCoverTheSurvey) {
  const Paper& a3 = *paper_named("A3");
  const auto all = [](const Extent&) { return true; };
  // (survey width, height, scale, orientation given or not: 0 none, 1
  // landscape, 2 portrait; the orientation, columns, rows)
  const struct {
    double w, h, scale;
    int given;
    Orientation want;
    int columns, rows;
  } cases[] = {
      // A3 landscape's map: 420 - 126 = 294 by 297 - 36 = 261 mm; portrait 171 by 384 mm.
      {100, 100, 1000, 0, Orientation::landscape, 1, 1},
      {290, 100, 1000, 0, Orientation::landscape, 1, 1},
      {100, 380, 1000, 0, Orientation::portrait, 1, 1},
      {294, 261, 1000, 0, Orientation::landscape, 1, 1},  // the map exactly
      {295, 100, 1000, 0, Orientation::landscape, 2, 1},  // a metre more: two sheets either way, shaped as the survey
      {578, 100, 1000, 0, Orientation::landscape, 2, 1},  // 2 x 294 - 10
      {579, 100, 1000, 0, Orientation::landscape, 3, 1},
      {400, 300, 500, 0, Orientation::landscape, 3, 3},   // portrait: 5 x 2
      {100, 100, 1000, 2, Orientation::portrait, 1, 1},
      {600, 100, 1000, 2, Orientation::portrait, 4, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + " at 1:" + std::to_string(c.scale));
    const Extent survey{5000, 7000, 5000 + c.w, 7000 + c.h};
    const std::optional<Orientation> given =
        c.given == 0 ? std::nullopt : std::optional(c.given == 1 ? Orientation::landscape : Orientation::portrait);
    const SheetPlan plan = plan_sheets(survey, a3, given, c.scale, all);
    EXPECT_EQ(plan.orientation, c.want);
    EXPECT_EQ(plan.columns, c.columns);
    EXPECT_EQ(plan.rows, c.rows);
    ASSERT_EQ(plan.sheets.size(), static_cast<std::size_t>(c.columns * c.rows));
    const double overlap = 10 * c.scale / 1000, w = plan.page.map_width * c.scale / 1000,
                 h = plan.page.map_height * c.scale / 1000;
    Extent covered = plan.sheets[0].ground;
    for (std::size_t i = 0; i < plan.sheets.size(); ++i) {
      const Sheet& s = plan.sheets[i];
      EXPECT_EQ(s.number, static_cast<int>(i) + 1);
      EXPECT_EQ(s.column, static_cast<int>(i) % c.columns);  // west to east, then the next row north
      EXPECT_EQ(s.row, static_cast<int>(i) / c.columns);
      EXPECT_NEAR(s.ground.x1 - s.ground.x0, w, 1e-9);
      EXPECT_NEAR(s.ground.y1 - s.ground.y0, h, 1e-9);
      if (s.column > 0) {
        EXPECT_NEAR(plan.sheets[i - 1].ground.x1 - s.ground.x0, overlap, 1e-6);
      }
      if (s.row > 0) {
        EXPECT_NEAR(plan.sheets[i - c.columns].ground.y1 - s.ground.y0, overlap, 1e-6);
      }
      covered.x0 = std::min(covered.x0, s.ground.x0), covered.x1 = std::max(covered.x1, s.ground.x1);
      covered.y0 = std::min(covered.y0, s.ground.y0), covered.y1 = std::max(covered.y1, s.ground.y1);
    }
    EXPECT_LE(covered.x0, survey.x0);
    EXPECT_GE(covered.x1, survey.x1);
    EXPECT_LE(covered.y0, survey.y0);
    EXPECT_GE(covered.y1, survey.y1);
    // Centred on the survey.
    EXPECT_NEAR(covered.x0 + covered.x1, survey.x0 + survey.x1, 1e-6);
    EXPECT_NEAR(covered.y0 + covered.y1, survey.y0 + survey.y1, 1e-6);
  }
}

TEST(Layout, SheetsWithoutTheSurveyAreLeftOutAndTheRestNumberedInOrder) {
  // An L-shaped survey: along the south and up the west side; the sheets
  // north of the south row and east of the west column hold nothing.
  const Paper& a4 = *paper_named("A4");
  const Extent survey{0, 0, 2000, 2000};
  const auto l_shape = [](const Extent& e) { return e.y0 < 0 || e.x0 < 0; };
  const SheetPlan plan = plan_sheets(survey, a4, Orientation::portrait, 1000, l_shape);
  ASSERT_GT(plan.columns, 2);
  ASSERT_GT(plan.rows, 2);
  EXPECT_EQ(plan.sheets.size(), static_cast<std::size_t>(plan.columns + plan.rows - 1));
  for (std::size_t i = 0; i < plan.sheets.size(); ++i) {
    EXPECT_EQ(plan.sheets[i].number, static_cast<int>(i) + 1);
    EXPECT_TRUE(plan.sheets[i].row == 0 || plan.sheets[i].column == 0);
    if (i > 0) {
      const Sheet &a = plan.sheets[i - 1], &b = plan.sheets[i];
      EXPECT_TRUE(a.row < b.row || (a.row == b.row && a.column < b.column));
    }
  }
  // Far too many sheets to lay out: counted, none listed.
  const SheetPlan huge = plan_sheets(survey, a4, std::nullopt, 1e-6, [](const Extent&) { return true; });
  EXPECT_TRUE(huge.sheets.empty());
  EXPECT_GT(static_cast<double>(huge.columns) * huge.rows, 1e5);
  // Free to choose, the portrait page needs fewer sheets for a tall survey.
  const SheetPlan tall = plan_sheets({0, 0, 80, 250}, a4, std::nullopt, 1000, [](const Extent&) { return true; });
  EXPECT_EQ(tall.orientation, Orientation::portrait);
}

TEST(Layout, AGroundPositionOnPaper) {
  const PageLayout page = page_layout(*paper_named("A1"), Orientation::landscape);
  const Sheet sheet{1, 0, 0, {500000, 4700000, 500000 + 715 * 2.5, 4700000 + 558 * 2.5}};
  const MapView v = map_view(page, sheet, 2500);
  // (x, y, u, v): the map's corners and a point 250 m east and 100 m south of its north-west one.
  const double cases[][4] = {{500000, 4701395, 18, 18},
                             {501787.5, 4700000, 18 + 715, 18 + 558},
                             {500250, 4701295, 118, 58}};
  for (const auto& c : cases) {
    EXPECT_NEAR(v.u(c[0]), c[2], 1e-9);
    EXPECT_NEAR(v.v(c[1]), c[3], 1e-9);
  }
}

TEST(ContourLabels, QuadsOverlapWhenTheyShareMoreThanAnEdge) {
  const Quad unit{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
  auto turned = [](double cx, double cy, double half, double degrees) {
    ContourLabel l;
    l.x = cx, l.y = cy, l.angle = degrees, l.length = 2 * half, l.height = 2 * half;
    return label_quad(l, 0);
  };
  // (quad, overlaps the unit square)
  const std::pair<Quad, bool> cases[] = {
      {{{{1, 0}, {2, 0}, {2, 1}, {1, 1}}}, false},  // sharing an edge
      {{{{0.5, 0.5}, {3, 0.5}, {3, 3}, {0.5, 3}}}, true},
      {turned(1.6, 0.5, 0.5, 45), true},   // a diamond reaching 0.107 into the square
      {turned(1.75, 0.5, 0.5, 45), false}, // its corner 0.043 short of the square
      {turned(0.5, 0.5, 0.1, 30), true},   // inside
      {turned(2.2, 2.2, 0.5, 45), false},  // beyond the corner, along the diagonal
  };
  for (const auto& [q, want] : cases) {
    EXPECT_EQ(quads_overlap(unit, q), want) << q.corner[0].x << " " << q.corner[0].y;
    EXPECT_EQ(quads_overlap(q, unit), want);
  }
}

// A contour at a level through the points given.
surface::Contour contour(double level, std::int64_t step, std::vector<surface::Point2> points) {
  surface::Contour c;
  c.level = level;
  c.step = step;
  c.points = std::move(points);
  return c;
}

// The distance of a point from the line through a and b.
double off_line(surface::Point2 p, surface::Point2 a, surface::Point2 b) {
  return std::fabs((p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

TEST(ContourLabels, OnStraightMajorLinesClearOfTheSoundings) {
  const double h = 2;  // the text's cap height on the ground, metres
  std::vector<surface::Contour> contours = {
      contour(-10, -10, {{0, 0}, {600, 0}}),                  // major, 600 m: 5 labels (60 heights each)
      contour(-9, -9, {{0, 50}, {600, 50}}),                  // minor: none
      contour(-15, -15, {{0, 100}, {8, 100}}),                // major but shorter than two labels: none
      contour(-20, -20, {{0, 200}, {100, 300}, {200, 200}}),  // major, bent: labels on its straight arms
  };
  std::vector<surface::Point2> zigzag;
  for (int i = 0; i <= 120; ++i) zigzag.push_back({i * 1.0, 400.0 + (i % 2) * 3});
  contours.push_back(contour(-25, -25, zigzag));  // major, never straight: none
  // Soundings' boxes over the first line's target places, 60 m apart from 60 m.
  std::vector<soundings::Box> boxes;
  for (int k = 0; k < 5; ++k) boxes.push_back({60 + 120.0 * k - 3, -2, 60 + 120.0 * k + 3, 2});

  const double pad = 0.5;
  const std::vector<ContourLabel> labels = place_contour_labels(contours, 5, boxes, h, pad);
  int on_first = 0, on_bent = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const ContourLabel& l = labels[i];
    EXPECT_GT(l.angle, -90);
    EXPECT_LE(l.angle, 90);
    EXPECT_NEAR(l.height, h, 1e-12);
    EXPECT_NEAR(l.length, (l.text.size() - 1) * 0.556 * h / 0.718 + 0.278 * h / 0.718, 1e-9) << l.text;
    const Quad q = label_quad(l, pad);
    for (const soundings::Box& b : boxes)
      EXPECT_FALSE(quads_overlap(q, {{{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}}})) << l.text;
    for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(quads_overlap(q, label_quad(labels[j], pad)));
    if (l.text == "10.0") {
      ++on_first;
      EXPECT_NEAR(l.y, 0, 1e-9);
      EXPECT_EQ(l.angle, 0);
    } else if (l.text == "20.0") {
      ++on_bent;
      const bool west = l.x < 100;
      EXPECT_LT(off_line({l.x, l.y}, {west ? 0.0 : 100.0, west ? 200.0 : 300.0}, {west ? 100.0 : 200.0, west ? 300.0 : 200.0}),
                1e-6);
      EXPECT_NEAR(std::fabs(l.angle), 45, 1e-9);
    } else {
      ADD_FAILURE() << "a label on " << l.text;
    }
  }
  EXPECT_EQ(on_first, 5);
  EXPECT_EQ(on_bent, 2);
  // With the soundings out of the way the labels stand at their targets.
  const std::vector<ContourLabel> free = place_contour_labels({contours[0]}, 5, {}, h, pad);
  ASSERT_EQ(free.size(), 5u);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(free[k].x, 60 + 120.0 * k, 1e-9);
}

}  // namespace
}  // namespace survey_sheet
