// The survey for Google Earth: a KML 2.2 document of folders of placemarks,
// lines and labelled points in WGS 84 longitude and latitude (eight
// decimals), drawn with the styles named at its start.
#pragma once

#include <span>
#include <string_view>

#include "grid.h"
#include "text_file.h"

namespace survey_rt {

// A line style or a point style of the document.
struct KmlStyle {
  std::string_view id;
  std::string_view colour;  // KML's aabbggrr
  double width = 1;         // a line's width in pixels; 0: a point's style (a small dot and its label)
};

void kml_begin(TextFile& f, std::string_view name, std::span<const KmlStyle> styles);
void kml_end(TextFile& f);
void kml_folder_begin(TextFile& f, std::string_view name);
void kml_folder_end(TextFile& f);
// A placemark named name, drawn with the style of that id.
void kml_line(TextFile& f, std::string_view name, std::string_view style, std::span<const LatLon> points);
// The same point by point, for a line too long to hold (first: the line's
// first point).
void kml_line_begin(TextFile& f, std::string_view name, std::string_view style);
void kml_line_point(TextFile& f, const LatLon& p, bool first);
void kml_line_end(TextFile& f);
void kml_point(TextFile& f, std::string_view name, std::string_view style, const LatLon& p);

}  // namespace survey_rt
