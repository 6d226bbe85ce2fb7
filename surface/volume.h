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
// Plain triangle soups in, no CGAL here: the surface library's TIN hands its
// kept triangles over as corners.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace surface {

struct Corner {
  double x = 0, y = 0, z = 0;
};
// A triangle of a TIN: three corners, in either turning sense.
struct Facet {
  Corner c[3];
};

// A closed simple polygon in the plane: its corners counterclockwise, the
// first not repeated at the end (z unused), as make_boundary checks it.
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
Volumes volumes_against_level(std::span<const Facet> survey, double level, double overdepth,
                              const Boundary* boundary);
// The survey against another surface: only where both exist.
Volumes volumes_against_surface(std::span<const Facet> survey, std::span<const Facet> reference,
                                const Boundary* boundary);

// A grid of cell centres x0 + (i + 0.5) cell, y0 + (j + 0.5) cell, row j = 0
// the southernmost; heights stored row by row, NaN where no triangle covers
// the centre.
struct Grid {
  double x0 = 0, y0 = 0, cell = 1;
  int cols = 0, rows = 0;
  std::vector<double> z;
};
// The grid aligned to multiples of cell that covers x_low .. x_high,
// y_low .. y_high, all NaN.
Grid aligned_grid(double x_low, double y_low, double x_high, double y_high, double cell);
// Sets the cells whose centre lies in a triangle (on its edge included) to
// the triangle's height there.
void sample_heights(Grid& g, std::span<const Facet> triangles);
// Sets the cells whose centre lies outside the boundary to NaN.
void clip_to_boundary(Grid& g, const Boundary& b);

}  // namespace surface
