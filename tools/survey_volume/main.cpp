// survey_volume: cut and fill of the survey's surface against a design level
// or against an earlier survey, exact on the TINs. The survey is the TIN of
// PM/PointsCl.txt (or --points FILE), trimmed as survey_surface trims it;
// the reference is the level --level Z or the TIN of another survey's x y z
// points (--against FILE). Over the area where both exist (inside
// --boundary FILE when given), split where the surfaces cross, the areas and
// volumes where the survey lies above and below the reference, and with
// --overdepth T the part below the level split at level - T. Writes
//   Temp/Volume.txt      the report for the client
//   Temp/Difference.asc  ESRI ASCII grid of survey - reference (--cell), and
//                        beside it the same as a GeoTIFF (.tif), the grid's .prj
//   Temp/Difference.svg  the difference in plan on a diverging scale
//
//   survey_volume (--level Z | --against FILE) [--overdepth T] [--boundary FILE]
//                 [--points FILE] [--max-edge M] [--cell C] [--title TEXT]
//
// The outputs of an earlier run are removed before the inputs are read, and
// the new ones take their names only once all are written: a stop leaves
// none (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "ascii_grid.h"
#include "fixed_notation.h"
#include "grid_files.h"
#include "input_option.h"
#include "number_grammar.h"
#include "outputs.h"
#include "run_date.h"
#include "run_outputs.h"
#include "stop.h"
#include "surface.h"
#include "surface_file.h"
#include "survey_folder.h"
#include "survey_grid.h"
#include "text_file.h"
#include "volume.h"
#include "write_output.h"

using namespace survey_rt;
using namespace survey_volume;

namespace {

constexpr int kBadCall = 1;        // exit status of a wrong call and of inputs that give no volume
constexpr double kMaxCells = 5e7;  // the grid's cells at most

constexpr std::string_view kUsage =
    "usage: survey_volume (--level Z | --against FILE) [--overdepth T] [--boundary FILE]\n"
    "                     [--points FILE] [--max-edge M] [--cell C] [--title TEXT]\n"
    "  --level Z       the design level, a height like z (-8.5: 8.5 m under the zero)\n"
    "  --against FILE  an earlier survey's x y z points, triangulated like the survey\n"
    "  --overdepth T   with --level: the allowed over-dredge band, metres below it\n"
    "  --boundary FILE the volumes inside this closed polygon only (one x y a line)\n"
    "  --points FILE   the survey's x y z points (without it PM/PointsCl.txt)\n"
    "  --max-edge M    trim every triangle with an edge longer than M metres (50)\n"
    "  --cell C        the cell size of Temp/Difference.asc, metres (1)\n"
    "  --title TEXT    the title of the picture (the survey folder's name)\n";

Run run;
bool points_given = false, level_given = false;
std::string survey_shown = "PM/PointsCl.txt", reference_shown;  // the names on the screen

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_volume", kUsage, why); }

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    struct Number {
      std::string_view name;
      double* value;
      double low, high;
      const char* what;
    };
    const Number numbers[] = {{"--level", &run.level, -1e6, 1e6, "a height in metres"},
                              {"--overdepth", &run.overdepth, 0.01, 1e4, "a depth in metres"},
                              {"--max-edge", &run.max_edge, 0.01, 1e9, "a length in metres"},
                              {"--cell", &run.cell, 0.01, 1e6, "a length in metres"}};
    const Number* number = nullptr;
    for (const Number& n : numbers)
      if (n.name == name) number = &n;
    if (name == "--points") {
      const InputOption points = points_option("survey_volume", kUsage, name, value);
      run.survey.path = points.path;
      survey_shown = shown_name(points);
      points_given = true;
    } else if (name == "--against") {
      const InputOption earlier = points_option("survey_volume", kUsage, name, value);
      run.reference.path = earlier.path;
      reference_shown = shown_name(earlier);
      run.against_level = false;
    } else if (name == "--boundary") {
      run.boundary_path = file_option("survey_volume", kUsage, name, value, "a file of the boundary's corners, x y a line");
    } else if (name == "--title") {
      run.title = value;
    } else {
      if (!parse_real(value, *number->value) || !(*number->value >= number->low && *number->value <= number->high))
        bad_call(std::string(name) + " wants " + number->what + " from " + fixed_text(number->low, 2) + " to " +
                 fixed_text(number->high, 2) + ", not \"" + value + "\"");
      if (number->value == &run.level) level_given = true;
    }
  };
  read_command_line(argc, argv, "survey_volume", kUsage,
                    {"--level", "--overdepth", "--max-edge", "--cell", "--points", "--against", "--boundary", "--title"},
                    on_option);
  if (level_given == !run.against_level)
    bad_call(level_given ? "give --level or --against, not both" : "give the reference: --level Z or --against FILE");
  if (run.overdepth > 0 && !level_given) bad_call("--overdepth goes with --level");
}

// Stops the run before any output is made: a line on the screen, the reason
// on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 22, screen_text);
  show_line("");
  halt_with_message(kBadCall, "survey_volume: " + why);
}

std::string counted(std::int64_t n) { return std::to_string(n); }

// Reads a point list and triangulates it, its counts on the screen's row.
surface::Tin read_surface(Source& s, int row, std::string_view label) {
  const std::string head = std::string(label);
  surface::SurfaceFile file = surface::read_surface_file(s.path, run.max_edge, [&](std::int64_t records) {
    show_at(7, row, head + counted(records) + " records");
  });
  if (!file.why.empty())
    stop(file.bad_record ? "Stopped: a record that is not a finite number." : "Stopped: no surface from " + s.path + ".",
         file.why);
  s.counts = surface::counts_text(file, run.max_edge);
  show_at(7, row, head + counted(file.records) + " records, " + counted(static_cast<std::int64_t>(file.vertices)) +
                      " vertices, " + counted(static_cast<std::int64_t>(file.tin.triangles.size())) + " triangles");
  return std::move(file.tin);
}

// Reads the boundary: one x y a line, whatever follows on the line passed
// over; checked as a closed simple polygon.
void read_boundary() {
  TextFile f;
  open_input(f, run.boundary_path);
  io_check();
  std::vector<surface::Corner> corners;
  while (!at_end_checked(f)) {
    surface::Corner c;
    c.x = read_real(f);
    c.y = read_real(f);
    skip_line(f);
    io_check();
    if (!std::isfinite(c.x) || !std::isfinite(c.y))
      stop("Stopped: the boundary is not a closed simple polygon.",
           run.boundary_path + ", line " + std::to_string(corners.size() + 1) + ": a corner that is not a finite number");
    corners.push_back(c);
  }
  close_file(f);
  io_check();
  surface::BoundaryCheck check = surface::make_boundary(corners);
  if (!check.why.empty())
    stop("Stopped: the boundary is not a closed simple polygon.",
         run.boundary_path + ", line " + std::to_string(check.bad_corner + 1) + ": " + check.why);
  run.boundary = std::move(check.boundary);
}

// The grid of the difference: the cells over the survey that are also over
// the reference and the boundary, aligned to multiples of the cell size.
surface::Grid difference_grid(const surface::Tin& survey, const surface::Tin* reference) {
  surface::Grid g = surface::grid_over(survey, run.cell);
  double x1 = g.x0 + g.columns * g.cell, y1 = g.y0 + g.rows * g.cell;
  auto narrow = [&](double xl, double yl, double xh, double yh) {
    g.x0 = std::max(g.x0, xl);
    g.y0 = std::max(g.y0, yl);
    x1 = std::min(x1, xh);
    y1 = std::min(y1, yh);
  };
  if (reference) {
    const surface::Grid r = surface::grid_over(*reference, run.cell);
    narrow(r.x0, r.y0, r.x0 + r.columns * r.cell, r.y0 + r.rows * r.cell);
  }
  if (!run.boundary_path.empty()) {
    double xl = INFINITY, yl = INFINITY, xh = -INFINITY, yh = -INFINITY;
    for (const surface::Corner& c : run.boundary.corners) {
      xl = std::min(xl, c.x), yl = std::min(yl, c.y), xh = std::max(xh, c.x), yh = std::max(yh, c.y);
    }
    narrow(std::floor(xl / g.cell) * g.cell, std::floor(yl / g.cell) * g.cell, std::ceil(xh / g.cell) * g.cell,
           std::ceil(yh / g.cell) * g.cell);
  }
  g.columns = std::max<std::int64_t>(1, std::llround((x1 - g.x0) / g.cell));
  g.rows = std::max<std::int64_t>(1, std::llround((y1 - g.y0) / g.cell));
  return g;
}

// The grid of the difference, checked before the volumes are shown.
surface::Grid checked_grid(const surface::Tin& survey, const surface::Tin* reference) {
  const surface::Grid g = difference_grid(survey, reference);
  if (static_cast<double>(g.columns) * static_cast<double>(g.rows) > kMaxCells)
    stop("Stopped: the grid would be too large.",
         "a grid of " + std::to_string(g.columns) + " x " + std::to_string(g.rows) + " cells of " +
             fixed_text(g.cell, 2) + " m is more than " + fixed_text(kMaxCells, 0) + " cells; give a larger --cell");
  return g;
}

// survey - reference at the grid's cell centres.
Difference difference(const surface::Grid& grid, const surface::Tin& survey, const surface::Tin* reference) {
  Difference diff;
  diff.grid = grid;
  const surface::Grid& g = diff.grid;
  const std::size_t w = static_cast<std::size_t>(g.columns);
  diff.d.assign(w * static_cast<std::size_t>(g.rows), run.level);
  if (reference)
    surface::sample_rows(*reference, g, [&](std::int64_t row, std::span<const double> heights) {
      std::copy(heights.begin(), heights.end(), diff.d.begin() + static_cast<std::ptrdiff_t>(row * g.columns));
    });
  std::vector<double> mine;
  diff.low = INFINITY;
  diff.high = -INFINITY;
  surface::sample_rows(survey, g, [&](std::int64_t row, std::span<const double> heights) {
    mine.assign(heights.begin(), heights.end());
    if (!run.boundary_path.empty()) surface::mask_row(run.boundary, g, row, mine);
    double* out = diff.d.data() + row * g.columns;
    for (std::size_t i = 0; i < w; ++i) {
      out[i] = mine[i] - out[i];  // NaN where either is
      if (std::isnan(out[i])) continue;
      ++diff.cells;
      diff.low = std::min(diff.low, out[i]);
      diff.high = std::max(diff.high, out[i]);
    }
  });
  if (diff.cells == 0) diff.low = diff.high = 0;
  return diff;
}

void show_side(int row, std::string_view label, const surface::Side& s) {
  show_at(7, row, std::string(label) + fixed_text(s.volume, 2) + " m3 over " + fixed_text(s.area, 2) + " m2");
}

}  // namespace

int main(int argc, char** argv) {
  run.survey.path = "PM/PointsCl.txt";
  run.title = survey_folder_name();
  read_options(argc, argv);
  run.date = run_date();

  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey Volume - cut and fill");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + survey_shown);
  show_line(run.against_level ? "      Level  " + fixed_text(run.level, 2) + " m" +
                                    (run.overdepth > 0 ? ", over-depth " + fixed_text(run.overdepth, 2) + " m" : "")
                              : "      Earlier survey " + reference_shown);
  show_line("      Boundary " + (run.boundary_path.empty() ? std::string("(none)") : run.boundary_path));
  show_at(7, 13, "Max. edge : " + fixed_text(run.max_edge, 2) + " m");
  start_outputs({"Temp/Volume.txt", "Temp/Difference.asc", "Temp/Difference.prj", "Temp/Difference.tif",
                 "Temp/Difference.svg"},
                {run.survey.path, run.reference.path, run.boundary_path});
  // The grid of the GIS files, read first: a wrong PM/Grid.txt stops the run
  // before the work.
  const std::optional<Grid> gis_grid = load_survey_grid("survey_volume");
  if (!points_given && !cleaned_points_present(run.survey.path))
    stop(kNoCleanedPointsShown, std::string(kNoCleanedPoints));
  if (!run.boundary_path.empty()) read_boundary();

  const surface::Tin survey = read_surface(run.survey, 14, "Survey    : ");
  surface::Tin reference;
  if (!run.against_level) reference = read_surface(run.reference, 15, "Reference : ");
  // Most of a surface trimmed: --max-edge is likely shorter than its line
  // spacing, and the volumes cover only the strips along the lines.
  const std::string survey_note = surface::trimmed_note(survey, run.max_edge);
  const std::string reference_note = run.against_level ? "" : surface::trimmed_note(reference, run.max_edge);
  if (!survey_note.empty())
    show_at(7, 16, "Trimmed   : survey " + survey_note);
  else if (!reference_note.empty())
    show_at(7, 16, "Trimmed   : reference " + reference_note);
  const surface::Grid grid = checked_grid(survey, run.against_level ? nullptr : &reference);
  if (run.against_level)
    run.volumes = surface::volumes_against_level(survey, run.level, run.overdepth,
                                                 run.boundary_path.empty() ? nullptr : &run.boundary);
  else
    run.volumes = surface::volumes_against_surface(survey, reference, run.boundary_path.empty() ? nullptr : &run.boundary);
  const surface::Volumes& v = run.volumes;
  if (!(v.common_area > 0))
    stop("Stopped: no common area.",
         run.against_level ? run.survey.path + ": the surface does not reach into the boundary " + run.boundary_path
                           : run.survey.path + " and " + run.reference.path + " do not overlap" +
                                 (run.boundary_path.empty() ? "" : " inside the boundary " + run.boundary_path));
  show_at(7, 17, "Common    : " + fixed_text(v.common_area, 2) + " m2, " + counted(v.pieces) + " pieces");
  show_side(18, "Above     : ", v.above);
  show_side(19, "Below     : ", v.below);
  show_at(7, 20, "Net       : " + fixed_text(v.above.volume - v.below.volume, 2) + " m3");
  if (run.overdepth > 0) {
    const OverDepth o = over_depth(run);
    const std::string foot = fixed_text(run.level - run.overdepth, 2) + " m";
    show_side(21, "Band      : ", o.band);
    write_str(console_output(), ", to " + foot);
    show_side(22, "Under band: ", o.under);
    write_str(console_output(), ", below " + foot);
  }
  const Difference diff = difference(grid, survey, run.against_level ? nullptr : &reference);

  show_at(7, 9, "Write  Temp/Volume.txt");
  write_output(9, "Temp/Volume.txt", [&](TextFile& f) { write_report(f, run); });
  write_output(10, "Temp/Difference.asc", [&](TextFile& f) { write_difference_grid(f, diff); });
  write_str(console_output(), grid_files_shown(gis_grid));
  const surface::Grid& g = diff.grid;
  GridFiles gis_files;
  grid_files_begin(gis_files, "Temp/Difference", surface::raster_place(g), gis_grid);
  for (std::int64_t r = 0; r < g.rows; ++r)
    grid_files_row(gis_files, std::span<const double>(diff.d).subspan(r * g.columns, g.columns));
  grid_files_end(gis_files);
  write_output(11, "Temp/Difference.svg", [&](TextFile& f) { write_difference_picture(f, diff, run); });
  finish_outputs();

  show_at(7, 23, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
