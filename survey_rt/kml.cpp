#include "kml.h"

#include <string>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "stop.h"
#include "svg.h"

namespace survey_rt {

namespace {

void line(TextFile& f, std::string_view text) {
  write_str(f, text);
  end_line(f);
}

void append_position(std::string& s, const LatLon& p) {
  append_fixed(s, p.longitude, 8);
  s += ',';
  append_fixed(s, p.latitude, 8);
}

std::string placemark_head(std::string_view name, std::string_view style) {
  return "<Placemark><name>" + xml_text(name) + "</name><styleUrl>#" + std::string(style) + "</styleUrl>";
}

}  // namespace

void kml_begin(TextFile& f, std::string_view name, std::span<const KmlStyle> styles) {
  line(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  line(f, "<kml xmlns=\"http://www.opengis.net/kml/2.2\">");
  line(f, "<Document>");
  line(f, "<name>" + xml_text(name) + "</name>");
  for (const KmlStyle& s : styles) {
    const std::string colour(s.colour);
    if (s.width > 0)
      line(f, "<Style id=\"" + std::string(s.id) + "\"><LineStyle><color>" + colour + "</color><width>" +
                  dxf_real(s.width) + "</width></LineStyle></Style>");
    else
      line(f, "<Style id=\"" + std::string(s.id) + "\"><IconStyle><color>" + colour +
                  "</color><scale>0.4</scale><Icon><href>http://maps.google.com/mapfiles/kml/shapes/"
                  "shaded_dot.png</href></Icon></IconStyle><LabelStyle><scale>0.7</scale></LabelStyle></Style>");
  }
  io_check();
}

void kml_end(TextFile& f) {
  line(f, "</Document>");
  line(f, "</kml>");
  io_check();
}

void kml_folder_begin(TextFile& f, std::string_view name) {
  line(f, "<Folder><name>" + xml_text(name) + "</name>");
  io_check();
}

void kml_folder_end(TextFile& f) {
  line(f, "</Folder>");
  io_check();
}

void kml_line(TextFile& f, std::string_view name, std::string_view style, std::span<const LatLon> points) {
  kml_line_begin(f, name, style);
  for (std::size_t i = 0; i < points.size(); ++i) kml_line_point(f, points[i], i == 0);
  kml_line_end(f);
}

void kml_line_begin(TextFile& f, std::string_view name, std::string_view style) {
  write_str(f, placemark_head(name, style) + "<LineString><tessellate>1</tessellate><coordinates>");
}

void kml_line_point(TextFile& f, const LatLon& p, bool first) {
  std::string position = first ? "" : " ";
  append_position(position, p);
  write_str(f, position);
}

void kml_line_end(TextFile& f) {
  line(f, "</coordinates></LineString></Placemark>");
  io_check();
}

void kml_point(TextFile& f, std::string_view name, std::string_view style, const LatLon& p) {
  std::string text = placemark_head(name, style) + "<Point><coordinates>";
  append_position(text, p);
  line(f, text + "</coordinates></Point></Placemark>");
  io_check();
}

}  // namespace survey_rt
