// The crossline check of survey_qc: the track cut into lines, the lines told
// apart as main lines and crosslines, the places where a crossline crosses a
// main line, and the depths there judged against the IHO S-44 (2020) orders.
// Pure computations on records in memory; main.cpp reads and writes the files
// and report.cpp writes the report.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace survey_qc {

// A record of an x y z file: easting, northing, height (negative under the
// zero level), all in metres.
struct Point {
  double x = 0, y = 0, z = 0;
};

// The records of one file in their order, and the file's line of each: the
// line of record i is i + 1 plus the blank lines before it, kept as the few
// records where that count grows (shifts: record index, blank lines before it).
struct Records {
  std::vector<Point> p;
  std::vector<std::pair<std::int32_t, std::int32_t>> shifts;
};
// The file's line (from 1) of record i (from 0).
std::int32_t line_of(const Records& r, std::int32_t i);

// How the track is cut into lines.
struct LineRules {
  double max_gap = 10;   // a step longer than this cuts the track and is never used
  double min_line = 50;  // shorter pieces take no part
  double turn = 30;      // degrees: a turn of more than this ...
  double span = 20;      // ... over this many metres (before and after a record) cuts
};

enum class Kind : std::uint8_t { main, cross, diagonal, short_piece };

// A line: records first to last (indices, first < last), its length along
// the track, its heading from the first to the last record (radians, modulo
// pi, in [0, pi)) and its kind.
struct Line {
  std::int32_t first = 0, last = 0;
  double length = 0;
  double heading = 0;
  Kind kind = Kind::short_piece;
};

// The pieces of the track between its cuts, in order. The track is cut at a
// record where the heading over the span metres after it (to the first record
// at least that far along the track, or the last one) differs by more than the
// turn from the heading over the span before it (likewise), both chords at
// least a quarter span long; and at a step longer than max_gap (or with a
// number that is not finite), which belongs to no piece. A record at the same
// place as the one before it (a repeated fix) belongs to that place on the
// line and cuts nothing, and records all at one place make no piece. A piece
// of at least min_line metres gets Kind::main for now, shorter ones
// Kind::short_piece.
std::vector<Line> split_lines(const std::vector<Point>& p, const LineRules& rules);

// The steps of the records of one or two files: from one record to the next
// at another place, both finite; those longer than max_gap cut the track
// (gaps). When gaps are more than a tenth of the steps, the median step's
// length (the lower middle one of an even count), for the user to set
// --max-gap by; else 0.
struct Steps {
  std::int64_t count = 0, gaps = 0;
  double median = 0;
};
Steps steps_of(const std::vector<Point>& p, const std::vector<Point>* more, double max_gap);
inline bool many_gaps(const Steps& s) { return s.gaps * 10 > s.count; }

// The dominant heading of the lines that are not short pieces: the mean of
// their headings modulo pi, weighted by length (radians, in [0, pi)).
double dominant_heading(const std::vector<Line>& lines);
// Headings as the surveyor gives and reads them: degrees clockwise from grid
// north, modulo 180 (a line run north is one run south), in [0, 180); and back
// to the lines' headings (radians anticlockwise from east, in [0, pi)).
double bearing_of(double heading);
double heading_of_bearing(double degrees);
// The lines within 30 degrees of the dominant heading become main lines, those
// more than 45 degrees from it crosslines, the rest diagonals.
void classify(std::vector<Line>& lines, double dominant);
// The smallest angle between two headings modulo pi (radians, 0 to pi / 2).
double heading_difference(double a, double b);

// A place where a crossline's step crosses a main line's step: the steps'
// first records (indices in their own files; each step runs to the next
// record), the place, the heights on both lines interpolated linearly along
// their steps, the difference cross - main and the depth -z_main.
struct Crossing {
  std::int32_t main = 0, cross = 0;
  double x = 0, y = 0;
  double z_main = 0, z_cross = 0;
  double difference = 0, depth = 0;
};

// Every crossing of a step of a Kind::main line of main_lines (records in
// main) with a step of a Kind::cross line of cross_lines (records in cross;
// the same vector when the crosslines come from the same file). A crossing
// exactly through a record counts once, for the step that ends there, and only
// when the line goes on to the other side; steps that only touch (at a line's
// end, or running along each other) give none. Sorted by crossline step, then
// main step. Found through an R-tree of the main lines' steps, in chunks.
std::vector<Crossing> find_crossings(const std::vector<Point>& main, const std::vector<Line>& main_lines,
                                     const std::vector<Point>& cross, const std::vector<Line>& cross_lines);

// The IHO S-44 (2020) orders: total vertical uncertainty
// TVU(d) = sqrt(a^2 + (b d)^2) at depth d.
struct Order {
  std::string_view name;  // as the report and the screen write it
  std::string_view key;   // as --order takes it
  double a = 0, b = 0;
};
constexpr int kOrders = 5;
constexpr std::array<Order, kOrders> kOrderTable = {{
    {"Exclusive", "exclusive", 0.15, 0.0075},
    {"Special", "special", 0.25, 0.0075},
    {"Order 1a", "1a", 0.5, 0.013},
    {"Order 1b", "1b", 0.5, 0.013},
    {"Order 2", "2", 1.0, 0.023},
}};
double tvu(const Order& order, double depth);
// The strictest order that a crossing passes (|difference| <= TVU at its
// depth), as an index of kOrderTable; kOrders when it passes none.
int best_order(const Crossing& c);

// A share of the crossings met by an order: at least this much of them pass it.
constexpr double kMetShare = 0.95;
// Fewer crossings than this make a 95 % figure meaningless.
constexpr std::size_t kMeaningful = 20;

// The statistics of the differences, and for every order the share that
// passes, the 95th percentile of |difference| / TVU and whether it is met.
// Percentiles are nearest-rank: the smallest value that at least 95 % of the
// values do not exceed. With no crossing every figure is 0.
struct Stats {
  std::size_t count = 0;
  double mean = 0, sd = 0, rms = 0, max_abs = 0, p95_abs = 0;
  double median_depth = 0;
  std::array<double, kOrders> pass{}, p95_ratio{};
  std::array<bool, kOrders> met{};
};
Stats statistics(const std::vector<Crossing>& crossings);
// The nearest-rank q-quantile (0 < q <= 1) of the values, which it sorts.
double quantile(std::vector<double>& values, double q);

}  // namespace survey_qc
