#include "contour_dxf.h"

#include <vector>

#include "dxf_drawing.h"

namespace surface {

void dxf_contour(survey_rt::TextFile& f, const Contour& c, int major) {
  std::vector<survey_rt::DxfPoint> vertices;
  vertices.reserve(c.points.size());
  for (const Point2& p : c.points) vertices.push_back({p.x, p.y, c.level});
  if (c.closed) vertices.pop_back();  // the closing flag joins it to the first
  survey_rt::dxf_polyline_2d(f, vertices, c.level, c.closed, is_major(c, major) ? "CONTOUR_MAJOR" : "CONTOUR");
}

}  // namespace surface
