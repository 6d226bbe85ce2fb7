// Cut and fill between two piecewise-linear surfaces, exact: the survey's
// triangles against a horizontal level or against another survey's
// triangles, over their common area, optionally inside a boundary polygon.
//
// The difference survey - reference is linear on every piece of the overlay
// of the two triangulations (a survey triangle clipped by a reference
// triangle, a convex polygon), so each piece is integrated in closed form:
// the piece is cut where the difference crosses zero and each side's area
// and volume summed. A level is a plane under every survey triangle, so then
// the pieces are the survey's own triangles. A boundary cuts the pieces of
// the survey triangles that cross it (Boost.Geometry's intersection); the
// pieces wholly inside it are taken as they are.
//
// The TINs' kept triangles as surface.h hands them out; no CGAL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "surface.h"

namespace surface {

struct Corner {
  double x = 0, y = 0;
};

// A closed simple polygon in the plane: its corners counterclockwise, the
// first not repeated at the end, as make_boundary checks it.
struct Boundary {
  std::vector<Corner> corners;
};

// Checks a polygon given as its corners in order (the first may be repeated
// at the end; corners repeated one after the other are taken once) and makes
// the boundary: empty why when it is a closed simple polygon with an area;
// else why tells what breaks it and bad_corner the index (from 0, of the
// corners as given) of the corner whose edge breaks it.
struct BoundaryCheck {
  Boundary boundary;
  std::string why;
  std::size_t bad_corner = 0;
};
BoundaryCheck make_boundary(const std::vector<Corner>& corners);
double boundary_area(const Boundary& b);

// Area (m²) and volume (m³) of one side.
struct Side {
  double area = 0, volume = 0;
};
struct Volumes {
  double common_area = 0;  // where both surfaces exist (inside the boundary)
  Side above;              // the survey above the reference
  Side below;              // the survey below the reference
  Side beyond;             // below the level by more than the over-depth band
  long long pieces = 0;    // pieces of the overlay integrated
};

// The survey against a level z = level. With overdepth > 0, beyond is the
// part of below that lies under level - overdepth (its volume measured from
// that lower level); the band is below - beyond.
Volumes volumes_against_level(const Tin& survey, double level, double overdepth, const Boundary* boundary);
// The survey against another surface: only where both exist.
Volumes volumes_against_surface(const Tin& survey, const Tin& reference, const Boundary* boundary);

// Sets to NaN the heights of a grid's row (sample_rows) whose cell centre
// lies outside the boundary.
void mask_row(const Boundary& b, const Grid& g, std::int64_t row, std::span<double> heights);

}  // namespace surface
