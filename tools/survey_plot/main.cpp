// survey_plot: pictures of the survey for the surveyor to look at, in any
// browser:
//   Temp/Plan.svg     the records of PM/Points.txt in plan, the kept ones
//                     coloured by height, the deleted and flagged ones marked
//   Temp/Profile.svg  the echo record: height against the distance along the
//                     track (as echo_clean1 draws it), in strips
//   Temp/Track.geojson, Temp/Survey.kml  the track (and in the KML the contours
//                     and soundings) for GIS and Google Earth (gis.h)
// A record was deleted in the cleaning when PM/PointsCl.txt (echo_clean2's
// list, matched in order by x y z as written with two decimals) does not hold
// it, and flagged when Temp/Spikes.txt (echo_flag's list) names its number
// (from 1) first on a line. Either file may be missing: nothing was deleted or
// flagged then.
//
//   survey_plot [--strip METRES] [--title TEXT]
//
// PM/Points.txt is read twice: first for the pictures' extents and to check
// that the two other lists belong to it, then to fill the pictures' cells.
// The outputs of an earlier run are removed before anything is read, and the
// new ones take their names only once all are written
// (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "fixed_notation.h"
#include "gis.h"
#include "grid_files.h"
#include "number_grammar.h"
#include "plot.h"
#include "run_outputs.h"
#include "stop.h"
#include "survey_folder.h"
#include "survey_grid.h"
#include "text_file.h"
#include "track_records.h"
#include "xyz_records.h"

using namespace survey_rt;
using namespace survey_plot;

namespace {

// Exit status of a wrong call and of lists that do not belong to PM/Points.txt.
constexpr int kBadCall = 1;
constexpr double kStrip = 500;    // the usual strip length, metres,
constexpr int kUsualStrips = 40;  // longer where a track needs more strips than this

constexpr std::string_view kUsage =
    "usage: survey_plot [--strip METRES] [--title TEXT]\n"
    "  --strip METRES  the length of track in a strip of the profile (without it 500 m,\n"
    "                  shorter for a shorter track, longer where 40 strips would not hold it)\n"
    "  --title TEXT    the title of both pictures (without it the survey folder's name)\n";

TextFile points_file, cleaned_file, spikes_file, plan_file, profile_file;
Survey survey;
TrackFiles track_files;  // Temp/Track.geojson and Temp/Survey.kml
double strip_option = 0;  // 0 when not given

// The current record: its place, height, distance along the track
// (track.distance) and kind (kKept or kDeleted, with kFlagged).
double x = 0, y = 0, z = 0;
Track track;
std::uint8_t kind = 0;
std::int32_t records = 0;

// The next record of PM/PointsCl.txt and its line (none when cleaned_left
// is false).
double cx = 0, cy = 0, cz = 0;
bool cleaned_left = false;
std::int32_t cleaned_line = 0;

// The next record number of Temp/Spikes.txt and its line.
double spike = 0;
bool spikes_left = false;
std::int32_t spike_line = 0;

void read_options(int argc, char** argv) {
  read_command_line(argc, argv, "survey_plot", kUsage, {"--strip", "--title"},
                    [](std::string_view name, const std::string& value) {
                      if (name == "--title") {
                        survey.title = value;
                      } else if (!parse_real(value, strip_option) || !(strip_option >= 0.01 && strip_option <= 1e9)) {
                        bad_call("survey_plot", kUsage,
                                 "--strip wants a length in metres from 0.01 to 1e9, not \"" + value + "\"");
                      }
                    });
}

// Stops the run: a line on the screen, the reason on the standard error.
[[noreturn]] void stop(std::string_view screen_text, const std::string& why) {
  show_at(7, 19, screen_text);
  halt_with_message(kBadCall, "survey_plot: " + why);
}

void read_cleaned() {
  cleaned_left = !at_end_checked(cleaned_file);
  if (!cleaned_left) return;
  read_xyz(cleaned_file, cx, cy, cz);
  ++cleaned_line;
}

// The next record number named, in ascending order; a number named again is
// passed over, and so are blanks after the last line.
void read_spike() {
  const double before = spike;
  for (;;) {
    spikes_left = !at_end_checked(spikes_file);
    if (!spikes_left) return;
    spike = read_real(spikes_file);
    skip_line(spikes_file);
    ++spike_line;
    const bool end = at_end_checked(spikes_file);
    if (spike == 0 && end) {
      spikes_left = false;
      return;
    }
    const std::string line = "Temp/Spikes.txt, line " + std::to_string(spike_line) + ": ";
    if (!(spike >= 1 && spike <= std::numeric_limits<std::int32_t>::max() && spike == std::floor(spike)))
      stop("Stopped: Temp/Spikes.txt is not a list of records.",
           line + "the first field must be a record number (1 for the first record), not " +
               fixed_text(spike, 2));
    if (spike < before)
      stop("Stopped: Temp/Spikes.txt is not a list of records.",
           line + "record " + fixed_text(spike, 0) + " after record " + fixed_text(before, 0) +
               ": the records must come in the order of PM/Points.txt");
    if (spike > before) return;
  }
}

// Equal as written with two decimals (the same doubles always are).
bool same(double a, double b) {
  return a == b || std::string_view(fixed_number(a, 2)) == std::string_view(fixed_number(b, 2));
}

void read_record() {
  read_track_xyz(points_file, track, x, y, z);
  ++records;
  kind = kKept;
  if (survey.have_clean) {
    if (cleaned_left && same(x, cx) && same(y, cy) && same(z, cz))
      read_cleaned();
    else
      kind = kDeleted;
  }
  if (spikes_left && spike == records) {
    kind |= kFlagged;
    read_spike();
  }
}

// Opens the lists again at their start, for the second pass.
void open_lists() {
  open_input(points_file, "PM/Points.txt");
  io_check();
  if (survey.have_clean) {
    open_input(cleaned_file, "PM/PointsCl.txt");
    io_check();
  }
  if (survey.have_spikes) {
    open_input(spikes_file, "Temp/Spikes.txt");
    io_check();
  }
}

// Starts a pass over the records, the lists open at their start: reads the
// first record of each other list and starts the track. As in every tool of
// the chain, the passes then read the first record without an end test: an
// empty PM/Points.txt stops the tool there.
void start_pass() {
  records = 0;
  if (survey.have_clean) {
    cleaned_line = 0;
    read_cleaned();
  }
  if (survey.have_spikes) {
    spike = 0;
    spike_line = 0;
    read_spike();
  }
  start_track(points_file, "PM/Points.txt", track);
}

void end_pass() {
  close_file(points_file);
  io_check();
  if (survey.have_clean) close_file(cleaned_file);
  if (survey.have_spikes) close_file(spikes_file);
  io_check();
}

bool finite_place() { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

// The first pass: extents, the length of the track and the counts.
void measure_record() {
  show_count(7, 12, "Records : ", records, 8);
  survey.kept += (kind & kKept) != 0;
  survey.deleted += (kind & kDeleted) != 0;
  survey.flagged += (kind & kFlagged) != 0;
  if (std::isfinite(track.distance)) survey.track = track.distance;
  if (!finite_place()) return;  // not drawn
  survey.x_low = std::min(survey.x_low, x);
  survey.x_high = std::max(survey.x_high, x);
  survey.y_low = std::min(survey.y_low, y);
  survey.y_high = std::max(survey.y_high, y);
  survey.z_low = std::min(survey.z_low, z);
  survey.z_high = std::max(survey.z_high, z);
  if (kind & kKept) {
    survey.kept_low = std::min(survey.kept_low, z);
    survey.kept_high = std::max(survey.kept_high, z);
  }
}

// A strip length as usual: 500 m, or the track's length rounded up when it
// is shorter, or longer to fit a long track into 40 strips.
double usual_strip(double length) {
  if (!(length > 0)) return kStrip;
  return std::max(std::min(kStrip, round_up_nice(length)), round_up_nice(length / kUsualStrips));
}

}  // namespace

int main(int argc, char** argv) {
  survey.title = survey_folder_name();
  read_options(argc, argv);

  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Survey Plot - plan and profile");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   PM/Points.txt");
  start_outputs({"Temp/Plan.svg", "Temp/Profile.svg", "Temp/Track.geojson", "Temp/Survey.kml"}, {});
  // The grid of the GIS files, read first: a wrong PM/Grid.txt stops the run
  // before the work.
  const std::optional<Grid> grid = load_survey_grid("survey_plot");
  open_input(points_file, "PM/Points.txt");
  io_check();
  show_at(14, 7, "PM/PointsCl.txt");
  survey.have_clean = open_input_if_present(cleaned_file, "PM/PointsCl.txt");
  io_check();
  if (!survey.have_clean) write_str(con, "   (none: nothing deleted)");
  show_at(14, 8, "Temp/Spikes.txt");
  survey.have_spikes = open_input_if_present(spikes_file, "Temp/Spikes.txt");
  io_check();
  if (!survey.have_spikes) write_str(con, "   (none: nothing flagged)");
  io_check();

  // The first pass, over the lists opened above.
  start_pass();
  do {
    read_record();
    measure_record();
  } while (!at_end_checked(points_file));
  end_pass();
  show_count(7, 13, "Kept    : ", survey.kept, 8);
  show_count(7, 14, "Deleted : ", survey.deleted, 8);
  show_count(7, 15, "Flagged : ", survey.flagged, 8);
  survey.records = records;
  if (cleaned_left)
    stop("Stopped: PM/PointsCl.txt does not belong to PM/Points.txt.",
         "PM/PointsCl.txt, line " + std::to_string(cleaned_line) + ": " + fixed_text(cx, 2) + " " +
             fixed_text(cy, 2) + " " + fixed_text(cz, 2) +
             " is no record of PM/Points.txt after the ones kept before it; run echo_clean2 again");
  if (spikes_left)
    stop("Stopped: Temp/Spikes.txt does not belong to PM/Points.txt.",
         "Temp/Spikes.txt, line " + std::to_string(spike_line) + ": record " + fixed_text(spike, 0) +
             ", but PM/Points.txt has " + std::to_string(records) + " records; run echo_flag again");
  survey.strip = strip_option > 0 ? strip_option : usual_strip(survey.track);
  const double strips = strips_needed(survey);
  if (strips > kMaxStrips)
    stop("Stopped: too many strips for the profile.",
         "the track is " + fixed_text(survey.track, 1) + " m long: strips of " + fixed_text(survey.strip, 2) +
             " m would make " + fixed_text(strips, 0) + " strips, at most " + std::to_string(kMaxStrips) +
             " are drawn; give a longer --strip");
  show_count(7, 17, "Strips  : ", static_cast<int>(strips), 8);
  write_str(con, " of " + fixed_text(survey.strip, decimals_of(survey.strip)) + " m");
  io_check();

  // The GIS files' other layers, read before any output is made.
  GisLayers layers;
  std::string why;
  if (grid && !read_gis_layers(*grid, layers, why))
    stop("Stopped: Temp/Contours.geojson cannot be read.", why + "; run survey_surface again");

  // The second pass fills the pictures' cells and writes the track.
  show_at(7, 9, "Write  Temp/Plan.svg");
  create_run_output(plan_file, "Temp/Plan.svg");
  show_at(14, 10, "Temp/Profile.svg");
  create_run_output(profile_file, "Temp/Profile.svg");
  if (grid) {
    show_at(14, 11, "Temp/Track.geojson, Temp/Survey.kml");
    track_begin(track_files, survey.title, *grid);
  } else {
    show_at(14, 11, "(no GIS files: no PM/Grid.txt or PM/La_Lo_De.txt)");
  }
  Plan plan = plan_layout(survey);
  Profile profile = profile_layout(survey);
  open_lists();
  start_pass();
  do {
    read_record();
    show_count(7, 16, "Drawn   : ", records, 8);
    if (finite_place()) plan_add(plan, x, y, z, kind);
    if (std::isfinite(track.distance) && std::isfinite(z)) profile_add(profile, survey, track.distance, z, kind);
    if (grid) track_add(track_files, records, x, y, (kind & kKept) != 0);
  } while (!at_end_checked(points_file));
  end_pass();
  write_plan(plan_file, plan, survey);
  close_run_output(plan_file);
  write_profile(profile_file, profile, survey);
  close_run_output(profile_file);
  if (grid) {
    track_end(track_files, layers);
    show_count(7, 18, "GIS     : ", track_files.lines, 8);
    write_str(con, " track lines, " + std::to_string(layers.contours.size()) + " contours, " +
                       std::to_string(layers.soundings.size()) + " soundings in the KML");
    io_check();
  }
  finish_outputs();

  show_at(7, 19, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
