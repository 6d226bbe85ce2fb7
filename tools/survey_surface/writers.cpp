// The drawings, the LandXML surface and the ESRI grid of survey_surface.
#include <algorithm>
#include <cmath>
#include <span>

#include "ascii_grid.h"
#include "contour_dxf.h"
#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "geojson.h"
#include "outputs.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;
using surface::Contour;
using surface::Point2;
using surface::Tin;

namespace survey_surface {

namespace {

// Labels of a major contour: its depth (-z, one decimal) along the line, one
// at the middle of a short line, one every 60 text heights along a long one,
// turned with the line and kept upright.
void write_labels(TextFile& f, const Contour& c, double height) {
  const double length = surface::line_length(c.points);
  const int count = std::max(1, static_cast<int>(length / (60 * height)));
  const std::string text = fixed_text(0.0 - c.level, 1);
  double walked = 0;
  std::size_t i = 1;
  for (int k = 0; k < count; ++k) {
    const double at = (k + 0.5) * length / count;
    for (; i + 1 < c.points.size(); ++i) {
      const double step = std::hypot(c.points[i].x - c.points[i - 1].x, c.points[i].y - c.points[i - 1].y);
      if (walked + step >= at) break;
      walked += step;
    }
    const Point2 p = c.points[i - 1], q = c.points[i];
    const double step = std::hypot(q.x - p.x, q.y - p.y);
    const double s = step > 0 ? std::clamp((at - walked) / step, 0.0, 1.0) : 0;
    double angle = std::atan2(q.y - p.y, q.x - p.x) * 180 / 3.141592653589793;
    if (angle > 90) angle -= 180;
    if (angle <= -90) angle += 180;
    const DxfPoint place{p.x + s * (q.x - p.x), p.y + s * (q.y - p.y), c.level};
    dxf_text(f, place, height, std::round(angle * 10) / 10, false, text, "CONTOUR_MAJOR");
  }
}

}  // namespace

void write_contours_dxf(TextFile& f, const std::vector<Contour>& contours, int major) {
  DxfExtents extents;
  for (const Contour& c : contours)
    for (const Point2& p : c.points) extents.add({p.x, p.y, c.level});
  const double size = std::max(extents.high.x - extents.low.x, extents.high.y - extents.low.y);
  const double text_height = size > 0 ? std::max(0.1, round_down_nice(size / 150)) : 1.0;
  const DxfLayer layers[] = {{"0", 7}, {"CONTOUR", 8}, {"CONTOUR_MAJOR", 5}};
  dxf_begin(f, extents, layers);
  for (const Contour& c : contours) {
    surface::dxf_contour(f, c, major);
    if (is_major(c, major)) write_labels(f, c, text_height);
  }
  dxf_end(f);
}

void write_contours_geojson(TextFile& f, const std::vector<Contour>& contours, int major, const survey_rt::Grid& grid) {
  GeoJsonFile g{f};
  geojson_begin(g);
  std::vector<LatLon> points;
  for (const Contour& c : contours) {
    points.clear();
    for (const Point2& p : c.points) points.push_back(grid_inverse(grid, p.x, p.y));
    const double level = fixed_value(c.level, 6);  // the multiple of the interval without its last bits
    geojson_line(g, points,
                 json_member("level", level) + "," + json_member("depth", 0.0 - level) + "," +
                     json_member("major", is_major(c, major)));
  }
  geojson_end(g);
}

void write_tin_dxf(TextFile& f, const Tin& tin) {
  DxfExtents extents;
  for (const surface::Triangle& t : tin.triangles)
    for (int i = 0; i < 3; ++i) {
      const surface::Vertex& v = corner(tin, t, i);
      extents.add({v.x, v.y, v.z});
    }
  const DxfLayer layers[] = {{"0", 7}, {"TIN", 3}};
  dxf_begin(f, extents, layers);
  for (const surface::Triangle& t : tin.triangles) {
    const surface::Vertex &a = corner(tin, t, 0), &b = corner(tin, t, 1), &c = corner(tin, t, 2);
    dxf_3dface(f, {a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}, "TIN");
  }
  dxf_end(f);
}

void write_landxml(TextFile& f, const Tin& tin, const std::string& name, const std::string& date,
                   const std::string& time) {
  // The vertices of the kept triangles, numbered from 1 in their order.
  std::vector<std::uint32_t> id(tin.vertices.size(), 0);
  for (const surface::Triangle& t : tin.triangles)
    for (const std::uint32_t v : t.v) id[v] = 1;
  std::uint32_t used = 0;
  double low = 0, high = 0;
  for (std::size_t v = 0; v < id.size(); ++v)
    if (id[v] != 0) {
      id[v] = ++used;
      low = used == 1 ? tin.vertices[v].z : std::min(low, tin.vertices[v].z);
      high = used == 1 ? tin.vertices[v].z : std::max(high, tin.vertices[v].z);
    }
  auto line = [&](std::string_view text) {
    write_str(f, text);
    end_line(f);
  };
  line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  line("<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\" date=\"" + date +
       "\" time=\"" + time + "\">");
  line(" <Units>");
  line("  <Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\" "
       "temperatureUnit=\"celsius\" pressureUnit=\"HPA\"/>");
  line(" </Units>");
  line(" <Application name=\"survey_surface\" manufacturer=\"survey tools\"/>");
  line(" <Surfaces>");
  line("  <Surface name=\"" + xml_text(name) + "\">");
  line("   <Definition surfType=\"TIN\" elevMin=\"" + dxf_real(low) + "\" elevMax=\"" + dxf_real(high) + "\">");
  line("    <Pnts>");
  for (std::size_t v = 0; v < id.size(); ++v) {
    if (id[v] == 0) continue;
    const surface::Vertex& p = tin.vertices[v];
    write_str(f, "     <P id=\"");
    write_str(f, std::to_string(id[v]));
    write_str(f, "\">");
    write_fixed(f, p.y, 0, 2);  // northing, easting, elevation
    write_char(f, ' ');
    write_fixed(f, p.x, 0, 2);
    write_char(f, ' ');
    write_str(f, dxf_real(p.z));
    write_str(f, "</P>");
    end_line(f);
  }
  io_check();
  line("    </Pnts>");
  line("    <Faces>");
  for (const surface::Triangle& t : tin.triangles) {
    write_str(f, "     <F>");
    write_str(f, std::to_string(id[t.v[0]]) + " " + std::to_string(id[t.v[1]]) + " " + std::to_string(id[t.v[2]]));
    write_str(f, "</F>");
    end_line(f);
  }
  io_check();
  line("    </Faces>");
  line("   </Definition>");
  line("  </Surface>");
  line(" </Surfaces>");
  line("</LandXML>");
  io_check();
}

std::int64_t write_grid(TextFile& f, const Tin& tin, const surface::Grid& grid, GridFiles& gis_files) {
  surface::write_grid_header(f, grid);
  std::int64_t with_height = 0;
  surface::sample_rows(tin, grid, [&](std::int64_t, std::span<const double> heights) {
    with_height += surface::write_grid_row(f, heights);
    grid_files_row(gis_files, heights);
  });
  return with_height;
}

}  // namespace survey_surface
