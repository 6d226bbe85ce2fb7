// join: gives every sounding of Temp/Raw_Dpt.txt a position from the fixes of
// Temp/Raw_Pos.txt by clock time (the fix itself, or a linear interpolation
// between the two fixes around it) and writes latitude, longitude and depth
// to Temp/Data.txt. One forward pass over both logs.
//
// Options (none: the join as it always was):
//   --latency S  the sounder's times are S seconds late: each sounding is
//                joined at its time minus S (S may be negative);
//   --max-gap S  a sounding between two fixes more than S seconds apart is
//                dropped and counted, not placed on a line across the outage;
//   --tide FILE  a water-level series ("hour minute second level", metres
//                above the datum, ascending) interpolated at each sounding's
//                time and subtracted from its depth; a sounding outside the
//                series' span is dropped and counted;
//   --tide-gap S with --tide: a sounding between two levels more than S
//                seconds apart is dropped and counted too, not given a level
//                across the gap (a series with holes, as nmea_split's RTK
//                water level has where the RTK fix was lost);
//   --heave FILE --heave-sign up|down
//                a motion sensor's heave ("hour minute second heave", as
//                nmea_split writes Temp/Raw_Heave.txt) interpolated at each
//                sounding's time and taken out of its reading; a sounding
//                where the sensor was silent for more than a second is
//                dropped and counted;
//   --sv-profile FILE [--sv-set V] [--draft D]
//                a sound-velocity cast ("depth speed"): the reading of a
//                sounder set to V m/s (1500) becomes the depth below the
//                transducer, D m deep (0), in the layered water;
//   --squat FILE a squat table ("knots metres"): the squat at the boat's
//                speed between the fixes around a sounding is added to it;
//   --cm         depths with two decimals instead of one.
// The corrections apply in this order: heave, sound velocity, squat, tide.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "corrections.h"
#include "day_count.h"
#include "fixed_notation.h"
#include "number_grammar.h"
#include "pair_table.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;
using namespace join_corrections;

namespace {

struct PositionFix {
  double latitude = 0;
  double longitude = 0;
  double time = 0;
};

struct Sounding {
  double depth = 0;
  double time = 0;
};

// A series of "hour minute second value" records (the water level, the
// heave), read forward with the soundings: the two records around the last
// sounding that asked for it.
struct Series {
  TextFile file;
  DayCount days;
  double time1 = 0, value1 = 0, time2 = 0, value2 = 0;
};

// The options as typed (for the screen), each empty when it is not given,
// and the numbers read from them.
struct Options {
  std::string latency_text, max_gap_text, tide, tide_gap_text;
  std::string heave, heave_sign, sv_profile, sv_set_text, draft_text, squat;
  bool cm = false;
  double latency = 0;
  double max_gap = HUGE_VAL;   // without --max-gap no gap is too long
  double tide_gap = HUGE_VAL;  // nor without --tide-gap
  double heave_up = 1;         // the heave's sign: 1 when it counts upwards
  double sv_set = 1500, draft = 0;
};

TextFile pos_file, dpt_file, data_file;
DayCount pos_days, dpt_days;
Series tide, heave;
int positions = 0, depths = 0, points = 0, in_gaps = 0, no_tide = 0, no_heave = 0;
Options options;
SoundSpeedProfile profile;
SquatTable squat_table;
// The boat's speed between the fixes around the last sounding (m/s), kept
// over a repeated fix; the range of the speeds and the squats given.
double window_speed = 0, speed_low = 0, speed_high = 0, squat_sum = 0;
int squatted = 0;
int squat_row = 0;  // the screen row of --squat

[[noreturn]] void usage(const std::string& problem) {
  halt_with_message(1, "join: " + problem +
                           "\nusage: join [--latency S] [--max-gap S] [--tide FILE [--tide-gap S]]"
                           "\n            [--heave FILE --heave-sign up|down] [--sv-profile FILE [--sv-set V] [--draft D]]"
                           "\n            [--squat FILE] [--cm]");
}

// A number given to an option, by the runtime's number rules; what: what
// the option needs, for the message.
double number_option(std::string_view name, std::string_view text, const char* what = "a number of seconds") {
  double value = 0;
  if (!parse_real(text, value) || !std::isfinite(value))
    usage(std::string(name) + " needs " + what + ", not \"" + std::string(text) + "\"");
  return value;
}

void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--cm") {
      if (options.cm) usage("--cm given twice");
      options.cm = true;
      continue;
    }
    std::string* const text = name == "--latency"      ? &options.latency_text
                              : name == "--max-gap"    ? &options.max_gap_text
                              : name == "--tide"       ? &options.tide
                              : name == "--tide-gap"   ? &options.tide_gap_text
                              : name == "--heave"      ? &options.heave
                              : name == "--heave-sign" ? &options.heave_sign
                              : name == "--sv-profile" ? &options.sv_profile
                              : name == "--sv-set"     ? &options.sv_set_text
                              : name == "--draft"      ? &options.draft_text
                              : name == "--squat"      ? &options.squat
                                                       : nullptr;
    if (text == nullptr) usage("unknown option \"" + std::string(name) + "\"");
    if (i + 1 == argc) usage(std::string(name) + " needs a value");
    if (!text->empty()) usage(std::string(name) + " given twice");
    *text = argv[++i];
    if (name == "--latency") {
      options.latency = number_option(name, *text);
    } else if (name == "--max-gap") {
      options.max_gap = number_option(name, *text);
      if (options.max_gap < 0) usage("--max-gap needs a gap of 0 seconds or more");
    } else if (name == "--tide-gap") {
      options.tide_gap = number_option(name, *text);
      if (options.tide_gap < 0) usage("--tide-gap needs a gap of 0 seconds or more");
    } else if (name == "--heave-sign") {
      if (*text != "up" && *text != "down") usage("--heave-sign needs up or down, not \"" + *text + "\"");
      options.heave_up = *text == "up" ? 1 : -1;
    } else if (name == "--sv-set") {
      options.sv_set = number_option(name, *text, "the sounder's sound speed in m/s");
      if (!(options.sv_set > 0)) usage("--sv-set needs a sound speed above 0 m/s");
    } else if (name == "--draft") {
      options.draft = number_option(name, *text, "the transducer's depth in metres");
    } else if (text->empty()) {
      usage(std::string(name) + " needs a file name");
    }
  }
  if (options.tide.empty() && !options.tide_gap_text.empty()) usage("--tide-gap goes with --tide");
  if (options.heave.empty() != options.heave_sign.empty())
    usage(options.heave.empty() ? "--heave-sign goes with --heave" : "--heave needs --heave-sign up or down");
  if (options.sv_profile.empty() && !(options.sv_set_text.empty() && options.draft_text.empty()))
    usage("--sv-set and --draft go with --sv-profile");
}

// The time of a record's "hour minute second", its log's days counted.
double record_time(TextFile& f, DayCount& days) {
  const std::uint16_t hour = read_word(f);
  const std::uint16_t minute = read_word(f);
  const double second = read_real(f);
  return count_days(days, static_cast<double>((hour * 60 + minute) * 60) + second);
}

// A fix counts one second earlier than its stamp.
void read_fix(PositionFix& p) {
  p.latitude = read_real(pos_file);
  p.longitude = read_real(pos_file);
  p.time = record_time(pos_file, pos_days) - 1.0;
  skip_line(pos_file);
  io_check();
}

void read_sounding(Sounding& s) {
  s.depth = read_real(dpt_file);
  s.time = record_time(dpt_file, dpt_days) - options.latency;
  skip_line(dpt_file);
  io_check();
}

// The next record of a series into its second place.
void read_series(Series& s) {
  s.time2 = record_time(s.file, s.days);
  s.value2 = read_real(s.file);
  skip_line(s.file);
  io_check();
}

// Reads a series' first two records (one, when it has only one).
void start_series(Series& s) {
  read_series(s);
  s.time1 = s.time2;
  s.value1 = s.value2;
  if (!at_end_checked(s.file)) read_series(s);
}

// Each of the two reads below answers false, reading nothing, when its log is
// at its end: the pass then goes no further and the join ends.
bool next_sounding(Sounding& s) {
  if (at_end_checked(dpt_file)) return false;
  read_sounding(s);
  ++depths;
  return true;
}

bool next_fix(PositionFix& p) {
  if (at_end_checked(pos_file)) return false;
  read_fix(p);
  return true;
}

// Moves a series on to the two records around time t; false when t lies
// outside it (never extrapolated). A record whose time is not a number is
// passed over.
bool bracket(Series& s, double t) {
  while ((t > s.time2 || std::isnan(s.time2)) && !at_end_checked(s.file)) {
    s.time1 = s.time2;
    s.value1 = s.value2;
    read_series(s);
  }
  return t >= s.time1 && t <= s.time2;
}

// The series' value at time t, linear between its two records around t.
double interpolate(const Series& s, double t) {
  return s.time2 == s.time1 ? s.value1 : ((t - s.time1) * (s.value2 - s.value1)) / (s.time2 - s.time1) + s.value1;
}

// The value of a series at time t; false when t lies outside the series or
// inside a gap of it longer than max_gap seconds (never bridged; a time on a
// record keeps it).
bool value_at(Series& s, double t, double max_gap, double& value) {
  if (!bracket(s, t)) return false;
  if (s.time2 - s.time1 > max_gap && t != s.time1 && t != s.time2) return false;
  value = interpolate(s, t);
  return true;
}

// The boat's speed (m/s) between the fixes around a sounding; a repeated fix
// (the receiver gave no new position) or two fixes of one time keep the
// speed found before.
double speed_between(const PositionFix& p1, const PositionFix& p2) {
  if ((p1.latitude != p2.latitude || p1.longitude != p2.longitude) && p2.time > p1.time)
    window_speed = ground_speed(p1.latitude, p1.longitude, p2.latitude, p2.longitude, p2.time - p1.time);
  return window_speed;
}

// Writes a sounding at a position, its reading corrected in the order heave,
// sound velocity, squat, water level; one without a heave or a level is
// dropped and counted. p1 and p2 are the fixes around it.
void write_joined(double latitude, double longitude, const Sounding& s, const PositionFix& p1,
                  const PositionFix& p2) {
  double depth = s.depth;
  if (!options.heave.empty()) {
    double value = 0;
    if (!value_at(heave, s.time, 1.0, value)) {  // the sensor silent for over a second
      ++no_heave;
      return;
    }
    depth -= options.heave_up * value;  // the boat above its mean level reads deeper
  }
  if (!options.sv_profile.empty()) depth = depth_below_transducer(profile, options.draft, options.sv_set, depth);
  double speed = 0, squat = 0;
  if (!options.squat.empty()) {
    speed = speed_between(p1, p2) / kKnot;
    squat = squat_at(squat_table, speed);
    depth += squat;
  }
  if (!options.tide.empty()) {
    double level = 0;
    if (!value_at(tide, s.time, options.tide_gap, level)) {
      ++no_tide;
      return;
    }
    depth -= level;
  }
  if (!options.squat.empty()) {
    speed_low = squatted == 0 ? speed : std::min(speed_low, speed);
    speed_high = squatted == 0 ? speed : std::max(speed_high, speed);
    squat_sum += squat;
    ++squatted;
  }
  write_fixed(data_file, latitude, 0, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, longitude, 0, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, depth, 0, options.cm ? 2 : 1);
  end_line(data_file);
  io_check();
  ++points;
}

// One pass of the join, steps A to E; false when a log ran out during it.
bool join_pass(PositionFix& p1, PositionFix& p2, Sounding& s) {
  // A time that is not a number ("nan" in a log) fails every test below, so
  // no step would move either log on and the join would never end: such a
  // sounding is dropped and such a fix passed over, as if its line were not
  // there (the position counter does not count it).
  if (std::isnan(s.time)) return next_sounding(s);
  if (std::isnan(p2.time)) return next_fix(p2);
  if (std::isnan(p1.time)) {
    p1 = p2;
    return next_fix(p2);
  }
  if (s.time < p1.time) {  // A: before the window, dropped
    if (!next_sounding(s)) return false;
  }
  if (s.time == p1.time) {  // B: on the start fix
    write_joined(p1.latitude, p1.longitude, s, p1, p2);
    if (!next_sounding(s)) return false;
  }
  if (s.time > p1.time && s.time < p2.time) {  // C: inside the window
    if (p2.time - p1.time > options.max_gap) {
      ++in_gaps;  // no straight line across an outage
    } else {
      const double latitude =
          ((s.time - p1.time) * (p2.latitude - p1.latitude)) / (p2.time - p1.time) + p1.latitude;
      const double longitude =
          ((s.time - p1.time) * (p2.longitude - p1.longitude)) / (p2.time - p1.time) + p1.longitude;
      write_joined(latitude, longitude, s, p1, p2);
    }
    if (!next_sounding(s)) return false;
  }
  if (s.time == p2.time) {  // D: on the end fix; the window moves one record on
    write_joined(p2.latitude, p2.longitude, s, p1, p2);
    if (!next_sounding(s)) return false;
    p1 = p2;
    if (!next_fix(p2)) return false;
    ++positions;
  }
  if (s.time > p2.time) {  // E: past the window; it moves to the next distinct fix
    p1 = p2;
    do {
      if (!next_fix(p2)) return false;
    } while (p2.latitude == p1.latitude && p2.longitude == p1.longitude);
    ++positions;
  }
  return true;
}

}  // namespace

void show_counters() {
  show_count(7, 12, "Positions : ", positions, 8);
  show_count(7, 13, "   Depths : ", depths, 8);
  show_count(7, 15, "3D Points : ", points, 8);
  if (!options.max_gap_text.empty()) show_count(7, 16, "  In gaps : ", in_gaps, 8);
  if (!options.tide.empty()) show_count(7, 17, "  No tide : ", no_tide, 8);
  if (!options.heave.empty()) show_count(7, 18, " No heave : ", no_heave, 8);
}

// A table of an option that cannot be used stops join before Temp/Data.txt
// is touched, saying why at the given row.
[[noreturn]] void refuse_table(const std::string& name, const std::string& why, int row) {
  show_at(7, row, why + ": nothing done.");
  show_line("");
  halt_with_message(1, "join: " + name + ": " + why);
}

// The rows of the depth corrections and --cm from row 19 on, one an option,
// each table read as its row is shown; the row of "Press ENTER" after them.
int show_corrections() {
  int row = 19;
  if (!options.heave.empty()) {
    show_at(7, row++, "Heave     : " + options.heave + (options.heave_up > 0 ? ", positive up" : ", positive down"));
    open_input(heave.file, options.heave);
    io_check();
  }
  std::string why;
  if (!options.sv_profile.empty()) {
    show_at(7, row++, "SV profile: " + options.sv_profile);
    profile = make_profile(read_pair_table(options.sv_profile), why);
    if (!why.empty()) refuse_table(options.sv_profile, why, row);
    show_at(7, row++, "Sounder SV: " + (options.sv_set_text.empty() ? "1500" : options.sv_set_text) + " m/s");
    show_at(7, row++, "Draft     : " + (options.draft_text.empty() ? "0" : options.draft_text) + " m");
  }
  if (!options.squat.empty()) {
    squat_row = row;
    show_at(7, row++, "Squat     : " + options.squat);
    squat_table = make_squat_table(read_pair_table(options.squat), why);
    if (!why.empty()) refuse_table(options.squat, why, row);
  }
  if (options.cm) show_at(7, row++, "Decimals  : 2 (--cm)");
  if (row > 19) goto_xy(1, 9);
  return row;
}

// After the squat table's name: the range of the boat's speeds and the mean
// squat of the soundings written.
void show_squat_summary() {
  std::string text = ", no sounding";
  if (squatted > 0)
    text = ", " + fixed_text(speed_low, 1) + " to " + fixed_text(speed_high, 1) + " kn, mean " +
           fixed_text(squat_sum / squatted, 3) + " m";
  show_at(7 + 12 + static_cast<int>(options.squat.size()), squat_row, text);
}

int main(int argc, char** argv) {
  read_options(argc, argv);
  clear_screen();
  show_line("");
  show_line("");
  show_line("      JOIN");
  show_line("      ----");
  show_line("");
  show_line("      Read  : Temp/Raw_Pos.txt");
  open_input(pos_file, "Temp/Raw_Pos.txt");
  io_check();
  show_line("              Temp/Raw_Dpt.txt");
  open_input(dpt_file, "Temp/Raw_Dpt.txt");
  io_check();
  if (options.tide.empty()) {
    show_line("");
  } else {
    show_line("      Tide  : " + options.tide +
              (options.tide_gap_text.empty() ? "" : "  (gaps up to " + options.tide_gap_text + " s)"));
    open_input(tide.file, options.tide);
    io_check();
  }
  const int press_row = show_corrections();
  show_line("      Write :    Temp/Data.txt");
  create_output(data_file, "Temp/Data.txt");
  io_check();
  if (!options.latency_text.empty()) show_at(7, 10, "Latency   : " + options.latency_text + " s");
  if (!options.max_gap_text.empty()) show_at(7, 11, "Max. gap  : " + options.max_gap_text + " s");

  PositionFix p1, p2;
  Sounding s;
  read_fix(p1);
  read_fix(p2);
  positions = 2;
  read_sounding(s);
  depths = 1;
  points = 0;
  if (!options.tide.empty()) start_series(tide);
  if (!options.heave.empty()) start_series(heave);

  bool more = true;
  while (more && !at_end_checked(pos_file) && !at_end_checked(dpt_file)) {
    more = join_pass(p1, p2, s);
    show_counters();
  }

  close_file(pos_file);
  io_check();
  close_file(dpt_file);
  io_check();
  close_file(data_file);
  io_check();
  for (Series* s : {&tide, &heave}) {
    if (s->file.mode == FileMode::closed) continue;
    close_file(s->file);
    io_check();
  }
  if (!options.squat.empty()) show_squat_summary();
  show_at(7, press_row, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
