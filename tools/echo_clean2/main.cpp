// echo_clean2: reads back the echo record that the user cleaned by hand
// (Temp/Clr_Rec.dxf, drawn from Temp/Echo_Rec.scr of echo_clean1), lists the
// points left in it in Temp/Clr_Rec.txt, and copies every record of
// PM/Points.txt whose point is still there to PM/PointsCl.txt and to the
// script Temp/PointsCl.scr. A record is found again by its distance along the
// track, computed exactly as echo_clean1 did, and by its height z.
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "console.h"
#include "dxf_points.h"
#include "fixed_notation.h"
#include "stop.h"
#include "text_file.h"
#include "track_records.h"

using namespace survey_rt;

namespace {

constexpr std::string_view kCodes[] = {" 10", " 20"};

TextFile dxf_file, kept_file, points_file, clean_file, script_file;
std::int32_t found = 0;    // points found in the drawing
std::int32_t records = 0;  // records read from PM/Points.txt
std::int32_t kept = 0;     // kept points read from Temp/Clr_Rec.txt

// The current record: position, height, its distance along the track
// (track.distance) and that distance rounded to four decimals (r).
double x = 0, y = 0, z = 0, r = 0;
Track track;
// The current kept point: distance along the track (c, rounded to four
// decimals) and height (h).
double c = 0, h = 0;

// Rounds to four decimals: the product by 10000 to the nearest integer, a half
// to the even one.
double round4(double v) { return std::nearbyint(v * 10000.0) / 10000.0; }

void write_kept_point(std::span<const double> v) {
  write_fixed(kept_file, v[0], 0, 5);
  write_char(kept_file, ' ');
  write_fixed(kept_file, v[1], 0, 2);
  end_line(kept_file);
  io_check();
  ++found;
  show_count(7, 9, "Points : ", found, 8);
}

void read_record() {
  read_track_xyz(points_file, track, x, y, z);
  ++records;
  r = round4(track.distance);
}

void read_kept_point() {
  c = read_real(kept_file);
  h = read_real(kept_file);
  skip_line(kept_file);
  io_check();
  ++kept;
  c = round4(c);
}

// Each take answers false, reading nothing, when its file is at its end: the
// matching then ends.
bool take_record() {
  if (at_end_checked(points_file)) return false;
  read_record();
  return true;
}

bool take_kept_point() {
  if (at_end_checked(kept_file)) return false;
  read_kept_point();
  return true;
}

// The record goes to both files with two decimals; each number is made once.
void write_clean_record() {
  const FixedText tx = fixed_number(x, 2), ty = fixed_number(y, 2), tz = fixed_number(z, 2);
  write_str(clean_file, tx);
  write_char(clean_file, ' ');
  write_str(clean_file, ty);
  write_char(clean_file, ' ');
  write_str(clean_file, tz);
  end_line(clean_file);
  io_check();
  write_char(script_file, ' ');
  write_str(script_file, tx);
  write_char(script_file, ',');
  write_str(script_file, ty);
  write_char(script_file, ',');
  write_str(script_file, tz);
  end_line(script_file);
  io_check();
}

void show_counters() {
  show_count(7, 17, "Points: ", records, 7);
  show_count(7, 18, " Clear: ", kept, 7);
}

// One matching step; false when a list it had to move on was used up.
bool match_step() {
  if (c == r && h == z) {  // the record's point was left in the drawing
    write_clean_record();
    return take_record() && take_kept_point();
  }
  if (c > track.distance) return take_record();  // the record's point was deleted
  // The kept point is neither this record's point nor beyond it.
  if (h == z && std::fabs(c - r) <= 0.0001 + 1e-9) {
    // The same point: its distance was rounded to the other side of a half
    // when the script was written.
    write_clean_record();
    return take_record() && take_kept_point();
  }
  // A record at the same distance with another height: its point was deleted.
  if (c == r) return take_record();
  // A point moved or added by hand, behind the track: it is passed over.
  return take_kept_point();
}

}  // namespace

int main() {
  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Echo Record Cleaner - 2)");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  // The user was told to save Temp/Clr_Rec.Dxf; names are found without
  // regard to letter case.
  show_line("      Read   Temp/Clr_Rec.Dxf ");
  open_input(dxf_file, "Temp/Clr_Rec.dxf");
  io_check();
  // A drawing saved as binary DXF holds no text lines: nothing is written.
  if (is_binary_dxf(dxf_file))
    halt_with_message(1, "echo_clean2: Temp/Clr_Rec.dxf is a binary DXF drawing; save it as ASCII DXF");
  io_check();
  show_line("      Write  Temp/Clr_Rec.Txt ");
  create_output(kept_file, "Temp/Clr_Rec.txt");
  io_check();

  // Phase 1: the points left in the drawing.
  found = 0;
  scan_dxf_points(dxf_file, kCodes, write_kept_point);
  close_file(dxf_file);
  io_check();
  close_file(kept_file);
  io_check();

  // Phase 2: the records whose points were kept.
  end_line(con);
  end_line(con);
  io_check();
  show_line("      Read       PM/Points.txt");
  open_input(points_file, "PM/Points.txt");
  io_check();
  show_line("              Temp/Clr_Rec.txt");
  open_input(kept_file, "Temp/Clr_Rec.txt");
  io_check();
  show_line("");
  show_line("      Write    PM/PointsCl.txt");
  create_output(clean_file, "PM/PointsCl.txt");
  io_check();
  show_line("             Temp/PointsCl.scr");
  create_output(script_file, "Temp/PointsCl.scr");
  io_check();
  // A blank begins every entry: the first one ends the word "point", every
  // later one repeats the POINT command.
  write_str(script_file, "osnap off ucsicon off point");
  io_check();

  records = 0;
  kept = 0;
  // The first record's position starts the track; then the file is read
  // again from its start.
  start_track(points_file, "PM/Points.txt", track);

  // The first record and the first kept point are read without an end test:
  // an empty Temp/Clr_Rec.txt (every point deleted) stops the tool here.
  read_record();
  read_kept_point();
  // Every step moves at least one of the two lists on, so the matching ends.
  do show_counters();
  while (match_step());
  show_counters();

  close_file(points_file);
  io_check();
  close_file(kept_file);
  io_check();
  close_file(clean_file);
  io_check();
  end_line(script_file);
  io_check();
  close_file(script_file);
  io_check();

  show_at(7, 23, "Press Enter ...  ");
  wait_enter();
  io_check();
  return 0;
}
