// echo_clean1: draws the echo record of PM/Points.txt as a profile for cleaning
// by hand in the CAD program. Temp/Echo_Rec.scr puts one point per record at
// the distance travelled along the track (drawing X) and the record's height z
// (drawing Y); the user deletes the wrong points and saves the drawing as
// Temp/Clr_Rec.Dxf, which echo_clean2 reads back.
#include <cstdint>

#include "console.h"
#include "stop.h"
#include "text_file.h"
#include "track_records.h"

using namespace survey_rt;

namespace {

TextFile points_file, script_file;
double x = 0, y = 0, z = 0;  // the current record
Track track;                 // along which it lies
std::int32_t records = 0;

}  // namespace

int main() {
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Echo Record Cleaner - 1)");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read     PM/Points.Txt  ");
  open_input(points_file, "PM/Points.txt");
  io_check();
  show_line("      Write  Temp/Echo_Rec.Scr");
  create_output(script_file, "Temp/Echo_Rec.scr");
  io_check();

  // The first record's position starts the track, so its step is 0; then the
  // file is read again from its start.
  records = 0;
  start_track(points_file, "PM/Points.txt", track);

  write_str(script_file, "ucsicon off osnap off point");
  io_check();
  // PM/Points.txt has no line end after its last record, so reading that
  // record brings the file to its end. A blank begins every entry: the first
  // one ends the word "point", every later one repeats the POINT command.
  do {
    ++records;
    show_count(7, 10, "Points: ", records, 8);
    read_track_xyz(points_file, track, x, y, z);
    write_char(script_file, ' ');
    write_fixed(script_file, track.distance, 0, 4);
    write_char(script_file, ',');
    write_fixed(script_file, z, 0, 2);
    end_line(script_file);
    io_check();
  } while (!at_end_checked(points_file));
  write_str(script_file, "zoom e");
  end_line(script_file);
  io_check();

  close_file(points_file);
  io_check();
  close_file(script_file);
  io_check();

  show_at(7, 13, "Start AutoCAD end Run Script  \"Temp/Echo_Rec.scr\"");
  show_at(7, 14, "Clean wrong points and save drawing as \"Temp/Clr_Rec.Dxf\" ...  ");
  wait_enter();
  io_check();
  return 0;
}
