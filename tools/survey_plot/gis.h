// The survey for GIS and Google Earth, where the survey's grid is known:
//   Temp/Track.geojson  the survey lines of PM/Points.txt as LineStrings in
//                       WGS 84, a new line after a step of more than 50 m or a
//                       record that is not finite; each with its number, its
//                       first and last record, its records and how many of
//                       them were kept (in PM/PointsCl.txt, or all)
//   Temp/Survey.kml     for Google Earth: the folders Track (the same lines),
//                       Contours (Temp/Contours.geojson of survey_surface, the
//                       major ones bolder) and Soundings (PM/Soundings.txt of
//                       survey_soundings, labelled with their depths)
// The track is written record by record in the second pass, each line's
// points as they come: the memory is the same for any length of survey.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "geojson.h"
#include "grid.h"
#include "text_file.h"

namespace survey_plot {

constexpr double kTrackGap = 50;  // metres: a longer step starts a new line

// What the KML shows besides the track.
struct GisLayers {
  bool have_contours = false, have_soundings = false;
  std::vector<survey_rt::GeoJsonLine> contours;
  std::vector<std::pair<survey_rt::LatLon, std::string>> soundings;  // place and label
};
// Reads Temp/Contours.geojson and PM/Soundings.txt where they are; false,
// with why, when Temp/Contours.geojson is there but no FeatureCollection of
// lines. A PM/Soundings.txt that is not x y z is the run-time stop.
bool read_gis_layers(const survey_rt::Grid& grid, GisLayers& layers, std::string& why);

// The two files while the track is written.
struct TrackFiles {
  survey_rt::TextFile geojson_file, kml_file;
  survey_rt::GeoJsonFile geojson{geojson_file};
  const survey_rt::Grid* grid = nullptr;
  // The line so far: its records and how many, its first point (a line is
  // written from its second point on: a lone point is none), its last record.
  std::int32_t first = 0, last = 0, kept = 0, points = 0;
  survey_rt::LatLon first_point;
  double x = 0, y = 0;
  std::int32_t lines = 0;
};

void track_begin(TrackFiles& t, const std::string& title, const survey_rt::Grid& grid);
// The next record of PM/Points.txt (its number from 1).
void track_add(TrackFiles& t, std::int32_t record, double x, double y, bool kept);
// Ends the last line, adds the KML's contours and soundings and closes both.
void track_end(TrackFiles& t, const GisLayers& layers);

}  // namespace survey_plot
