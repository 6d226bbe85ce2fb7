// survey_sheet: the survey sheet (the fair sheet), what the client of a
// harbour or channel survey receives: the chart's soundings and the contours
// at a stated scale, a coordinate grid, the survey's outline, a title block,
// scale bar and north arrow, plotted at exact scale as a PDF.
//
//   survey_sheet [--scale N] [--paper A0|A1|A2|A3|A4] [--orientation landscape|portrait]
//                [--height H] [--spacing S] [--interval I] [--major K] [--max-edge M]
//                [--min-length L] [--grid-interval G] [--title TEXT] [--points FILE]
//
// The soundings are those of survey_soundings at the sheet's scale (the
// soundings library), the contours those of survey_surface (the surface
// library), with the same options and defaults. A survey larger than a sheet
// is cut into sheets that overlap by 10 mm of paper, numbered west to east
// and south to north; the panel of every sheet shows their index. The title
// block names the survey folder's grid: PM/Grid.txt's, else the chain's own
// Transverse Mercator of PM/La_Lo_De.txt's parameter line.
//
// Outputs:
//   Temp/Sheet.pdf  a page a sheet, each exactly the paper's size
//   Temp/Sheet.svg  the first sheet, at scale
//   Temp/Sheet.dxf  the soundings, contours, their labels, the outline and
//                   the sheets as drawn, in real coordinates
//
// Every check comes before the first output is made. The outputs of an
// earlier run are removed before anything is read, and the new ones take
// their names only once all are written (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "contour_dxf.h"
#include "contour_labels.h"
#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "grid_text.h"
#include "input_option.h"
#include "layout.h"
#include "number_grammar.h"
#include "paper.h"
#include "pdf.h"
#include "run_date.h"
#include "run_outputs.h"
#include "selection.h"
#include "sheet.h"
#include "stop.h"
#include "surface.h"
#include "survey_folder.h"
#include "survey_grid.h"
#include "text_file.h"
#include "write_output.h"

using namespace survey_rt;
using namespace survey_sheet;

namespace {

constexpr int kBadCall = 1;          // exit status of a wrong call and of points that give no sheet
constexpr int kMostSheets = 1000;    // pages of one document
constexpr double kLeastGridMm = 10;  // grid lines at least this far apart on paper

constexpr std::string_view kUsage =
    "usage: survey_sheet [--scale N] [--paper A0|A1|A2|A3|A4] [--orientation landscape|portrait]\n"
    "                    [--height H] [--spacing S] [--interval I] [--major K] [--max-edge M]\n"
    "                    [--min-length L] [--grid-interval G] [--title TEXT] [--points FILE]\n"
    "  --scale N          the sheet at 1:N (1000)\n"
    "  --paper P          the paper, A0 to A4 (A1)\n"
    "  --orientation O    landscape or portrait (the one that needs fewer sheets)\n"
    "  --height H         the soundings' text height on paper, mm (2.0)\n"
    "  --spacing S        clear paper between two soundings' labels, mm (0.5)\n"
    "  --interval I       contours at every multiple of I metres (1)\n"
    "  --major K          every K-th contour is a major one, bolder and labelled (5)\n"
    "  --max-edge M       the TIN without triangles with an edge longer than M metres (50)\n"
    "  --min-length L     no closed contours shorter than L metres around deeper water (0)\n"
    "  --grid-interval G  grid lines every G metres (a round figure 80 to 150 mm apart on paper)\n"
    "  --title TEXT       the sheet's title (the survey folder's name)\n"
    "  --points FILE      the x y z points (PM/PointsCl.txt, echo_clean2's list)\n";

struct Settings {
  std::string points_path = "PM/PointsCl.txt";
  std::string points_shown = points_path;  // its name on the screen
  bool points_given = false;
  double scale = 1000, height_mm = 2.0, spacing_mm = 0.5;
  const Paper* paper = paper_named("A1");
  std::optional<Orientation> orientation;
  double max_edge = 50, interval = 1, min_length = 0;
  int major = 5;
  double grid = 0;  // 0: chosen from the scale
  std::string title;
};

Settings settings;

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_sheet", kUsage, why); }

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    // (name, value, least, most, whether the least itself is wrong)
    struct Number {
      std::string_view name;
      double* value;
      double low, high;
      bool above;
    };
    double major = settings.major;
    const Number numbers[] = {{"--scale", &settings.scale, 0, 1e12, true},
                              {"--height", &settings.height_mm, 0, 1e6, true},
                              {"--spacing", &settings.spacing_mm, 0, 1e6, false},
                              {"--max-edge", &settings.max_edge, 0.01, 1e9, false},
                              {"--interval", &settings.interval, 0.01, 1e6, false},
                              {"--major", &major, 1, 1000, false},
                              {"--min-length", &settings.min_length, 0, 1e9, false},
                              {"--grid-interval", &settings.grid, 0, 1e9, true}};
    if (name == "--points") {
      if (value.empty()) bad_call("--points wants a file name");
      const InputOption points = points_option("survey_sheet", kUsage, name, value);
      settings.points_path = points.path;
      settings.points_shown = shown_name(points);
      settings.points_given = true;
    } else if (name == "--title") {
      settings.title = value;
    } else if (name == "--paper") {
      settings.paper = paper_named(value);
      if (settings.paper == nullptr) bad_call("--paper wants A0, A1, A2, A3 or A4, not \"" + value + "\"");
    } else if (name == "--orientation") {
      if (value != "landscape" && value != "portrait")
        bad_call("--orientation wants landscape or portrait, not \"" + value + "\"");
      settings.orientation = value == "landscape" ? Orientation::landscape : Orientation::portrait;
    } else {
      for (const Number& n : numbers) {
        if (n.name != name) continue;
        const bool whole = n.value == &major;
        if (!parse_real(value, *n.value) || !(*n.value >= n.low && *n.value <= n.high) ||
            (n.above && *n.value == n.low) || (whole && major != std::floor(major)))
          bad_call(std::string(name) + " wants " + (whole ? "a whole number" : "a number") + (n.above ? " above " : " from ") +
                   short_real(n.low) + " to " + short_real(n.high) + ", not \"" + value + "\"");
      }
      settings.major = static_cast<int>(major);
    }
  };
  read_command_line(argc, argv, "survey_sheet", kUsage,
                    {"--scale", "--paper", "--orientation", "--height", "--spacing", "--interval", "--major",
                     "--max-edge", "--min-length", "--grid-interval", "--title", "--points"},
                    on_option);
  if (settings.grid > 0 && settings.grid * 1000 / settings.scale < kLeastGridMm)
    bad_call("--grid-interval " + short_real(settings.grid) + " puts the grid lines " +
             fixed_text(settings.grid * 1000 / settings.scale, 2) + " mm apart on paper at 1:" + short_real(settings.scale) +
             "; give at least " + short_real(kLeastGridMm * settings.scale / 1000) + " m");
}

// Stops the run before any output is made: a line on the screen, the reason
// on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 20, screen_text);
  show_line("");
  halt_with_message(kBadCall, "survey_sheet: " + why);
}

// Cells of ground over the survey's extent that hold something of it (a
// point, or a part of a triangle's bounds), to tell which sheets to print:
// cells of 10 mm of paper, larger where the survey would need more than four
// million of them (it then takes far more sheets than are printed at once).
struct Occupied {
  Extent extent;
  double cell = 1;
  std::int64_t columns = 1, rows = 1;
  std::vector<std::uint8_t> cells;

  Occupied(const Extent& e, double scale) : extent(e) {
    const double w = e.x1 - e.x0, h = e.y1 - e.y0;
    cell = std::max({kOverlapMm * scale / 1000, std::sqrt(w * h / 4e6), w / 4e6, h / 4e6, 1e-9});
    columns = static_cast<std::int64_t>(w / cell) + 1;
    rows = static_cast<std::int64_t>(h / cell) + 1;
    cells.assign(static_cast<std::size_t>(columns * rows), 0);
  }
  std::int64_t column(double x) const {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::floor((x - extent.x0) / cell)), 0, columns - 1);
  }
  std::int64_t row(double y) const {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::floor((y - extent.y0) / cell)), 0, rows - 1);
  }
  void add(double x0, double y0, double x1, double y1) {
    for (std::int64_t r = row(y0); r <= row(y1); ++r)
      for (std::int64_t c = column(x0); c <= column(x1); ++c) cells[static_cast<std::size_t>(r * columns + c)] = 1;
  }
  bool any(const Extent& e) const {
    if (e.x1 < extent.x0 || e.x0 > extent.x1 || e.y1 < extent.y0 || e.y0 > extent.y1) return false;
    for (std::int64_t r = row(e.y0); r <= row(e.y1); ++r)
      for (std::int64_t c = column(e.x0); c <= column(e.x1); ++c)
        if (cells[static_cast<std::size_t>(r * columns + c)] != 0) return true;
    return false;
  }
};

void write_dxf(TextFile& f, const Survey& s, const SheetPlan& plan) {
  const double metre = s.scale / 1000;  // a millimetre of paper on the ground
  std::vector<soundings::Label> labels;
  labels.reserve(s.kept.size());
  DxfExtents extents;
  for (const soundings::Sounding& k : s.kept) {
    labels.push_back(soundings::label_of(s.m, k));
    extents.add({labels.back().right, labels.back().foot, 0});
  }
  for (const surface::Contour& c : s.contours)
    for (const surface::Point2& p : c.points) extents.add({p.x, p.y, c.level});
  for (const Sheet& k : plan.sheets) {
    extents.add({k.ground.x0, k.ground.y0, 0});
    extents.add({k.ground.x1, k.ground.y1, 0});
  }
  const DxfLayer layers[] = {{"0", 7},         {"SOUNDINGS", 7},     {"CONTOUR", 8}, {"CONTOUR_MAJOR", 5},
                             {"CONTOUR_LABEL", 5}, {"OUTLINE", 7}, {"SHEETS", 1}};
  dxf_begin(f, extents, layers);
  for (const soundings::Label& l : labels) soundings::write_dxf_label(f, s.m, l);
  for (const surface::Contour& c : s.contours) surface::dxf_contour(f, c, s.major);
  for (const ContourLabel& l : s.labels) {
    const surface::Point2 start = baseline_start(l);
    dxf_text(f, {start.x, start.y, l.level}, l.height, std::round(l.angle * 1000) / 1000, false, l.text,
             "CONTOUR_LABEL");
  }
  std::vector<DxfPoint> corners;
  for (const std::vector<surface::Point2>& loop : s.outline) {
    corners.clear();
    for (std::size_t i = 0; i + 1 < loop.size(); ++i) corners.push_back({loop[i].x, loop[i].y, 0});
    dxf_polyline_2d(f, corners, 0, true, "OUTLINE");
  }
  for (const Sheet& k : plan.sheets) {
    const Extent& g = k.ground;
    const DxfPoint box[] = {{g.x0, g.y0, 0}, {g.x1, g.y0, 0}, {g.x1, g.y1, 0}, {g.x0, g.y1, 0}};
    dxf_polyline_2d(f, box, 0, true, "SHEETS");
    dxf_text(f, {g.x0 + 3 * metre, g.y0 + 3 * metre, 0}, 5 * metre, 0, false, "Sheet " + std::to_string(k.number),
             "SHEETS");
  }
  dxf_end(f);
}

}  // namespace

int main(int argc, char** argv) {
  settings.title = survey_folder_name();
  read_options(argc, argv);
  const std::string& path = settings.points_path;

  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey Sheet - soundings, contours and grid at scale");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + settings.points_shown);
  start_outputs({"Temp/Sheet.pdf", "Temp/Sheet.svg", "Temp/Sheet.dxf"}, {path});
  if (!settings.points_given && !cleaned_points_present(path))
    stop(kNoCleanedPointsShown, std::string(kNoCleanedPoints));
  // The grid named in the title block: PM/Grid.txt's, or the chain's own
  // Transverse Mercator of PM/La_Lo_De.txt's parameter line (survey_grid.h);
  // a PM/Grid.txt that gives no grid stops the tool before the points are read.
  const std::optional<Grid> grid = load_survey_grid("survey_sheet");
  if (grid) show_at(14, 7, grid->definition.text.empty() ? "PM/La_Lo_De.txt" : std::string(kGridFile));

  // The soundings as read.
  TextFile points_file;
  open_input(points_file, path);
  io_check();
  soundings::SoundingList list;
  const soundings::ReadEnd end = soundings::read_soundings(points_file, list, [](std::int32_t count) {
    show_count(7, 13, "Records   : ", count, 8);
  });
  close_file(points_file);
  io_check();
  show_count(7, 13, "Records   : ", list.count, 8);
  if (end.too_many) stop("Stopped: too many records.", path + ": too many records");
  if (end.record != 0)
    stop("Stopped: a record that is not a finite number.",
         path + ", record " + std::to_string(end.record) + ": a position or height that is not a finite number");
  if (list.count == 0) stop("Stopped: the point list is empty.", path + ": no points, so no sheet to draw");

  // The vertices of the surface, as survey_surface takes them, and the
  // survey's extent.
  std::vector<surface::Vertex> records;
  records.reserve(static_cast<std::size_t>(list.count));
  Extent extent{list.chunks[0][0].x, list.chunks[0][0].y, list.chunks[0][0].x, list.chunks[0][0].y};
  for (const std::vector<soundings::Sounding>& chunk : list.chunks)
    for (const soundings::Sounding& s : chunk) {
      if (!(std::fabs(s.x) <= surface::kMaxCoordinate && std::fabs(s.y) <= surface::kMaxCoordinate))
        stop("Stopped: a position beyond 1e12 m.",
             path + ", record " + std::to_string(s.index + 1) + ": a position beyond 1e12 m");
      records.push_back({s.x, s.y, s.z});
      extent.x0 = std::min(extent.x0, s.x), extent.x1 = std::max(extent.x1, s.x);
      extent.y0 = std::min(extent.y0, s.y), extent.y1 = std::max(extent.y1, s.y);
    }

  Survey survey;
  survey.scale = settings.scale;
  survey.text_mm = settings.height_mm;
  survey.interval = settings.interval;
  survey.major = settings.major;
  survey.grid = settings.grid > 0 ? settings.grid : grid_interval(settings.scale);
  survey.title = settings.title;
  show_at(7, 12, "Scale     : 1:" + short_real(settings.scale) + ", grid every " + short_real(survey.grid) + " m");

  // The soundings kept at the sheet's scale.
  survey.m = soundings::measures(settings.scale, settings.height_mm, settings.spacing_mm);
  survey.kept = soundings::select(list, survey.m, [](std::int32_t kept) { show_count(7, 14, "Soundings : ", kept, 8); });
  show_count(7, 14, "Soundings : ", static_cast<int>(survey.kept.size()), 8);
  write_str(console_output(), " kept at 1:" + short_real(settings.scale) + ", " + short_real(settings.height_mm) + " mm high, " +
                                  short_real(settings.spacing_mm) + " mm apart");
  io_check();
  std::vector<soundings::Box> boxes;
  boxes.reserve(survey.kept.size());
  for (const soundings::Sounding& k : survey.kept) {
    boxes.push_back(soundings::box_of(survey.m, k));
    extent.x0 = std::min(extent.x0, boxes.back().x0), extent.x1 = std::max(extent.x1, boxes.back().x1);
    extent.y0 = std::min(extent.y0, boxes.back().y0), extent.y1 = std::max(extent.y1, boxes.back().y1);
  }

  // The surface, its contours and outline, as survey_surface makes them.
  surface::PointSet points = surface::take_points(records);
  std::vector<surface::Vertex>().swap(records);
  const surface::Tin tin = surface::build_tin(std::move(points.vertices), settings.max_edge);
  if (tin.state == surface::TinState::kTooFew)
    show_at(7, 15, "Surface   : none, fewer than three distinct positions: no contours");
  else if (tin.state == surface::TinState::kOneLine)
    show_at(7, 15, "Surface   : none, all positions on one line: no contours");
  else if (tin.triangles.empty())
    show_at(7, 15, "Surface   : none, every triangle has an edge over " + short_real(settings.max_edge) + " m");
  else
    show_at(7, 15, "Surface   : " + std::to_string(tin.triangles.size()) + " triangles, " +
                       std::to_string(tin.trimmed) + " trimmed (edges over " + short_real(settings.max_edge) + " m)");
  survey.contours = surface::trace_contours(tin, settings.interval);
  surface::drop_small_hollows(survey.contours, settings.min_length);
  bound_contours(survey);
  survey.outline = surface::outline(tin);

  // The sheets.
  Occupied occupied(extent, settings.scale);
  for (const soundings::Sounding& k : survey.kept) occupied.add(k.x, k.y, k.x, k.y);
  for (const surface::Triangle& t : tin.triangles) {
    const surface::Vertex &a = corner(tin, t, 0), &b = corner(tin, t, 1), &c = corner(tin, t, 2);
    occupied.add(std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                 std::max({a.y, b.y, c.y}));
  }
  for (const surface::Vertex& v : tin.vertices) occupied.add(v.x, v.y, v.x, v.y);
  const SheetPlan plan = plan_sheets(extent, *settings.paper, settings.orientation, settings.scale,
                                     [&occupied](const Extent& e) { return occupied.any(e); });
  // Sheets laid out too many to look at are all counted as taken.
  const double taken = plan.sheets.empty() ? static_cast<double>(plan.columns) * plan.rows
                                           : static_cast<double>(plan.sheets.size());
  if (taken > kMostSheets || plan.sheets.empty())
    stop("Stopped: too many sheets.",
         "the survey takes " + fixed_text(taken, 0) + " sheets of " + std::string(settings.paper->name) +
             " at 1:" + short_real(settings.scale) + ", more than " + std::to_string(kMostSheets) +
             "; give a smaller scale (a larger N) or a larger paper");
  show_count(7, 17, "Sheets    : ", static_cast<int>(plan.sheets.size()), 8);
  write_str(console_output(), " of " + std::string(settings.paper->name) +
                                  (plan.orientation == Orientation::landscape ? " landscape" : " portrait") + " (" +
                                  std::to_string(plan.columns) + " x " + std::to_string(plan.rows) + "), " +
                                  short_real(kOverlapMm) + " mm overlap");
  io_check();

  // The major contours' labels, clear of the soundings (once the sheets are
  // known to be few: their count follows the lines' length on paper).
  survey.labels = place_contour_labels(survey.contours, settings.major, boxes, kContourTextMm * settings.scale / 1000,
                                       kContourPadMm * settings.scale / 1000);
  show_count(7, 16, "Contours  : ", static_cast<int>(survey.contours.size()), 8);
  write_str(console_output(), " lines, every " + short_real(settings.interval) + " m, major every " +
                                  short_real(settings.interval * settings.major) + " m; " +
                                  std::to_string(survey.labels.size()) + " labels");
  io_check();

  // The title block's notes.
  // The run's date and time (UTC) as the reports write it, and as the
  // document's information holds it: "2026-12-07 23:25:44 UTC", "20261207232544".
  const std::string date = run_date();
  std::string utc;
  for (const char c : date.substr(0, 19))
    if (c >= '0' && c <= '9') utc += c;
  survey.notes = {"Depths in metres below the sounding datum",
                  "Drying heights underlined, in metres above the datum",
                  "Soundings: " + std::to_string(survey.kept.size()) + " of " + std::to_string(list.count) +
                      ", the shoalest whose labels of " + short_real(settings.height_mm) + " mm stand " +
                      short_real(settings.spacing_mm) + " mm apart",
                  "Contours every " + short_real(settings.interval) + " m, major every " +
                      short_real(settings.interval * settings.major) + " m, from the TIN of edges up to " +
                      short_real(settings.max_edge) + " m",
                  "Grid lines every " + short_real(survey.grid) + " m",
                  "Run " + date + " (survey_sheet)"};
  const std::vector<std::string> grid_text =
      grid ? grid_lines(grid->definition)
           : std::vector<std::string>{"Grid : not stated (no PM/Grid.txt, no PM/La_Lo_De.txt to read)"};
  survey.notes.insert(survey.notes.begin() + 4, grid_text.begin(), grid_text.end());

  show_at(7, 8, "Write");
  write_output(8, "Temp/Sheet.pdf", [&](TextFile& f) {
    PdfDocument doc;
    pdf_begin(doc, f, static_cast<int>(plan.sheets.size()));
    for (const Sheet& sheet : plan.sheets) write_pdf_page(doc, draw_sheet(survey, plan, sheet));
    pdf_end(doc, {win_ansi(survey.title), "survey_sheet", utc});
  });
  write_output(9, "Temp/Sheet.svg", [&](TextFile& f) { write_svg_page(f, draw_sheet(survey, plan, plan.sheets[0])); });
  write_output(10, "Temp/Sheet.dxf", [&](TextFile& f) { write_dxf(f, survey, plan); });
  finish_outputs();

  show_at(7, 20, "Press Enter ...");
  wait_enter();
  io_check();
  return 0;
}
