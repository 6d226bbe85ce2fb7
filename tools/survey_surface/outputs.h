// The files of survey_surface, each written whole by one function from the
// TIN and its contours (writers.cpp: the drawings, LandXML and the grid;
// picture.cpp: the SVG picture).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "grid.h"
#include "grid_files.h"
#include "surface.h"
#include "svg.h"
#include "text_file.h"

namespace survey_surface {

struct Settings {
  std::string points_path = "PM/PointsCl.txt";
  double max_edge = 50;   // metres
  double interval = 1;    // metres
  int major = 5;          // every major-th level is a major contour
  double min_length = 0;  // metres
  double cell = 1;        // metres
  std::string title;      // of the picture and the LandXML surface
};

using surface::is_major;

// Temp/Contours.dxf: the contours as 2D polylines at their level, on the
// layers CONTOUR and CONTOUR_MAJOR, the major ones labelled with their depth.
void write_contours_dxf(survey_rt::TextFile& f, const std::vector<surface::Contour>& contours, int major);
// Temp/Contours.geojson: the contours as LineStrings in WGS 84, with their
// level (z), depth (-z) and whether they are major.
void write_contours_geojson(survey_rt::TextFile& f, const std::vector<surface::Contour>& contours, int major,
                            const survey_rt::Grid& grid);
// Temp/Tin.dxf: the kept triangles as 3DFACEs on the layer TIN.
void write_tin_dxf(survey_rt::TextFile& f, const surface::Tin& tin);
// Temp/Surface.xml: the TIN in LandXML 1.2 (points as northing easting
// elevation); date and time are those given ("2026-12-07", "23:59:59").
void write_landxml(survey_rt::TextFile& f, const surface::Tin& tin, const std::string& name,
                   const std::string& date, const std::string& time);
// Temp/Surface.asc: the ESRI ASCII grid of the TIN's heights, each row also
// to the GeoTIFF of gis_files; the count of cells with a height.
std::int64_t write_grid(survey_rt::TextFile& f, const surface::Tin& tin, const surface::Grid& grid,
                        survey_rt::GridFiles& gis_files);

// The picture's map.
using Layout = survey_rt::MapLayout;
Layout picture_layout(const surface::Tin& tin);
// A place's pixel, as a whole column and row of the picture.
struct Pixel {
  int x = 0, y = 0;
  bool operator==(const Pixel&) const = default;
};
Pixel pixel_of(const Layout& layout, double x, double y);

// A survey line as drawn: the pixels of its records in order, each once
// (a gap longer than the longest edge starts a new line).
using Track = std::vector<Pixel>;

// Temp/Surface.svg: the contours coloured by level, the TIN's outline and
// the tracks, with scale bar, north arrow and legend.
void write_picture(survey_rt::TextFile& f, const Layout& layout, const surface::Tin& tin,
                   const std::vector<surface::Contour>& contours, const std::vector<Track>& tracks,
                   const Settings& settings);

}  // namespace survey_surface
