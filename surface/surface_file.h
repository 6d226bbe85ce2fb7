// A survey's surface as the volume tools take it: the x y z list of a file
// triangulated (surface.h), with the counts that their screens and reports
// show, or the reason it gives no surface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "surface.h"

namespace surface {

struct SurfaceFile {
  std::string path;
  Tin tin;
  std::int64_t records = 0, merged = 0;
  std::size_t vertices = 0;
  // Why the file gives no surface, naming it (empty when it gives one); a
  // record with a number out of range is told apart from a lack of points.
  std::string why;
  bool bad_record = false;
};

// Reads the points of path (a record that is not numbers is the run-time
// stop) and triangulates them, trimming the triangles with an edge longer
// than max_edge; progress as read_points calls it.
SurfaceFile read_surface_file(const std::string& path, double max_edge,
                              const std::function<void(std::int64_t records)>& progress = {});

// "407 records, 407 vertices, 750 triangles (28 with an edge over 50.00 m
// trimmed)".
std::string counts_text(const SurfaceFile& s, double max_edge);

// Where more than a third of the Delaunay triangles were trimmed, max_edge is
// most likely shorter than the spacing of the survey lines: the share and the
// median length of the edges over max_edge, which across parallel lines is
// about their spacing ("63 %; median of the edges over 50.0 m: 99.8 m");
// else "".
std::string trimmed_note(const Tin& tin, double max_edge);

}  // namespace surface
