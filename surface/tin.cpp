// The triangulation: the one file that compiles CGAL. The vertices go in as
// whole centimetres (exact in a double), so CGAL's exact predicates decide on
// the same grid as the point lists; the kept triangles come out as plain
// arrays and the triangulation is freed.
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "surface.h"

namespace surface {

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<std::uint32_t, Kernel>;
using FaceBase = CGAL::Triangulation_face_base_with_info_2<std::int32_t, Kernel>;
using Structure = CGAL::Triangulation_data_structure_2<VertexBase, FaceBase>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Structure>;

double centimetres(double metres) { return std::round(metres * 100); }

// Exactly collinear on the centimetre grid (integers up to 2^53, so the
// products are taken exactly by CGAL's predicate).
bool all_on_one_line(const std::vector<Vertex>& vertices) {
  const Kernel::Point_2 a(centimetres(vertices[0].x), centimetres(vertices[0].y));
  const Kernel::Point_2 b(centimetres(vertices[1].x), centimetres(vertices[1].y));
  for (std::size_t i = 2; i < vertices.size(); ++i) {
    const Kernel::Point_2 c(centimetres(vertices[i].x), centimetres(vertices[i].y));
    if (CGAL::orientation(a, b, c) != CGAL::COLLINEAR) return false;
  }
  return true;
}

}  // namespace

Tin build_tin(std::vector<Vertex> vertices, double max_edge) {
  Tin tin;
  tin.vertices = std::move(vertices);
  if (tin.vertices.size() < 3) {
    tin.state = TinState::kTooFew;
    return tin;
  }
  if (all_on_one_line(tin.vertices)) {
    tin.state = TinState::kOneLine;
    return tin;
  }
  tin.state = TinState::kBuilt;

  Delaunay dt;
  {
    std::vector<std::pair<Kernel::Point_2, std::uint32_t>> input;
    input.reserve(tin.vertices.size());
    for (std::size_t i = 0; i < tin.vertices.size(); ++i)
      input.emplace_back(Kernel::Point_2(centimetres(tin.vertices[i].x), centimetres(tin.vertices[i].y)),
                         static_cast<std::uint32_t>(i));
    dt.insert(input.begin(), input.end());  // spatially sorted inside
  }

  // Number the kept faces, then link them.
  const double limit = max_edge * 100;
  const double limit2 = limit * limit;
  for (auto f = dt.all_faces_begin(); f != dt.all_faces_end(); ++f) f->info() = -1;
  std::int32_t kept = 0;
  for (auto f = dt.finite_faces_begin(); f != dt.finite_faces_end(); ++f) {
    ++tin.delaunay;
    bool keep = true;
    for (int i = 0; i < 3 && keep; ++i) {
      const auto& p = f->vertex(i)->point();
      const auto& q = f->vertex((i + 1) % 3)->point();
      const double dx = p.x() - q.x(), dy = p.y() - q.y();
      keep = dx * dx + dy * dy <= limit2;
    }
    if (keep)
      f->info() = kept++;
    else
      ++tin.trimmed;
  }
  if (tin.trimmed > 0) {
    std::vector<double> long_edges;
    for (auto e = dt.finite_edges_begin(); e != dt.finite_edges_end(); ++e) {
      const auto& p = e->first->vertex((e->second + 1) % 3)->point();
      const auto& q = e->first->vertex((e->second + 2) % 3)->point();
      const double dx = p.x() - q.x(), dy = p.y() - q.y();
      if (dx * dx + dy * dy > limit2) long_edges.push_back(std::sqrt(dx * dx + dy * dy) / 100);
    }
    const auto middle = long_edges.begin() + static_cast<std::ptrdiff_t>((long_edges.size() - 1) / 2);
    std::nth_element(long_edges.begin(), middle, long_edges.end());
    tin.long_edge_median = *middle;
  }
  tin.triangles.resize(static_cast<std::size_t>(kept));
  for (auto f = dt.finite_faces_begin(); f != dt.finite_faces_end(); ++f) {
    if (f->info() < 0) continue;
    Triangle& t = tin.triangles[static_cast<std::size_t>(f->info())];
    for (int i = 0; i < 3; ++i) {
      t.v[i] = f->vertex(i)->info();
      t.n[i] = f->neighbor(i)->info();  // -1 for the infinite and trimmed faces
    }
  }
  return tin;
}

}  // namespace surface
