// survey_channel: the dredging of a channel as it is paid, on the channel's
// design template (--channel FILE: a centreline with stations, reaches of a
// bottom, side slopes and an over-depth), by station interval and by cross
// section. The survey is the TIN of PM/PointsCl.txt (or --points FILE),
// trimmed as survey_surface trims it. Alone it is a condition survey: what
// is still to dredge above the template and what lies in the over-depth
// band. With --against PRE (the survey before the works) it is the survey
// after them: what was removed above the pay line (paid) and below it, what
// still stands above the template, what was deposited. Each figure exact on
// the TINs and by average end areas of the sections. Writes
//   Temp/Channel_Volumes.txt  the pay table for the client
//   Temp/Channel_Volumes.csv  the same for a spreadsheet
//   Temp/Sections.dxf, .svg   every cross section on a sheet
//   Temp/Channel.dxf          the channel in plan
//
//   survey_channel --channel FILE [--against PRE] [--interval I] [--points FILE]
//                  [--yards] [--max-edge M] [--title TEXT]
//
// Every check comes before the first output is made, and the outputs of an
// earlier run are taken away when the run starts: a refusal leaves none.
#include <cmath>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "fixed_notation.h"
#include "input_option.h"
#include "number_grammar.h"
#include "outputs.h"
#include "pay.h"
#include "run_date.h"
#include "run_outputs.h"
#include "stop.h"
#include "surface_file.h"
#include "survey_folder.h"
#include "text_file.h"
#include "write_output.h"

using namespace survey_rt;
using namespace survey_channel;

namespace {

constexpr int kBadCall = 1;              // exit status of a wrong call and of inputs refused
constexpr double kMaxSections = 100000;  // sections at most

constexpr std::string_view kUsage =
    "usage: survey_channel --channel FILE [--against PRE] [--interval I] [--points FILE]\n"
    "                      [--yards] [--max-edge M] [--title TEXT]\n"
    "  --channel FILE  the channel's design: point X Y (the centreline), start S (its\n"
    "                  first station), reach FROM TO LEVEL LEFT RIGHT SLOPE_LEFT\n"
    "                  SLOPE_RIGHT OVERDEPTH, one a line\n"
    "  --against PRE   the survey before the works (x y z points): the survey is the\n"
    "                  one after them, and the table what was dredged\n"
    "  --interval I    a section every I metres of station (25)\n"
    "  --points FILE   the survey's x y z points (without it PM/PointsCl.txt)\n"
    "  --yards         the volumes also in cubic yards\n"
    "  --max-edge M    trim every triangle with an edge longer than M metres (50)\n"
    "  --title TEXT    the title of the report and the drawings (the survey folder's name)\n";

constexpr std::string_view kOutputs[] = {"Temp/Channel_Volumes.txt", "Temp/Channel_Volumes.csv", "Temp/Sections.dxf",
                                         "Temp/Sections.svg", "Temp/Channel.dxf"};

Run run;
bool points_given = false;
std::string survey_shown = "PM/PointsCl.txt", before_shown;  // the names on the screen

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_channel", kUsage, why); }

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    if (name == "--channel") {
      run.channel_path = file_option("survey_channel", kUsage, name, value, "the channel's design file");
    } else if (name == "--against") {
      const InputOption before = points_option("survey_channel", kUsage, name, value);
      run.before.path = before.path;
      before_shown = shown_name(before);
      run.dredged = true;
    } else if (name == "--points") {
      const InputOption points = points_option("survey_channel", kUsage, name, value);
      run.survey.path = points.path;
      survey_shown = shown_name(points);
      points_given = true;
    } else if (name == "--title") {
      run.title = value;
    } else if (name == "--yards") {
      run.yards = true;
    } else {
      double& v = name == "--interval" ? run.interval : run.max_edge;
      const double low = name == "--interval" ? 0.1 : 0.01, high = name == "--interval" ? 1e5 : 1e9;
      if (!parse_real(value, v) || !(v >= low && v <= high))
        bad_call(std::string(name) + " wants a length in metres from " + fixed_text(low, 2) + " to " +
                 fixed_text(high, 2) + ", not \"" + value + "\"");
    }
  };
  read_command_line(argc, argv, "survey_channel", kUsage,
                    {"--channel", "--against", "--interval", "--points", "--max-edge", "--title"}, {"--yards"},
                    on_option);
  if (run.channel_path.empty()) bad_call("give the channel's design: --channel FILE");
}

// Stops the run before any output is made: a line on the screen, the reason
// on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 24, screen_text);
  show_line("");
  halt_with_message(kBadCall, "survey_channel: " + why);
}

// Reads a point list and triangulates it, its counts on the screen's row.
surface::Tin read_surface(Source& s, int row, std::string_view label) {
  const std::string head(label);
  surface::SurfaceFile file = surface::read_surface_file(s.path, run.max_edge, [&](std::int64_t records) {
    show_at(7, row, head + std::to_string(records) + " records");
  });
  if (!file.why.empty())
    stop(file.bad_record ? "Stopped: a record that is not a finite number." : "Stopped: no surface from " + s.path + ".",
         file.why);
  s.counts = surface::counts_text(file, run.max_edge);
  show_at(7, row, head + std::to_string(file.records) + " records, " + std::to_string(file.vertices) + " vertices, " +
                      std::to_string(file.tin.triangles.size()) + " triangles");
  return std::move(file.tin);
}

std::string two(double v) { return fixed_text(v, 2); }

// The channel file, checked; its reach on the screen.
void read_channel_file() {
  const ChannelCheck check = read_channel(run.channel_path);
  if (!check.why.empty())
    stop("Stopped: the channel file is not right.",
         run.channel_path + (check.line > 0 ? ", line " + std::to_string(check.line) : "") + ": " + check.why);
  run.channel = check.channel;
  const Channel& c = run.channel;
  const double sections = (c.reaches.back().to - c.reaches.front().from) / run.interval;
  if (sections > kMaxSections)
    stop("Stopped: too many sections.", "--interval " + two(run.interval) + " gives more than " +
                                            fixed_text(kMaxSections, 0) + " sections; give a longer one");
  show_at(7, 16, "Channel    : " + std::to_string(c.points.size()) + " points, stations " + two(c.reaches.front().from) +
                     " to " + two(c.reaches.back().to) + ", " + std::to_string(c.reaches.size()) +
                     (c.reaches.size() == 1 ? " reach" : " reaches"));
}

void show_amounts(int row, const Figures& g) {
  Amounts tin{0, 0, 0, 0}, aea{0, 0, 0, 0};
  for (std::size_t k = 0; k < g.aea.size(); ++k)
    for (std::size_t q = 0; q < tin.size(); ++q) {
      tin[q] += g.plan.by_interval[k][q];
      aea[q] += g.aea[k][q];
    }
  const auto names = quantities(run);
  for (std::size_t q = 0; q < names.size(); ++q) {
    std::string label(names[q].short_name);
    label.resize(11, ' ');
    show_at(7, row + static_cast<int>(q),
            label + ": " + two(std::max(0.0, tin[q])) + " m3 (average end areas " + two(std::max(0.0, aea[q])) + ")");
  }
}

}  // namespace

int main(int argc, char** argv) {
  run.survey.path = "PM/PointsCl.txt";
  run.title = survey_folder_name();
  read_options(argc, argv);
  run.date = run_date();
  // The outputs of an earlier run go before anything is read; this run's
  // take their names together at the end (survey_rt/run_outputs.h).
  start_outputs({kOutputs[0], kOutputs[1], kOutputs[2], kOutputs[3], kOutputs[4]},
                {run.survey.path, run.before.path, run.channel_path});

  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey Channel - pay volumes on the channel's template");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + survey_shown + (run.dredged ? " (after the works)" : ""));
  if (run.dredged) show_line("             " + before_shown + " (before the works)");
  show_at(7, 8, "Channel " + run.channel_path);
  show_at(7, 15, "Max. edge  : " + two(run.max_edge) + " m");
  if (!points_given && !cleaned_points_present(run.survey.path))
    stop(kNoCleanedPointsShown, std::string(kNoCleanedPoints));
  read_channel_file();

  const surface::Tin survey = read_surface(run.survey, 17, "Survey     : ");
  surface::Tin before;
  if (run.dredged) before = read_surface(run.before, 18, "Before     : ");
  const Figures g = channel_figures(run.channel, run.interval, survey, run.dredged ? &before : nullptr);
  if (g.bend.point >= 0)
    stop("Stopped: a bend too tight for the channel.",
         run.channel_path + ", line " + std::to_string(run.channel.point_lines[static_cast<std::size_t>(g.bend.point)]) +
             ": the bend at this point is too tight for the channel: on its inside the sections cross " +
             two(g.bend.crossing) + " m from the centreline, within the " + two(std::max(g.lateral[0], g.lateral[1])) +
             " m where the pay line may meet the seabed; give it a wider radius");
  bool covered = false;
  for (const Section& x : g.sections) covered = covered || x.covered;
  if (!covered)
    stop("Stopped: the survey does not reach the channel.",
         run.dredged ? run.survey.path + " and " + run.before.path + " do not both cover any section of the channel"
                     : run.survey.path + " does not cover any section of the channel");
  show_at(7, 19, "Sections   : " + std::to_string(g.sections.size()) + ", every " + two(run.interval) + " m; " +
                     std::to_string(g.plan.pieces) + " pieces of the plan");
  show_amounts(20, g);

  show_at(7, 10, "Write  Temp/Channel_Volumes.txt");
  write_output(10, kOutputs[0], [&](TextFile& f) { write_report(f, run, g); });
  write_output(11, kOutputs[1], [&](TextFile& f) { write_csv(f, run, g); });
  write_output(12, kOutputs[2], [&](TextFile& f) { write_sections_dxf(f, run, g); });
  write_output(13, kOutputs[3], [&](TextFile& f) { write_sections_svg(f, run, g); });
  write_output(14, kOutputs[4], [&](TextFile& f) { write_plan_dxf(f, run, g); });
  finish_outputs();

  show_at(7, 24, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
