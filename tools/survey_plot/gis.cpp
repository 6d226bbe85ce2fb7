#include "gis.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "fixed_notation.h"
#include "kml.h"
#include "run_outputs.h"
#include "stop.h"
#include "xyz_records.h"

using namespace survey_rt;

namespace survey_plot {

namespace {

// KML's colours are aabbggrr.
constexpr KmlStyle kStyles[] = {
    {"track", "ff1c1ae4", 2},     // red, as the flagged marks
    {"contour", "ffb4771f", 1},   // blue
    {"major", "ffb4771f", 3},     // the same, bolder
    {"sounding", "ffffffff", 0},  // a white dot and its label
};

// A depth's label as the chart writes it: one decimal, a drying height
// (z above 0) said so.
std::string depth_label(double z) { return z > 0 ? fixed_text(z, 1) + " dries" : fixed_text(-z + 0.0, 1); }

void end_line_of_track(TrackFiles& t) {
  if (t.points >= 2) {
    geojson_line_end(t.geojson, json_member("line", std::int64_t{t.lines}) + "," +
                                    json_member("first", std::int64_t{t.first}) + "," +
                                    json_member("last", std::int64_t{t.last}) + "," +
                                    json_member("records", std::int64_t{t.last - t.first + 1}) + "," +
                                    json_member("kept", std::int64_t{t.kept}));
    kml_line_end(t.kml_file);
  }
  t.points = 0;
}

// The line's next point; its second begins the line in both files.
void add_point(TrackFiles& t, const LatLon& p) {
  if (t.points == 0) {
    t.first_point = p;
  } else {
    if (t.points == 1) {
      ++t.lines;
      geojson_line_begin(t.geojson);
      geojson_line_point(t.geojson, t.first_point);
      kml_line_begin(t.kml_file, "Line " + std::to_string(t.lines) + ", from record " + std::to_string(t.first),
                     "track");
      kml_line_point(t.kml_file, t.first_point, true);
    }
    geojson_line_point(t.geojson, p);
    kml_line_point(t.kml_file, p, false);
  }
  ++t.points;
}

}  // namespace

bool read_gis_layers(const Grid& grid, GisLayers& layers, std::string& why) {
  std::ifstream contours(disk_path("Temp/Contours.geojson"), std::ios::binary);
  if (contours) {
    layers.have_contours = true;
    const std::string text(std::istreambuf_iterator<char>(contours), {});
    if (!read_geojson_lines(text, layers.contours, why)) {
      why = "Temp/Contours.geojson: " + why;
      return false;
    }
  }
  TextFile soundings;
  layers.have_soundings = open_input_if_present(soundings, "PM/Soundings.txt");
  io_check();
  if (layers.have_soundings) {
    while (!at_end_checked(soundings)) {
      double x = 0, y = 0, z = 0;
      read_xyz(soundings, x, y, z);
      layers.soundings.emplace_back(grid_inverse(grid, x, y), depth_label(z));
    }
    close_file(soundings);
    io_check();
  }
  return true;
}

void track_begin(TrackFiles& t, const std::string& title, const Grid& grid) {
  t.grid = &grid;
  create_run_output(t.geojson_file, "Temp/Track.geojson");
  create_run_output(t.kml_file, "Temp/Survey.kml");
  geojson_begin(t.geojson);
  kml_begin(t.kml_file, title, kStyles);
  kml_folder_begin(t.kml_file, "Track");
}

void track_add(TrackFiles& t, std::int32_t record, double x, double y, bool kept) {
  if (!std::isfinite(x) || !std::isfinite(y)) {
    end_line_of_track(t);
    return;
  }
  if (t.points > 0 && std::hypot(x - t.x, y - t.y) > kTrackGap) end_line_of_track(t);
  if (t.points == 0) t.first = record, t.kept = 0;
  add_point(t, grid_inverse(*t.grid, x, y));
  t.last = record;
  t.kept += kept;
  t.x = x, t.y = y;
}

void track_end(TrackFiles& t, const GisLayers& layers) {
  end_line_of_track(t);
  geojson_end(t.geojson);
  close_run_output(t.geojson_file);
  TextFile& k = t.kml_file;
  kml_folder_end(k);
  kml_folder_begin(k, "Contours");
  for (const GeoJsonLine& c : layers.contours) {
    const double depth = -c.number("level", 0);
    kml_line(k, fixed_text(depth, 1) + " m", c.number("major", 0) != 0 ? "major" : "contour", c.points);
  }
  kml_folder_end(k);
  kml_folder_begin(k, "Soundings");
  for (const auto& [place, label] : layers.soundings) kml_point(k, label, "sounding", place);
  kml_folder_end(k);
  kml_end(k);
  close_run_output(k);
}

}  // namespace survey_plot
