#include "surface_file.h"

#include <cmath>

#include "dxf_drawing.h"
#include "fixed_notation.h"

namespace surface {

SurfaceFile read_surface_file(const std::string& path, double max_edge,
                              const std::function<void(std::int64_t records)>& progress) {
  SurfaceFile s;
  s.path = path;
  PointSet points;
  const ReadResult read = read_points(path, points, progress);
  if (read.bad_record != 0) {
    s.bad_record = true;
    s.why = path + ", record " + std::to_string(read.bad_record) +
            ": a position or height that is not a finite number (or a position beyond 1e12 m)";
    return s;
  }
  s.records = points.records;
  s.merged = points.merged;
  s.vertices = points.vertices.size();
  s.tin = build_tin(std::move(points.vertices), max_edge);
  if (s.tin.state != TinState::kBuilt)
    s.why = path + ": " + std::to_string(s.tin.vertices.size()) +
            (s.tin.state == TinState::kTooFew ? " distinct positions (x y to the centimetre); a surface needs "
                                                "at least three, not all on one line"
                                              : " positions all on one straight line; a surface needs points off it");
  else if (s.tin.triangles.empty())
    s.why = path + ": every triangle has an edge longer than " + survey_rt::fixed_text(max_edge, 2) +
            " m; give a longer --max-edge";
  return s;
}

std::string counts_text(const SurfaceFile& s, double max_edge) {
  return std::to_string(s.records) + " records, " + std::to_string(s.vertices) + " vertices, " +
         std::to_string(s.tin.triangles.size()) + " triangles (" + std::to_string(s.tin.trimmed) +
         " with an edge over " + survey_rt::fixed_text(max_edge, 2) + " m trimmed)";
}

std::string trimmed_note(const Tin& tin, double max_edge) {
  if (tin.trimmed * 3 <= tin.delaunay) return "";
  return survey_rt::fixed_text(100.0 * static_cast<double>(tin.trimmed) / static_cast<double>(tin.delaunay), 0) +
         " %; median of the edges over " + survey_rt::dxf_real(max_edge) + " m: " +
         survey_rt::dxf_real(std::round(tin.long_edge_median * 10) / 10) + " m";
}

}  // namespace surface
