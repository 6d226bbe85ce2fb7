// survey_surface: the seabed as a surface. The cleaned points of
// PM/PointsCl.txt (x y z) become a TIN, the Delaunay triangulation of their
// positions taken to the centimetre (records at the same position merged into
// one vertex with the shallowest z), trimmed of every triangle with an edge
// longer than --max-edge so that it does not bridge gaps. From the TIN:
//   Temp/Contours.dxf  the contours at every multiple of --interval, the
//                      major ones (every --major-th level) labelled with depth;
//                      in WGS 84 for GIS as Temp/Contours.geojson
//   Temp/Tin.dxf       the kept triangles as 3DFACEs
//   Temp/Surface.xml   the TIN as a LandXML 1.2 surface
//   Temp/Surface.asc   an ESRI ASCII grid of its heights (--cell), and beside
//                      it the same as a GeoTIFF (.tif) with the grid's .prj
//   Temp/Surface.svg   the picture: contours, outline, tracks
//
//   survey_surface [--points FILE] [--max-edge M] [--interval I] [--major K]
//                  [--min-length L] [--cell C] [--title TEXT]
//
// The outputs of an earlier run are removed before the points are read, and
// the new ones take their names only once all are written: a stop leaves
// none (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "dxf_drawing.h"
#include "ascii_grid.h"
#include "fixed_notation.h"
#include "grid_files.h"
#include "input_option.h"
#include "number_grammar.h"
#include "outputs.h"
#include "run_outputs.h"
#include "stop.h"
#include "surface.h"
#include "surface_file.h"
#include "survey_folder.h"
#include "survey_grid.h"
#include "text_file.h"
#include "write_output.h"
#include "xyz_records.h"

using namespace survey_rt;
using namespace survey_surface;

namespace {

constexpr int kBadCall = 1;  // exit status of a wrong call and of points that give no surface
constexpr double kMaxCells = 5e7;  // the grid's cells at most

constexpr std::string_view kUsage =
    "usage: survey_surface [--points FILE] [--max-edge M] [--interval I] [--major K]\n"
    "                      [--min-length L] [--cell C] [--title TEXT]\n"
    "  --points FILE   the x y z points (without it PM/PointsCl.txt, echo_clean2's list)\n"
    "  --max-edge M    trim every triangle with an edge longer than M metres (50)\n"
    "  --interval I    contours at every multiple of I metres (1)\n"
    "  --major K       every K-th contour is a major one, labelled with its depth (5)\n"
    "  --min-length L  drop closed contours shorter than L metres around deeper water (0)\n"
    "  --cell C        the cell size of Temp/Surface.asc, metres (1)\n"
    "  --title TEXT    the title of the picture and the surface (the survey folder's name)\n";

Settings settings;
bool points_given = false;
std::string points_shown = "PM/PointsCl.txt";  // the points' name on the screen

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_surface", kUsage, why); }

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    struct Number {
      std::string_view name;
      double* value;
      double low, high;
    };
    double major = settings.major;
    const Number numbers[] = {{"--max-edge", &settings.max_edge, 0.01, 1e9},
                              {"--interval", &settings.interval, 0.01, 1e6},
                              {"--major", &major, 1, 1000},
                              {"--min-length", &settings.min_length, 0, 1e9},
                              {"--cell", &settings.cell, 0.01, 1e6}};
    const Number* number = nullptr;
    for (const Number& n : numbers)
      if (n.name == name) number = &n;
    if (name == "--points") {
      const InputOption points = points_option("survey_surface", kUsage, name, value);
      settings.points_path = points.path;
      points_shown = shown_name(points);
      points_given = true;
    } else if (name == "--title") {
      settings.title = value;
    } else if (!parse_real(value, *number->value) ||
               !(*number->value >= number->low && *number->value <= number->high) ||
               (number->value == &major && major != std::floor(major))) {
      bad_call(std::string(name) + " wants " + (number->value == &major ? "a whole number" : "a length in metres") +
               " from " + dxf_real(number->low) + " to " + dxf_real(number->high) + ", not \"" + value + "\"");
    }
    settings.major = static_cast<int>(major);
  };
  read_command_line(argc, argv, "survey_surface", kUsage,
                    {"--max-edge", "--interval", "--major", "--min-length", "--cell", "--points", "--title"}, on_option);
}

// Stops the run before any output is made: a line on the screen, the reason
// on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 22, screen_text);
  show_line("");
  halt_with_message(kBadCall, "survey_surface: " + why);
}

// The survey lines of the point list, read again in their order, as pixels
// of the picture.
std::vector<Track> read_tracks(const Layout& layout) {
  std::vector<Track> tracks;
  TextFile f;
  open_input(f, settings.points_path);
  io_check();
  double px = 0, py = 0;
  while (!at_end_checked(f)) {
    double x = 0, y = 0, z = 0;
    read_xyz(f, x, y, z);
    if (tracks.empty() || std::hypot(x - px, y - py) > settings.max_edge) tracks.emplace_back();
    const Pixel p = pixel_of(layout, x, y);
    if (tracks.back().empty() || !(tracks.back().back() == p)) tracks.back().push_back(p);
    px = x, py = y;
  }
  close_file(f);
  io_check();
  return tracks;
}

void show_number(int row, std::string_view label, double value, std::string_view unit) {
  show_at(7, row, std::string(label) + dxf_real(value) + std::string(unit));
}

// Today's date and time (UTC), as LandXML writes them.
void now(std::string& date, std::string& time) {
  const std::time_t t = std::time(nullptr);
  const std::tm* u = std::gmtime(&t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", u->tm_year + 1900, u->tm_mon + 1, u->tm_mday);
  date = text;
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", u->tm_hour, u->tm_min, u->tm_sec);
  time = text;
}

}  // namespace

int main(int argc, char** argv) {
  settings.title = survey_folder_name();
  read_options(argc, argv);
  const std::string& path = settings.points_path;

  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey Surface - TIN, contours and grid");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + points_shown);
  show_number(16, "Max. edge : ", settings.max_edge, " m");
  start_outputs({"Temp/Contours.dxf", "Temp/Contours.geojson", "Temp/Tin.dxf", "Temp/Surface.xml", "Temp/Surface.asc",
                 "Temp/Surface.prj", "Temp/Surface.tif", "Temp/Surface.svg"},
                {path});
  // The grid of the GIS files, read first: a wrong PM/Grid.txt stops the run
  // before the work.
  const std::optional<Grid> gis_grid = load_survey_grid("survey_surface");
  if (!points_given && !cleaned_points_present(path))
    stop(kNoCleanedPointsShown, std::string(kNoCleanedPoints));

  // The vertices: the records taken to the centimetre, merged by position.
  surface::PointSet points;
  const surface::ReadResult read = surface::read_points(path, points, [](std::int64_t records) {
    show_count(7, 13, "Records   : ", static_cast<int>(std::min<std::int64_t>(records, 2147483647)), 8);
  });
  if (read.bad_record != 0)
    stop("Stopped: a record that is not a finite number.",
         path + ", record " + std::to_string(read.bad_record) +
             ": a position or height that is not a finite number (or a position beyond 1e12 m)");
  show_count(7, 14, "Merged    : ", static_cast<int>(points.merged), 8);
  if (points.merged > 0) write_str(console_output(), "   (same x y: the shallowest z kept)");
  show_count(7, 15, "Vertices  : ", static_cast<int>(points.vertices.size()), 8);

  // The TIN.
  const surface::Tin tin = surface::build_tin(std::move(points.vertices), settings.max_edge);
  if (tin.state == surface::TinState::kTooFew)
    stop("Stopped: no surface: fewer than three distinct positions.",
         path + ": " + std::to_string(tin.vertices.size()) +
             " distinct positions (x y to the centimetre); a surface needs at least three, not all on one line");
  if (tin.state == surface::TinState::kOneLine)
    stop("Stopped: no surface: all positions lie on one line.",
         path + ": all " + std::to_string(tin.vertices.size()) +
             " positions lie on one straight line (to the centimetre); a surface needs points off it");
  show_count(7, 17, "Triangles : ", static_cast<int>(tin.triangles.size()), 8);
  show_count(7, 18, "Trimmed   : ", static_cast<int>(tin.trimmed), 8);
  if (const std::string note = surface::trimmed_note(tin, settings.max_edge); !note.empty())
    write_str(console_output(), "  " + note);
  if (tin.triangles.empty())
    stop("Stopped: no surface: every triangle has a longer edge.",
         path + ": every triangle has an edge longer than " + dxf_real(settings.max_edge) +
             " m; give a longer --max-edge");

  // The contours, and the grid's size.
  std::vector<surface::Contour> contours = surface::trace_contours(tin, settings.interval);
  const std::int64_t dropped = surface::drop_small_hollows(contours, settings.min_length);
  show_count(7, 19, "Contours  : ", static_cast<int>(contours.size()), 8);
  write_str(console_output(), " lines, every " + dxf_real(settings.interval) + " m, major every " +
                                  dxf_real(settings.interval * settings.major) + " m");
  if (settings.min_length > 0)
    write_str(console_output(), ", " + std::to_string(dropped) + " hollows under " + dxf_real(settings.min_length) +
                                    " m dropped");
  const surface::Grid grid = surface::grid_over(tin, settings.cell);
  if (static_cast<double>(grid.columns) * static_cast<double>(grid.rows) > kMaxCells)
    stop("Stopped: the grid would be too large.",
         "a grid of " + std::to_string(grid.columns) + " x " + std::to_string(grid.rows) + " cells of " +
             dxf_real(settings.cell) + " m is more than " + fixed_text(kMaxCells, 0) + " cells; give a larger --cell");
  io_check();

  const Layout layout = picture_layout(tin);
  const std::vector<Track> tracks = read_tracks(layout);

  // The outputs, the GIS files beside the drawings and the grid.
  show_at(7, 7, "Write");
  write_output(7, "Temp/Contours.dxf", [&](TextFile& f) { write_contours_dxf(f, contours, settings.major); });
  if (gis_grid) {
    write_str(console_output(), ", .geojson");
    write_file("Temp/Contours.geojson",
               [&](TextFile& f) { write_contours_geojson(f, contours, settings.major, *gis_grid); });
  }
  write_output(8, "Temp/Tin.dxf", [&](TextFile& f) { write_tin_dxf(f, tin); });
  write_output(9, "Temp/Surface.xml", [&](TextFile& f) {
    std::string date, time;
    now(date, time);
    write_landxml(f, tin, settings.title, date, time);
  });
  std::int64_t cells = 0;
  write_output(10, "Temp/Surface.asc", [&](TextFile& f) {
    write_str(console_output(), grid_files_shown(gis_grid));
    GridFiles gis_files;
    grid_files_begin(gis_files, "Temp/Surface", surface::raster_place(grid), gis_grid);
    cells = write_grid(f, tin, grid, gis_files);
    grid_files_end(gis_files);
  });
  write_output(11, "Temp/Surface.svg",
               [&](TextFile& f) { write_picture(f, layout, tin, contours, tracks, settings); });
  finish_outputs();
  show_at(7, 20, "Grid      : " + std::to_string(grid.columns) + " x " + std::to_string(grid.rows) + " cells of " +
                     dxf_real(settings.cell) + " m, " + std::to_string(cells) + " with a height");

  show_at(7, 23, "Press Enter ...  ");
  wait_enter();
  io_check();
  return 0;
}
