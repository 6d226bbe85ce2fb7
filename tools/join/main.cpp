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
//                water level has where the RTK fix was lost).
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "console.h"
#include "day_count.h"
#include "number_grammar.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

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

struct TideLevel {
  double time = 0;
  double level = 0;
};

// The options as typed (for the screen), each empty when it is not given,
// and the numbers read from them.
struct Options {
  std::string latency_text, max_gap_text, tide, tide_gap_text;
  double latency = 0;
  double max_gap = HUGE_VAL;   // without --max-gap no gap is too long
  double tide_gap = HUGE_VAL;  // nor without --tide-gap
};

TextFile pos_file, dpt_file, data_file, tide_file;
DayCount pos_days, dpt_days, tide_days;
int positions = 0, depths = 0, points = 0, in_gaps = 0, no_tide = 0;
Options options;
TideLevel tide1, tide2;  // the levels around the last sounding joined

[[noreturn]] void usage(const std::string& problem) {
  halt_with_message(1, "join: " + problem + "\nusage: join [--latency S] [--max-gap S] [--tide FILE [--tide-gap S]]");
}

// A number of seconds given to an option, by the runtime's number rules.
double seconds_option(std::string_view name, std::string_view text) {
  double value = 0;
  if (!parse_real(text, value) || !std::isfinite(value))
    usage(std::string(name) + " needs a number of seconds, not \"" + std::string(text) + "\"");
  return value;
}

void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    std::string* const text = name == "--latency"    ? &options.latency_text
                              : name == "--max-gap"  ? &options.max_gap_text
                              : name == "--tide"     ? &options.tide
                              : name == "--tide-gap" ? &options.tide_gap_text
                                                     : nullptr;
    if (text == nullptr) usage("unknown option \"" + std::string(name) + "\"");
    if (i + 1 == argc) usage(std::string(name) + " needs a value");
    if (!text->empty()) usage(std::string(name) + " given twice");
    *text = argv[++i];
    if (name == "--latency") {
      options.latency = seconds_option(name, *text);
    } else if (name == "--max-gap") {
      options.max_gap = seconds_option(name, *text);
      if (options.max_gap < 0) usage("--max-gap needs a gap of 0 seconds or more");
    } else if (name == "--tide-gap") {
      options.tide_gap = seconds_option(name, *text);
      if (options.tide_gap < 0) usage("--tide-gap needs a gap of 0 seconds or more");
    } else if (text->empty()) {
      usage("--tide needs a file name");
    }
  }
  if (options.tide.empty() && !options.tide_gap_text.empty()) usage("--tide-gap goes with --tide");
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

void read_tide(TideLevel& t) {
  t.time = record_time(tide_file, tide_days);
  t.level = read_real(tide_file);
  skip_line(tide_file);
  io_check();
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

// The water level at time t, interpolated linearly between the two levels
// around it; false when t lies outside the series (never extrapolated) or
// inside a gap of the series longer than --tide-gap (never bridged). The
// series is read forward with the soundings; a level whose time is not a
// number is passed over.
bool tide_at(double t, double& level) {
  while ((t > tide2.time || std::isnan(tide2.time)) && !at_end_checked(tide_file)) {
    tide1 = tide2;
    read_tide(tide2);
  }
  if (!(t >= tide1.time && t <= tide2.time)) return false;
  if (tide2.time - tide1.time > options.tide_gap && t != tide1.time && t != tide2.time) return false;
  level = tide2.time == tide1.time ? tide1.level
                                   : ((t - tide1.time) * (tide2.level - tide1.level)) / (tide2.time - tide1.time) +
                                         tide1.level;
  return true;
}

void write_joined(double latitude, double longitude, const Sounding& s) {
  double depth = s.depth;
  if (!options.tide.empty()) {
    double level = 0;
    if (!tide_at(s.time, level)) {
      ++no_tide;
      return;
    }
    depth -= level;
  }
  write_fixed(data_file, latitude, 0, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, longitude, 0, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, depth, 0, 1);
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
    write_joined(p1.latitude, p1.longitude, s);
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
      write_joined(latitude, longitude, s);
    }
    if (!next_sounding(s)) return false;
  }
  if (s.time == p2.time) {  // D: on the end fix; the window moves one record on
    write_joined(p2.latitude, p2.longitude, s);
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
    open_input(tide_file, options.tide);
    io_check();
  }
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
  if (!options.tide.empty()) {
    read_tide(tide1);
    tide2 = tide1;
    if (!at_end_checked(tide_file)) read_tide(tide2);
  }

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
  if (!options.tide.empty()) {
    close_file(tide_file);
    io_check();
  }
  show_at(7, 19, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
