#include "qc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace survey_qc {
namespace {

constexpr double kPi = std::numbers::pi;

// Records from (x, y) on, n steps of length step at heading degrees (from
// east, anticlockwise), appended to p (the start itself only when p is empty).
void run(std::vector<Point>& p, double x, double y, double degrees, double step, int n) {
  if (p.empty()) p.push_back({x, y, -10});
  const double h = degrees * kPi / 180;
  for (int i = 1; i <= n; ++i) p.push_back({x + i * step * std::cos(h), y + i * step * std::sin(h), -10});
}

std::vector<Line> long_lines(const std::vector<Line>& lines) {
  std::vector<Line> out;
  for (const Line& l : lines)
    if (l.kind != Kind::short_piece) out.push_back(l);
  return out;
}

TEST(Tvu, WorkedByHand) {
  struct Case {
    int order;
    double depth, tvu;
  };
  // sqrt(a^2 + (b d)^2) worked out by hand.
  for (const Case c : {Case{2, 10, 0.51662}, Case{3, 10, 0.51662}, Case{1, 10, 0.26101}, Case{4, 50, 1.52398},
                       Case{0, 20, 0.21213}, Case{0, 0, 0.15}, Case{4, 0, 1.0}, Case{1, 100, 0.79057}}) {
    SCOPED_TRACE(kOrderTable[c.order].name);
    EXPECT_NEAR(tvu(kOrderTable[c.order], c.depth), c.tvu, 5e-6);
  }
}

TEST(SplitLines, TurnsGapsZigZagAndShortPieces) {
  struct Case {
    const char* what;
    std::vector<Point> p;
    std::vector<double> headings;  // of the lines of 50 m or more, in order (degrees)
  };
  std::vector<Case> cases;
  {
    Case c{"straight", {}, {0}};
    run(c.p, 0, 0, 0, 2, 50);
    cases.push_back(c);
  }
  {
    Case c{"a right-angle turn", {}, {0, 90}};
    run(c.p, 0, 0, 0, 2, 50);
    run(c.p, 100, 0, 90, 2, 50);
    cases.push_back(c);
  }
  {
    Case c{"a gentle bend of 20 degrees", {}, {10}};
    run(c.p, 0, 0, 0, 2, 50);
    run(c.p, 100, 0, 20, 2, 50);
    cases.push_back(c);
  }
  {
    Case c{"a gap of 15 m", {}, {0, 0}};
    run(c.p, 0, 0, 0, 2, 40);
    run(c.p, 95, 0, 0, 2, 40);
    c.p.insert(c.p.begin() + 41, {95, 0, -10});
    cases.push_back(c);
  }
  {
    Case c{"a zig-zag of 100 m legs", {}, {60, 120, 60, 120}};
    double x = 0, y = 0;
    for (int leg = 0; leg < 4; ++leg) {
      const double h = leg % 2 == 0 ? 60 : 120;
      run(c.p, x, y, h, 2, 50);
      x = c.p.back().x;
      y = c.p.back().y;
    }
    cases.push_back(c);
  }
  {
    Case c{"40 m only", {}, {}};
    run(c.p, 0, 0, 0, 2, 20);
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Line> lines = long_lines(split_lines(c.p, LineRules{}));
    ASSERT_EQ(lines.size(), c.headings.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_NEAR(lines[i].heading * 180 / kPi, c.headings[i], 1.0);
      EXPECT_GE(lines[i].length, 60.0);
    }
  }
}

TEST(SplitLines, AGapStepBelongsToNoLine) {
  std::vector<Point> p;
  run(p, 0, 0, 0, 2, 40);
  p.push_back({95, 0, -10});
  run(p, 95, 0, 0, 2, 40);
  const std::vector<Line> lines = split_lines(p, LineRules{});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].last, 40);
  EXPECT_EQ(lines[1].first, 41);
  // With a longer max gap the track is one line.
  LineRules wide;
  wide.max_gap = 16;
  EXPECT_EQ(split_lines(p, wide).size(), 1u);
}

TEST(Classify, DominantHeadingModulo180) {
  // Three main lines run east and west in turn, a crossline north, a
  // diagonal at 40 degrees.
  std::vector<Line> lines = {{0, 1, 300, 0.0, Kind::main},
                             {2, 3, 300, kPi - 0.02, Kind::main},
                             {4, 5, 300, 0.01, Kind::main},
                             {6, 7, 150, kPi / 2, Kind::main},
                             {8, 9, 100, 40 * kPi / 180, Kind::main},
                             {10, 11, 30, kPi / 2, Kind::short_piece}};
  const double dominant = dominant_heading(lines);
  EXPECT_LT(heading_difference(dominant, 0), 5 * kPi / 180);  // the diagonal pulls it 3.4 degrees
  classify(lines, dominant);
  const Kind want[] = {Kind::main, Kind::main, Kind::main, Kind::cross, Kind::diagonal, Kind::short_piece};
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].kind, want[i]) << i;
}

// Crossings of hand-made lines: main lines along y = 0 with records every
// 10 m from x = 0 to 100 (z = -10 - x / 100), and one crossline each.
struct Crossed {
  std::vector<Point> main, cross;
  std::vector<Line> main_lines, cross_lines;
  std::vector<Crossing> found;
};

Crossed cross_with(const std::vector<Point>& cross) {
  Crossed c;
  for (int i = 0; i <= 10; ++i) c.main.push_back({10.0 * i, 0, -10 - i / 10.0});
  c.main_lines = {{0, 10, 100, 0, Kind::main}};
  c.cross = cross;
  c.cross_lines = {{0, static_cast<std::int32_t>(cross.size()) - 1, 0, kPi / 2, Kind::cross}};
  c.found = find_crossings(c.main, c.main_lines, c.cross, c.cross_lines);
  return c;
}

TEST(Crossings, ThroughRecordsTouchingAndOverlapping) {
  struct Case {
    const char* what;
    std::vector<Point> cross;
    std::vector<double> at;  // the eastings of the crossings
  };
  const Case cases[] = {
      {"across a step", {{25, -5, -12}, {25, 5, -12}}, {25}},
      {"through a main record", {{30, -4.5, -12}, {30, 4.5, -12}}, {30}},
      {"through records of both", {{50, -5, -12}, {50, 0, -12}, {50, 5, -12}}, {50}},
      {"a crossline record on the main line", {{44, -5, -12}, {45, 0, -12}, {46, 5, -12}}, {45}},
      {"slanted through a record", {{15, -5, -12}, {20, 0, -12}, {25, 5, -12}}, {20}},
      {"ending on the main line", {{50, -10, -12}, {50, -5, -12}, {55, 0, -12}}, {}},
      {"starting on the main line", {{55, 0, -12}, {50, 5, -12}, {50, 10, -12}}, {}},
      {"touching from one side", {{40, -10, -12}, {50, 0, -12}, {60, -10, -12}}, {}},
      {"end to end with the main line", {{100, 0, -12}, {100, 10, -12}}, {}},
      {"overlapping in parallel", {{15, 0, -12}, {35, 0, -12}}, {}},
      {"zig-zag across", {{5, -5, -12}, {15, 5, -12}, {25, -5, -12}, {35, 5, -12}}, {10, 20, 30}},
      {"beyond the main line's end", {{105, -5, -12}, {105, 5, -12}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Crossed x = cross_with(c.cross);
    ASSERT_EQ(x.found.size(), c.at.size());
    for (std::size_t i = 0; i < c.at.size(); ++i) {
      EXPECT_NEAR(x.found[i].x, c.at[i], 1e-9);
      EXPECT_NEAR(x.found[i].y, 0, 1e-9);
      EXPECT_NEAR(x.found[i].z_main, -10 - c.at[i] / 100, 1e-9);
      EXPECT_NEAR(x.found[i].z_cross, -12, 1e-9);
      EXPECT_NEAR(x.found[i].difference, -2 + c.at[i] / 100, 1e-9);
      EXPECT_NEAR(x.found[i].depth, 10 + c.at[i] / 100, 1e-9);
    }
  }
}

TEST(Crossings, StepsNamedByTheirFirstRecords) {
  // Through main record 3 (x = 30): the step that ends there, 2 -> 3.
  const Crossed x = cross_with({{30, -4.5, -12}, {30, 4.5, -12}});
  ASSERT_EQ(x.found.size(), 1u);
  EXPECT_EQ(x.found[0].main, 2);
  EXPECT_EQ(x.found[0].cross, 0);
  const Crossed y = cross_with({{50, -5, -12}, {50, 0, -12}, {50, 5, -12}});
  ASSERT_EQ(y.found.size(), 1u);
  EXPECT_EQ(y.found[0].main, 4);
  EXPECT_EQ(y.found[0].cross, 0);
}

TEST(Crossings, ManyChunksOfAGrid) {
  // 50 main lines 1 km long (records every 0.7 m, many R-tree chunks) and 7
  // crosslines: every crossline crosses every main line once.
  std::vector<Point> p;
  std::vector<Line> lines;
  for (int k = 0; k < 50; ++k) {
    const auto first = static_cast<std::int32_t>(p.size());
    for (int i = 0; i <= 1430; ++i) p.push_back({0.7 * i, 20.0 * k + 3, -10});
    lines.push_back({first, static_cast<std::int32_t>(p.size()) - 1, 1001, 0, Kind::main});
  }
  for (int k = 0; k < 7; ++k) {
    const auto first = static_cast<std::int32_t>(p.size());
    for (int i = 0; i <= 1100; ++i) p.push_back({130.0 * k + 11, -20 + 0.93 * i, -10.5});
    lines.push_back({first, static_cast<std::int32_t>(p.size()) - 1, 1023, kPi / 2, Kind::cross});
  }
  const std::vector<Crossing> found = find_crossings(p, lines, p, lines);
  ASSERT_EQ(found.size(), 350u);
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_NEAR(found[i].x, 130.0 * (i / 50) + 11, 1e-9);
    EXPECT_NEAR(found[i].y, 20.0 * (i % 50) + 3, 1e-9);
    EXPECT_NEAR(found[i].difference, -0.5, 1e-12);
  }
}

TEST(Statistics, FiguresAndShares) {
  // Differences at 10 m depth: Order 1a's TVU there is 0.5166, Special's 0.2610.
  std::vector<Crossing> c;
  for (const double d : {0.1, -0.1, 0.3, 0.5, -0.6}) {
    Crossing k;
    k.difference = d;
    k.depth = 10;
    c.push_back(k);
  }
  const Stats s = statistics(c);
  EXPECT_EQ(s.count, 5u);
  EXPECT_NEAR(s.mean, 0.04, 1e-12);
  EXPECT_NEAR(s.sd, std::sqrt((0.06 * 0.06 + 0.14 * 0.14 + 0.26 * 0.26 + 0.46 * 0.46 + 0.64 * 0.64) / 4),
              1e-12);
  EXPECT_NEAR(s.rms, std::sqrt(0.72 / 5), 1e-12);
  EXPECT_DOUBLE_EQ(s.max_abs, 0.6);
  EXPECT_DOUBLE_EQ(s.p95_abs, 0.6);  // nearest rank: the 5th of 5
  EXPECT_DOUBLE_EQ(s.median_depth, 10);
  EXPECT_DOUBLE_EQ(s.pass[0], 0.4);  // Exclusive 0.212: 0.1 and -0.1
  EXPECT_DOUBLE_EQ(s.pass[1], 0.4);
  EXPECT_DOUBLE_EQ(s.pass[2], 0.8);
  EXPECT_DOUBLE_EQ(s.pass[4], 1.0);
  EXPECT_FALSE(s.met[2]);
  EXPECT_TRUE(s.met[4]);
  EXPECT_NEAR(s.p95_ratio[2], 0.6 / tvu(kOrderTable[2], 10), 1e-12);
  EXPECT_EQ(best_order(c[0]), 0);
  EXPECT_EQ(best_order(c[2]), 2);
  EXPECT_EQ(best_order(c[4]), 4);
  Crossing far;
  far.difference = 2;
  EXPECT_EQ(best_order(far), kOrders);
  // 19 of 20 passing meets an order; 18 of 20 does not.
  std::vector<Crossing> twenty(20, c[0]);
  twenty[0].difference = 5;
  EXPECT_TRUE(statistics(twenty).met[0]);
  twenty[1].difference = 5;
  EXPECT_FALSE(statistics(twenty).met[0]);
  EXPECT_EQ(statistics({}).count, 0u);
}

TEST(Records, LineNumbersPastBlankLines) {
  Records r;
  r.p.resize(6);
  r.shifts = {{2, 1}, {4, 3}};  // one blank line before record 2, two more before record 4
  const std::int32_t want[] = {1, 2, 4, 5, 8, 9};
  for (std::int32_t i = 0; i < 6; ++i) EXPECT_EQ(line_of(r, i), want[i]) << i;
}

}  // namespace
}  // namespace survey_qc
