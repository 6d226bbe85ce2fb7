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

// Each record given n times over, as a logger that repeats the last fix
// until the next one comes.
std::vector<Point> repeated(const std::vector<Point>& p, int n) {
  std::vector<Point> out;
  for (const Point& q : p)
    for (int k = 0; k < n; ++k) out.push_back(q);
  return out;
}

TEST(SplitLines, RepeatedFixesCutNothing) {
  std::vector<Point> turn, gap;
  run(turn, 0, 0, 0, 2, 50);
  run(turn, 100, 0, 90, 2, 50);
  run(turn, 100, 100, 180, 2, 30);
  run(gap, 0, 0, 0, 2, 40);
  gap.push_back({95, 0, -10});  // alone between two gaps: no piece
  gap.push_back({110, 0, -10});
  run(gap, 110, 0, 0, 2, 40);
  for (const auto& [what, p] : {std::pair{"turns", turn}, std::pair{"gaps", gap}}) {
    SCOPED_TRACE(what);
    const std::vector<Line> once = split_lines(p, LineRules{});
    for (const int n : {2, 7}) {
      const std::vector<Point> many = repeated(p, n);
      const std::vector<Line> lines = split_lines(many, LineRules{});
      ASSERT_EQ(lines.size(), once.size()) << n;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_GT(lines[i].length, 0);
        EXPECT_NEAR(lines[i].length, once[i].length, 1e-9);
        EXPECT_EQ(lines[i].kind, once[i].kind);
        EXPECT_EQ(lines[i].first, once[i].first * n);  // the place's first record
      }
    }
  }
}

TEST(Steps, GapsAmongTheStepsAndTheMedianStep) {
  struct Case {
    const char* what;
    std::vector<Point> p, more;
    std::int64_t count, gaps;
    double median;  // 0: a tenth of the steps or fewer are gaps
  };
  std::vector<Case> cases;
  {
    Case c{"fixes every 12 m", {}, {}, 30, 30, 12};
    run(c.p, 0, 0, 0, 12, 30);
    cases.push_back(c);
  }
  {
    Case c{"every 12 m, each fix repeated", {}, {}, 30, 30, 12};
    run(c.p, 0, 0, 0, 12, 30);
    c.p = repeated(c.p, 5);
    cases.push_back(c);
  }
  {
    Case c{"every 2 m with two jumps", {}, {}, 50, 2, 0};
    run(c.p, 0, 0, 0, 2, 48);
    c.p.push_back({200, 0, -10});
    run(c.p, 200, 0, 0, 30, 1);
    cases.push_back(c);
  }
  {
    Case c{"11 m and 9 m in turn: over a tenth, the lower middle", {}, {}, 4, 2, 9};
    for (const double x : {0.0, 11.0, 20.0, 31.0, 40.0}) c.p.push_back({x, 0, -10});
    cases.push_back(c);
  }
  {
    Case c{"a record not finite makes no step", {{0, 0, -10}, {5, 0, NAN}, {10, 0, -10}, {16, 0, -10}}, {}, 1, 0, 0};
    cases.push_back(c);
  }
  {
    Case c{"two files", {}, {}, 40, 10, 3};
    run(c.p, 0, 0, 0, 3, 30);
    run(c.more, 0, 50, 90, 15, 10);
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Steps s = steps_of(c.p, c.more.empty() ? nullptr : &c.more, 10);
    EXPECT_EQ(s.count, c.count);
    EXPECT_EQ(s.gaps, c.gaps);
    EXPECT_EQ(many_gaps(s), c.median > 0);
    EXPECT_NEAR(s.median, c.median, 1e-9);
  }
}

TEST(Classify, HeadingsFromGridNorth) {
  struct Case {
    double heading_degrees;  // anticlockwise from east
    double bearing;          // clockwise from north, modulo 180
  };
  for (const Case c : {Case{0, 90}, Case{90, 0}, Case{95.5, 174.5}, Case{135, 135}, Case{45, 45}, Case{179, 91}}) {
    EXPECT_NEAR(bearing_of(c.heading_degrees * kPi / 180), c.bearing, 1e-9) << c.heading_degrees;
    EXPECT_NEAR(heading_of_bearing(c.bearing), c.heading_degrees * kPi / 180, 1e-9) << c.bearing;
    EXPECT_NEAR(heading_of_bearing(c.bearing + 180), c.heading_degrees * kPi / 180, 1e-9) << c.bearing;
  }
  // A planned grid whose crosslines are longer in all: the dominant heading
  // is theirs, a heading given makes the planned lines the main lines.
  std::vector<Line> lines = {{0, 1, 400, kPi / 2, Kind::main},  // north
                             {2, 3, 400, kPi / 2, Kind::main},
                             {4, 5, 900, 0.02, Kind::main},  // east
                             {6, 7, 900, kPi - 0.03, Kind::main}};
  EXPECT_NEAR(bearing_of(dominant_heading(lines)), 90, 2);
  classify(lines, heading_of_bearing(0));
  const Kind want[] = {Kind::main, Kind::main, Kind::cross, Kind::cross};
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

TEST(Crossings, ThroughARepeatedRecord) {
  // The crossline's record on the main line given three times over, and the
  // main line's record at the crossing too: one crossing each time.
  for (const std::vector<Point>& cross : {std::vector<Point>{{45, -5, -12}, {45, 0, -12}, {45, 0, -12}, {45, 0, -12}, {45, 5, -12}},
                                          std::vector<Point>{{30, -5, -12}, {30, 5, -12}}}) {
    Crossed c;
    for (int i = 0; i <= 10; ++i)
      for (int k = 0; k < (i == 3 ? 3 : 1); ++k) c.main.push_back({10.0 * i, 0, -10 - i / 10.0});
    c.main_lines = {{0, 12, 100, 0, Kind::main}};
    c.cross = cross;
    c.cross_lines = {{0, static_cast<std::int32_t>(cross.size()) - 1, 0, kPi / 2, Kind::cross}};
    const std::vector<Crossing> found = find_crossings(c.main, c.main_lines, c.cross, c.cross_lines);
    ASSERT_EQ(found.size(), 1u) << cross[0].x;
    EXPECT_NEAR(found[0].x, cross[0].x, 1e-9);
    EXPECT_NEAR(found[0].z_main, -10 - cross[0].x / 100, 1e-9);
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
