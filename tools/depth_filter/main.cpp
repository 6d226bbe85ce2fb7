// depth_filter: keeps the soundings of Temp/Data.txt whose depth lies inside a
// typed depth window and which, from the second kept sounding on, lie farther
// than a typed distance from the last kept sounding with a bottom slope below
// a typed maximum; writes them after the survey-parameter header to
// PM/La_Lo_De.txt for utm_points. With --cm the depths keep two decimals.
#include <cmath>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "point_list.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

TextFile data_file, list_file;
double min_depth = 0, max_depth = 0, min_distance = 0, max_slope = 0;
PointRecord record;     // the record read last
PointRecord reference;  // the last record written: distance and slope are measured from it
int records_read = 0, points_written = 0;
bool cm = false;  // depths with two decimals
constexpr std::string_view kUsage = "usage: depth_filter [--cm]";

// --cm, once, and nothing else.
void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name != "--cm") bad_call("depth_filter", kUsage, "unknown option \"" + std::string(name) + "\"");
    if (cm) bad_call("depth_filter", kUsage, "--cm given twice");
    cm = true;
  }
}

// Shows the prompt and reads one limit; the rest of the typed line is dropped.
double ask_limit(std::string_view prompt) {
  write_str(console_output(), prompt);
  io_check();
  return read_typed_real();
}

void read_record() {
  record = read_point(data_file);
  io_check();
  ++records_read;
}

void write_record() {
  write_point(list_file, record, cm ? 2 : 1);
  io_check();
}

// Both limits strict; a NaN depth is outside.
bool in_depth_window() { return record.depth > min_depth && record.depth < max_depth; }

// Metres from the reference point, one minute of arc counting 1800 m of
// latitude and 1300 m of longitude wherever the survey lies.
double distance_from_reference() {
  const double north = (reference.latitude - record.latitude) * 60 * 1800;
  const double east = (reference.longitude - record.longitude) * 60 * 1300;
  return std::sqrt(north * north + east * east);
}

// Phase 2: whether the record read last passes every test. The comparisons
// are written so that a NaN fails them.
bool passes_tests() {
  if (!in_depth_window()) return false;
  // A repeated position is dropped whatever its depth (and never divides by 0).
  if (record.latitude == reference.latitude && record.longitude == reference.longitude) return false;
  const double distance = distance_from_reference();
  if (!(distance > min_distance)) return false;
  const double slope = std::fabs(reference.depth - record.depth) / distance;
  return slope < max_slope;
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
  clear_screen();
  show_line("");
  show_line("");
  show_line("       Read :   Temp/Data.txt");
  open_input(data_file, "Temp/Data.txt");
  io_check();
  show_line("");
  show_line(cm ? "      Write : PM/La_Lo_De.txt  (depths to the cm: --cm)" : "      Write : PM/La_Lo_De.txt");
  // Created (and so emptied) before the limits are asked.
  create_output(list_file, "PM/La_Lo_De.txt");
  io_check();
  show_line("");
  min_depth = ask_limit("      Min. Depth : ");
  show_line("");
  max_depth = ask_limit("      Max. Depth : ");
  show_line("");
  min_distance = ask_limit("      Min. Dist. : ");
  show_line("");
  max_slope = ask_limit("      Max.Slope 1: ");

  write_point_list_header(list_file);
  io_check();

  // Phase 1: the first record inside the depth window is written with no
  // distance or slope test and becomes the reference point.
  records_read = 0;
  for (;;) {
    read_record();
    const bool inside = in_depth_window();
    if (inside) write_record();
    reference = record;
    if (inside || at_end_checked(data_file)) break;
  }
  points_written = 1;

  // Phase 2: every further record is measured against the last one written.
  while (!at_end_checked(data_file)) {
    read_record();
    show_count(7, 16, " Read: ", records_read, 8);
    if (!passes_tests()) continue;
    end_line(list_file);  // closes the line of the previous point
    io_check();
    write_record();
    reference = record;
    ++points_written;
    show_count(7, 18, "Write: ", points_written, 8);
  }

  close_file(data_file);
  io_check();
  close_file(list_file);
  io_check();
  goto_xy(7, 21);
  write_str(console_output(), "Press ENTER  ...");
  io_check();
  wait_enter();
  io_check();
  return 0;
}
