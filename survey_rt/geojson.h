// The survey's features as GeoJSON (RFC 7946): a FeatureCollection of Points
// and LineStrings in WGS 84 longitude and latitude with eight decimals (about
// a millimetre), one feature a line, and the reading back of the lines of
// such a file (Temp/Contours.geojson into the KML of survey_plot).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid.h"
#include "text_file.h"

namespace survey_rt {

// A FeatureCollection being written: the features so far, and the points so
// far of a LineString being written point by point.
struct GeoJsonFile {
  TextFile& f;
  std::int64_t features = 0;
  std::int64_t line_points = 0;
  std::string position = {};  // the text of a point, its room kept from one to the next
};

void geojson_begin(GeoJsonFile& g);
void geojson_end(GeoJsonFile& g);
// A feature; properties are the members of its properties object
// (json_member), without the braces.
void geojson_point(GeoJsonFile& g, const LatLon& p, std::string_view properties);
void geojson_line(GeoJsonFile& g, std::span<const LatLon> points, std::string_view properties);
// The same point by point, for a line too long to hold: its properties follow
// its coordinates.
void geojson_line_begin(GeoJsonFile& g);
void geojson_line_point(GeoJsonFile& g, const LatLon& p);
void geojson_line_end(GeoJsonFile& g, std::string_view properties);

// A JSON string of text (quoted, with \" \\ and control bytes escaped).
std::string json_string(std::string_view text);
// "name":value with the value's shortest text that reads back as it, or
// with d decimals.
std::string json_member(std::string_view name, double value);
std::string json_member(std::string_view name, double value, int d);
std::string json_member(std::string_view name, bool value);
std::string json_member(std::string_view name, std::string_view text);
std::string json_member(std::string_view name, std::int64_t value);

// A LineString of a FeatureCollection as read back: its points and the
// numbers and true/false of its properties by name.
struct GeoJsonLine {
  std::vector<LatLon> points;
  std::vector<std::pair<std::string, double>> numbers;  // true 1, false 0
  double number(std::string_view name, double missing) const;
};
// The LineStrings of a GeoJSON text, in their order; false, with why set,
// when the text is not a FeatureCollection of Points and LineStrings as these
// tools write them.
bool read_geojson_lines(std::string_view text, std::vector<GeoJsonLine>& lines, std::string& why);

}  // namespace survey_rt
