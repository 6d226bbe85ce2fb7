// The seabed as a surface: a triangulated irregular network (TIN) of the
// survey's points, trimmed where it would bridge gaps, with the heights and
// contours taken from it. The triangulation is CGAL's Delaunay triangulation
// with exact predicates (surface.cpp, the one file that sees CGAL); what it
// hands out are plain arrays, so the tools built on it compile without CGAL.
//
// Positions are taken to the centimetre, as the point lists write them: the
// triangulation works on whole centimetres, so "the same position" and "all
// on one line" are decided exactly on the centimetre grid.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace surface {

struct Vertex {
  double x = 0;  // easting, metres (a whole number of centimetres)
  double y = 0;  // northing, metres (a whole number of centimetres)
  double z = 0;  // height, metres (as read)
};

struct Point2 {
  double x = 0;
  double y = 0;
};

// The distinct positions of a point list.
struct PointSet {
  std::vector<Vertex> vertices;  // ordered by x, then y (as centimetres)
  std::int64_t records = 0;      // records read
  std::int64_t merged = 0;       // records merged into another at the same x and y
};

// The largest |x| and |y| taken (metres): positions in whole centimetres stay
// exact in a double, far beyond any projection's coordinates.
constexpr double kMaxCoordinate = 1e12;

// A record number whose x or y is not a finite number within
// kMaxCoordinate, or whose z is not finite (0 when none).
struct ReadResult {
  std::int64_t bad_record = 0;
};

// Reads the x y z records of the file at path (whatever follows z on a line
// is passed over) into points, through take_points. A record that is not
// three numbers stops the tool with the run-time stop (survey_rt); a number
// out of range ends the reading with its record's number in the result.
// progress, when given, is called every 65,536 records and at the end with
// the count of records read.
ReadResult read_points(std::string_view path, PointSet& points,
                       const std::function<void(std::int64_t records)>& progress = {});

// Takes records to the centimetre and merges those at the same x and y into
// one vertex with the shallowest (largest) z; the records must be finite,
// x and y within kMaxCoordinate.
PointSet take_points(std::span<const Vertex> records);

// A triangle of the TIN: its corners v (indices into Tin::vertices) in
// counter-clockwise order, and across the edge opposite corner i the
// neighbouring kept triangle n[i] (an index into Tin::triangles), or -1 where
// that edge is the TIN's edge.
struct Triangle {
  std::uint32_t v[3] = {0, 0, 0};
  std::int32_t n[3] = {-1, -1, -1};
};

enum class TinState {
  kBuilt,        // a triangulation (possibly all of it trimmed)
  kTooFew,       // fewer than three distinct positions
  kOneLine,      // all positions on one line (on the centimetre)
};

struct Tin {
  TinState state = TinState::kTooFew;
  std::vector<Vertex> vertices;
  std::vector<Triangle> triangles;  // the kept triangles
  std::int64_t delaunay = 0;        // triangles of the Delaunay triangulation
  std::int64_t trimmed = 0;         // removed for an edge longer than max_edge
  // The median length of the triangulation's edges longer than max_edge (the
  // lower middle one of an even count; 0 when there is none): across a
  // survey of parallel lines, about the spacing of the lines, a guide for
  // max_edge when it trims much.
  double long_edge_median = 0;
};

// The Delaunay triangulation of the vertices (distinct on the centimetre, as
// take_points gives them), without every triangle that has an edge longer
// than max_edge metres. The vertices are moved into the result.
Tin build_tin(std::vector<Vertex> vertices, double max_edge);

// The corners of a triangle.
inline const Vertex& corner(const Tin& tin, const Triangle& t, int i) { return tin.vertices[t.v[i]]; }

// --- Heights -------------------------------------------------------------

// Finds the kept triangle under a point in a few steps: a grid of buckets
// over the TIN, each listing the triangles that overlap it.
struct Locator {
  double x0 = 0, y0 = 0, size = 1;
  std::int64_t columns = 0, rows = 0;
  std::vector<std::uint32_t> first;      // per bucket, the start of its run in items (columns*rows+1)
  std::vector<std::uint32_t> items;      // triangle indices
};
Locator make_locator(const Tin& tin);

// The height of the surface at (x, y): linear in the kept triangle that holds
// the point (its edges included); NaN outside every kept triangle.
double height_at(const Tin& tin, const Locator& locator, double x, double y);

// A stretch of a line over one kept triangle: from t0 to t1 metres along the
// line, the surface's heights z0 and z1 there (linear between them).
struct ProfileSpan {
  double t0 = 0, t1 = 0, z0 = 0, z1 = 0;
};
// The surface's profile along the segment from a to b: the stretches over
// kept triangles, in order along the line and without overlaps (a line along
// an edge takes one of its two triangles); gaps where it leaves the TIN.
std::vector<ProfileSpan> profile_along(const Tin& tin, const Locator& locator, Point2 a, Point2 b);

// A raster of square cells aligned to multiples of the cell size.
struct Grid {
  double cell = 1;
  double x0 = 0, y0 = 0;         // the lower left corner (multiples of cell)
  std::int64_t columns = 0, rows = 0;
};
// The smallest grid of cells whose centres cover the kept triangles' extent.
Grid grid_over(const Tin& tin, double cell);

// The heights at the centres of the grid's cells, a row at a time from the
// top (northernmost) row down, as an ESRI grid lists them: row(r, heights)
// gets row r (0 at the top) with NaN in the cells whose centre lies outside
// every kept triangle. A sweep over the triangles sorted by their top: only
// the row's own triangles are looked at.
void sample_rows(const Tin& tin, const Grid& grid,
                 const std::function<void(std::int64_t row, std::span<const double> heights)>& row);

// --- Contours and outline --------------------------------------------------

// A contour line: the points where the level cuts the kept triangles' edges,
// in order, the shallower side (higher z) on the left. A vertex exactly at
// the level counts as above it, so a line neither breaks nor forks there.
struct Contour {
  double level = 0;        // the height, step * interval
  std::int64_t step = 0;   // the level's multiple of the interval
  bool closed = false;     // closed: the last point equals the first
  std::vector<Point2> points;
};

// Whether a contour is a major one: its level every major-th multiple of the
// interval.
inline bool is_major(const Contour& c, int major) { return c.step % major == 0; }

// Every level that is a multiple of interval strictly between the lowest and
// highest z of the vertices, traced through the kept triangles and joined
// into lines, open where they meet the TIN's edge. Ordered by level, then as
// found. What bounds no area is left out: lines of a single point (a vertex at
// the level touched from below), and the stretches that run out and straight
// back along vertices at the level with deeper water on both sides (a ridge
// whose crest is at the level), so a line is never written doubled back.
std::vector<Contour> trace_contours(const Tin& tin, double interval);

// The length of a line, metres.
double line_length(std::span<const Point2> points);
// Twice the signed area of a closed line (positive counter-clockwise).
double twice_area(std::span<const Point2> points);
// A closed contour that holds deeper water inside it (a hollow), as opposed to
// a shoal: the shallower side, on its left, is outside.
bool encloses_deeper(const Contour& c);
// Drops the closed contours shorter than min_length that enclose deeper
// water; a shoal's contour stays however small. Returns the count dropped.
std::int64_t drop_small_hollows(std::vector<Contour>& contours, double min_length);

// The TIN's outline: the edges of the kept triangles that no other kept
// triangle shares, joined into closed lines (the TIN on the left: outer
// boundaries counter-clockwise, holes clockwise).
std::vector<std::vector<Point2>> outline(const Tin& tin);

}  // namespace surface
