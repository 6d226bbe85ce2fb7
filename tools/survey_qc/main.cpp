// survey_qc: the crossline check of a survey against the IHO S-44 (2020)
// orders, the usual proof of a single-beam survey's quality for the client.
//
//   survey_qc [--points FILE] [--crosslines FILE] [--max-gap G] [--min-line L]
//             [--main-heading DEG] [--order NAME] [--title TEXT] [--speed V]
//
// The records of PM/PointsCl.txt (or --points), in survey order, are cut into
// lines at the turns and the gaps (qc.h); the lines within 30 degrees of the
// dominant heading (or of --main-heading) are the main lines, those more than
// 45 degrees off it the crosslines (with --crosslines, the lines of that file
// are the crosslines and all of the points' lines the main lines). Wherever a
// crossline crosses a main line, the heights of both, interpolated along
// their steps, are compared: Temp/Crossings.txt lists every crossing
// (Temp/Crossings.geojson the same for GIS, where the survey's grid is
// known), Temp/QC_Report.html judges them against every order. From the
// crossings on slopes it measures how far every sounding lies ahead of or
// behind where it was measured (along_track.h). The run ends with status 0
// whatever the result; 1 when there is no crossline (and then writes
// nothing). The outputs of an earlier run are removed before the points are
// read, and the new ones take their names only once all are written
// (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "along_track.h"
#include "ascii_case.h"
#include "command_line.h"
#include "console.h"
#include "fixed_notation.h"
#include "geojson.h"
#include "input_option.h"
#include "number_grammar.h"
#include "qc.h"
#include "report.h"
#include "run_outputs.h"
#include "stop.h"
#include "survey_folder.h"
#include "survey_grid.h"
#include "text_file.h"
#include "write_output.h"

using namespace survey_rt;
using namespace survey_qc;

namespace {

constexpr int kBadCall = 1;  // exit status of a wrong call and of a survey without crosslines
constexpr std::string_view kUsage =
    "usage: survey_qc [--points FILE] [--crosslines FILE] [--max-gap G] [--min-line L]\n"
    "                 [--main-heading DEG] [--order NAME] [--title TEXT] [--speed V]\n"
    "  --points FILE      the survey's points, x y z in survey order (PM/PointsCl.txt)\n"
    "  --crosslines FILE  the crosslines as a file of their own (x y z in survey order)\n"
    "  --max-gap G        records farther apart than G metres cut a line (10)\n"
    "  --min-line L       pieces shorter than L metres are no line (50)\n"
    "  --main-heading DEG the main lines' heading, degrees from grid north (the dominant one)\n"
    "  --order NAME       the order drawn on the histogram: exclusive, special, 1a, 1b, 2 (1a)\n"
    "  --title TEXT       the survey's name in the report (the survey folder's name)\n"
    "  --speed V          the survey's speed in m/s: the along-track shift as a time\n";

TextFile points_file, cross_file, crossings_file, report_file;
std::string points_path = "PM/PointsCl.txt", crosslines_path;
std::string points_shown = points_path, crosslines_shown;  // the names on the screen
LineRules rules;
Report report;
bool heading_given = false;
double speed = 0;  // --speed, m/s; 0 when not given

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_qc", kUsage, why); }

void read_length(std::string_view name, const std::string& value, double& v) {
  if (!parse_real(value, v) || !(v > 0 && v <= 1e6))
    bad_call(std::string(name) + " wants metres above 0, at most 1e6, not \"" + value + "\"");
}

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    if (name == "--points") {
      const InputOption points = points_option("survey_qc", kUsage, name, value);
      points_path = points.path;
      points_shown = shown_name(points);
    } else if (name == "--crosslines") {
      const InputOption crosslines = points_option("survey_qc", kUsage, name, value);
      crosslines_path = crosslines.path;
      crosslines_shown = shown_name(crosslines);
    } else if (name == "--max-gap") {
      read_length(name, value, rules.max_gap);
    } else if (name == "--min-line") {
      read_length(name, value, rules.min_line);
    } else if (name == "--title") {
      report.title = value;
    } else if (name == "--main-heading") {
      if (!parse_real(value, report.main_heading) || !(report.main_heading >= 0 && report.main_heading <= 360))
        bad_call("--main-heading wants degrees from grid north, 0 to 360, not \"" + value + "\"");
      heading_given = true;
    } else if (name == "--speed") {
      if (!parse_real(value, speed) || !(speed > 0 && speed <= 100))
        bad_call("--speed wants metres a second above 0, at most 100, not \"" + value + "\"");
    } else {
      int found = -1;
      for (int o = 0; o < kOrders; ++o)
        if (equal_nocase(value, kOrderTable[o].key)) found = o;
      if (found < 0) bad_call("--order wants exclusive, special, 1a, 1b or 2, not \"" + value + "\"");
      report.order = found;
    }
    if (value.empty()) bad_call(std::string(name) + " wants a value");
  };
  read_command_line(argc, argv, "survey_qc", kUsage,
                    {"--points", "--crosslines", "--max-gap", "--min-line", "--main-heading", "--order", "--title",
                     "--speed"},
                    on_option);
  if (heading_given && !crosslines_path.empty())
    bad_call("--main-heading goes without --crosslines: the points' lines are all main lines then");
}

// Reads the x y z records of the file at path, showing their count at
// column x, row y after the label. A line whose first three fields are not numbers stops the
// tool (the run-time stop, 106); blank lines are passed over.
void read_records(TextFile& f, const std::string& path, Records& r, int x, int y, std::string_view label) {
  open_input(f, path);
  io_check();
  // Room for the records at once, so that the list is not copied while it
  // grows and memory stays at the records' own size: the tools write a
  // record in 20 bytes or more (PM/PointsCl.txt: 34); a file of shorter
  // lines only makes the list grow as usual.
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(disk_path(path), error);
  if (!error) r.p.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(bytes / 16, INT32_MAX)));
  std::int32_t line = 0, blanks = 0;
  while (!at_end_checked(f)) {
    const std::string_view text = take_line(f);
    io_check();
    ++line;
    double v[3] = {};
    int fields = 0;
    std::size_t pos = 0;
    for (; fields < 3; ++fields) {
      while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 32) ++pos;
      if (pos == text.size()) break;
      std::size_t end = pos;
      while (end < text.size() && static_cast<unsigned char>(text[end]) > 32) ++end;
      if (!parse_real(text.substr(pos, end - pos), v[fields])) break;
      pos = end;
    }
    if (fields == 0 && pos == text.size()) {
      ++blanks;
      continue;
    }
    if (fields < 3) {
      io_fail(kInvalidNumber, "read_real", path + ", line " + std::to_string(line));
      io_check();
    }
    const auto index = static_cast<std::int32_t>(r.p.size());
    if (blanks > 0 && (r.shifts.empty() || r.shifts.back().second != blanks))
      r.shifts.emplace_back(index, blanks);
    r.p.push_back({v[0], v[1], v[2]});
    show_count(x, y, label, index + 1, 8);
  }
  close_file(f);
  io_check();
}

// Counts the lines of each kind and the length of main lines and crosslines.
void count_lines(const std::vector<Line>& lines) {
  for (const Line& l : lines) {
    ++report.count[static_cast<int>(l.kind)];
    if (l.kind == Kind::main) report.main_length += l.length;
    if (l.kind == Kind::cross) report.cross_length += l.length;
  }
}

// Ends the run without a report (those of an earlier run are removed at the
// start): a line on the screen, the reason on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 18, screen_text);
  halt_with_message(kBadCall, "survey_qc: " + why);
}

void write_crossings(TextFile& f, const std::vector<Crossing>& crossings) {
  for (const Crossing& c : crossings) {
    write_fixed(f, c.x, 0, 2);
    write_char(f, ' ');
    write_fixed(f, c.y, 0, 2);
    for (const double v : {c.depth, c.z_main, c.z_cross, c.difference}) {
      write_char(f, ' ');
      write_fixed(f, v, 0, 3);
    }
    for (const std::int32_t n : {line_of(*report.main, c.main), line_of(*report.main, c.main + 1),
                                 line_of(*report.cross, c.cross), line_of(*report.cross, c.cross + 1)}) {
      write_char(f, ' ');
      write_int(f, n);
    }
    end_line(f);
    io_check();
  }
}

// Temp/Crossings.geojson: the crossings as points in WGS 84, with their
// heights, difference, depth, the orders they pass and their records.
void write_crossings_geojson(TextFile& f, const std::vector<Crossing>& crossings, const Grid& grid) {
  GeoJsonFile g{f};
  geojson_begin(g);
  for (const Crossing& c : crossings) {
    const int best = best_order(c);
    std::string properties = json_member("difference", c.difference, 3) + "," + json_member("depth", c.depth, 3) +
                             "," + json_member("z_main", c.z_main, 3) + "," + json_member("z_cross", c.z_cross, 3) +
                             "," + json_member("best", best < kOrders ? kOrderTable[best].name : "none");
    for (int o = 0; o < kOrders; ++o)
      properties += "," + json_member("order_" + std::string(kOrderTable[o].key),
                                      std::abs(c.difference) <= tvu(kOrderTable[o], c.depth));
    properties += "," + json_member("main_record", std::int64_t{line_of(*report.main, c.main)}) + "," +
                  json_member("cross_record", std::int64_t{line_of(*report.cross, c.cross)});
    geojson_point(g, grid_inverse(grid, c.x, c.y), properties);
  }
  geojson_end(g);
}

std::string now_text() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
  return text;
}

std::string metres(double v) { return fixed_text(v, 1) + " m"; }
// A length as typed: whole metres without decimals.
std::string length_text(double v) { return fixed_text(v, v == std::floor(v) ? 0 : 2); }
// A line's heading as the surveyor reads it, degrees from grid north.
std::string degrees(double heading) { return fixed_text(bearing_of(heading), 1); }

// The Gaps row: the steps that cut the lines; when they are more than a
// tenth of all steps, their share and the median step instead of the rest.
void show_gaps(int row) {
  const Steps& s = report.steps;
  show_count(7, row, "Gaps       : ", static_cast<int>(std::min<std::int64_t>(s.gaps, INT32_MAX)), 8);
  const std::string over = (s.gaps == 1 ? "  step over " : "  steps over ") + length_text(rules.max_gap) + " m";
  if (many_gaps(s))
    write_str(console_output(), over + ", " + fixed_text(100.0 * static_cast<double>(s.gaps) / static_cast<double>(s.count), 0) +
                                    " %; median step " + metres(s.median));
  else
    write_str(console_output(), over + (s.gaps == 1 ? " cuts a line" : " cut the lines"));
}

// When gaps cut more than a tenth of the steps, what to do about it.
std::string gaps_note() {
  if (!many_gaps(report.steps)) return "";
  return " " + std::to_string(report.steps.gaps) + " of the " + std::to_string(report.steps.count) +
         " steps between records are longer than --max-gap " + length_text(rules.max_gap) +
         " m and cut the lines; the median step is " + metres(report.steps.median) + ".";
}

}  // namespace

int main(int argc, char** argv) {
  report.title = survey_folder_name();
  read_options(argc, argv);
  report.date = now_text();
  report.rules = rules;
  report.points_path = points_path;
  report.crosslines_path = crosslines_path;
  report.heading_given = heading_given;

  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey QC - crossline check");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + points_shown);
  start_outputs({"Temp/Crossings.txt", "Temp/Crossings.geojson", "Temp/QC_Report.html"}, {points_path, crosslines_path});
  // The grid of the GIS files, read first: a wrong PM/Grid.txt stops the run
  // before the work.
  const std::optional<Grid> grid = load_survey_grid("survey_qc");
  Records main_records, cross_records;
  read_records(points_file, points_path, main_records, 7, 10, "Records    : ");
  std::vector<Line> main_lines = split_lines(main_records.p, rules), cross_lines;
  report.main = report.cross = &main_records;
  report.main_lines = report.cross_lines = &main_lines;
  if (crosslines_path.empty()) {
    report.dominant = dominant_heading(main_lines);
    classify(main_lines, heading_given ? heading_of_bearing(report.main_heading) : report.dominant);
  } else {
    show_at(14, 7, crosslines_shown + "  (crosslines)");
    read_records(cross_file, crosslines_path, cross_records, 30, 10, " crossline records : ");
    cross_lines = split_lines(cross_records.p, rules);
    for (Line& l : cross_lines)
      if (l.kind == Kind::main) l.kind = Kind::cross;
    report.cross = &cross_records;
    report.cross_lines = &cross_lines;
  }
  count_lines(main_lines);
  if (!crosslines_path.empty()) count_lines(cross_lines);
  report.steps = steps_of(main_records.p, crosslines_path.empty() ? nullptr : &cross_records.p, rules.max_gap);
  show_count(7, 11, "Main lines : ", report.count[0], 8);
  write_str(con, "  " + metres(report.main_length));
  if (crosslines_path.empty() && report.count[0] + report.count[1] + report.count[2] > 0)
    write_str(con, heading_given ? ", --main-heading " + length_text(report.main_heading) + " (dominant " +
                                       degrees(report.dominant) + " deg)"
                                 : ", dominant heading " + degrees(report.dominant) + " deg");
  show_count(7, 12, "Crosslines : ", report.count[1], 8);
  write_str(con, "  " + metres(report.cross_length));
  if (report.main_length > 0)
    write_str(con,
              ", " + fixed_text(100 * report.cross_length / report.main_length, 1) + " % of the main lines");
  show_count(7, 13, "Diagonals  : ", report.count[2], 8);
  write_str(con, "  (not used)");
  show_count(7, 14, "Short      : ", report.count[3], 8);
  write_str(con, "  (turns, pieces under " + length_text(rules.min_line) + " m)");
  show_gaps(15);
  io_check();
  if (report.count[1] == 0)
    stop("Stopped: no crossline found, no report written.",
         "no crossline found in " + (crosslines_path.empty() ? points_path : crosslines_path) +
             ": no line of at least " + metres(rules.min_line) +
             (crosslines_path.empty() ? " runs more than 45 degrees across the main lines" : " is in it") +
             ". Run crosslines across the survey lines, in the same survey or as a survey of their own, and "
             "give their points with --crosslines FILE." + gaps_note());
  if (report.count[0] == 0)
    stop("Stopped: no main line found, no report written.",
         "no main line of at least " + metres(rules.min_line) + " found in " + points_path +
             (many_gaps(report.steps) ? "." + gaps_note() : ""));

  const std::vector<Crossing> crossings =
      find_crossings(main_records.p, main_lines, report.cross->p, *report.cross_lines);
  report.crossings = &crossings;
  report.stats = statistics(crossings);
  std::vector<double> differences;
  for (const Crossing& c : crossings) differences.push_back(c.difference);
  const AlongTrack along = fit_shift(
      differences, slope_differences(main_records.p, main_lines, report.cross->p, *report.cross_lines, crossings));
  report.along_track = along_track_text(along, speed, "\u00b1");
  show_count(7, 16, "Crossings  : ", static_cast<int>(crossings.size()), 8);
  if (crossings.size() < kMeaningful) write_str(con, "  too few for a 95 % figure");
  io_check();

  show_at(7, 8, "Write  Temp/Crossings.txt");
  create_run_output(crossings_file, "Temp/Crossings.txt");
  write_crossings(crossings_file, crossings);
  close_run_output(crossings_file);
  if (grid) {
    write_str(con, ", .geojson");
    write_file("Temp/Crossings.geojson", [&](TextFile& f) { write_crossings_geojson(f, crossings, *grid); });
  }
  show_at(14, 9, "Temp/QC_Report.html");
  create_run_output(report_file, "Temp/QC_Report.html");
  write_report(report_file, report);
  close_run_output(report_file);
  finish_outputs();

  show_at(7, 18, "Order       passes");
  for (int o = 0; o < kOrders; ++o) {
    show_at(7, 19 + o, std::string(kOrderTable[o].name));
    show_at(17, 19 + o, "");
    write_str(con, fixed_text(100 * report.stats.pass[o], 1), 7);
    write_str(con, report.stats.met[o] ? " %  met" : " %  not met");
    io_check();
  }
  // The along-track shift beside the orders, rows 17 to 23.
  int row = 17;
  for (const std::string& sentence : along_track_text(along, speed, "+/-"))
    for (const std::string& line : wrapped(sentence, 42))
      if (row <= 23) show_at(38, row++, line);
  show_at(7, 24, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
