// join: gives every sounding of Temp/Raw_Dpt.txt a position from the fixes of
// Temp/Raw_Pos.txt by clock time (the fix itself, or a linear interpolation
// between the two fixes around it) and writes latitude, longitude and depth
// to Temp/Data.txt. One forward pass over both logs.
#include <cmath>
#include <cstdint>

#include "console.h"
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

// The logs carry no date. A log keeps a day offset that grows by a day
// whenever a record's time of day lies more than 12 hours below that of the
// record read just before it, so a survey past midnight keeps its order.
struct DayCount {
  double offset = 0;
  double last = 0;
  bool any = false;
};

TextFile pos_file, dpt_file, data_file;
DayCount pos_days, dpt_days;
int positions = 0, depths = 0, points = 0;

double record_time(TextFile& f, DayCount& days) {
  const std::uint16_t hour = read_word(f);
  const std::uint16_t minute = read_word(f);
  const double second = read_real(f);
  const double seconds_of_day = static_cast<double>((hour * 60 + minute) * 60) + second;
  if (days.any && days.last - seconds_of_day > 43200.0) days.offset += 86400.0;
  days.last = seconds_of_day;
  days.any = true;
  return seconds_of_day + days.offset;
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
  s.time = record_time(dpt_file, dpt_days);
  skip_line(dpt_file);
  io_check();
}

bool at_end_checked(TextFile& f) {
  const bool end = at_end(f);
  io_check();
  return end;
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

void write_joined(double latitude, double longitude, double depth) {
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
    write_joined(p1.latitude, p1.longitude, s.depth);
    if (!next_sounding(s)) return false;
  }
  if (s.time > p1.time && s.time < p2.time) {  // C: inside the window
    const double latitude =
        ((s.time - p1.time) * (p2.latitude - p1.latitude)) / (p2.time - p1.time) + p1.latitude;
    const double longitude =
        ((s.time - p1.time) * (p2.longitude - p1.longitude)) / (p2.time - p1.time) + p1.longitude;
    write_joined(latitude, longitude, s.depth);
    if (!next_sounding(s)) return false;
  }
  if (s.time == p2.time) {  // D: on the end fix; the window moves one record on
    write_joined(p2.latitude, p2.longitude, s.depth);
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

int main() {
  TextFile& con = console_output();
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
  show_line("");
  show_line("      Write :    Temp/Data.txt");
  create_output(data_file, "Temp/Data.txt");
  io_check();

  PositionFix p1, p2;
  Sounding s;
  read_fix(p1);
  read_fix(p2);
  positions = 2;
  read_sounding(s);
  depths = 1;
  points = 0;

  bool more = true;
  while (more && !at_end_checked(pos_file) && !at_end_checked(dpt_file)) {
    more = join_pass(p1, p2, s);
    show_count(7, 12, "Positions : ", positions, 8);
    show_count(7, 13, "   Depths : ", depths, 8);
    show_count(7, 15, "3D Points : ", points, 8);
  }

  close_file(pos_file);
  io_check();
  close_file(dpt_file);
  io_check();
  close_file(data_file);
  io_check();
  goto_xy(7, 19);
  write_str(con, "Press ENTER  ...");
  io_check();
  wait_enter();
  io_check();
  return 0;
}
