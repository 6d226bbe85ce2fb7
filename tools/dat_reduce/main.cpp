// dat_reduce: copies the records of PM/Out.Dat whose height z is below 999.0
// to PM/Out.Txt (x y z with two decimals), then asks for a text height and
// writes Temp/Out.Scr, an AutoCAD script that labels every point of
// PM/Out.Txt with the whole metres of its depth and, lower and smaller
// beside them, the tenths digit. A text height of 0 ends the run before the
// script is made.
#include <cmath>
#include <string>
#include <string_view>

#include "console.h"
#include "fixed_notation.h"
#include "stop.h"
#include "text_file.h"
#include "xyz_records.h"

using namespace survey_rt;

namespace {

struct Point {
  double x = 0;
  double y = 0;
  double z = 0;
};

TextFile dat_file, txt_file, scr_file;
int kept = 0, labels = 0;
double highest = 0, lowest = 0;  // raw heights z of the points labelled so far
// The text heights as the labels write them, the same on every label: made
// once the height is known (the tenths digit is 0.7 h high on the first label,
// 0.6 h on the others).
std::string height_text, first_digit_height, digit_height;

void write_reduced(const Point& p) { write_xyz(txt_file, p.x, p.y, p.z); }

// One depth label: line A writes the whole metres right-justified at x,y in
// height h; line B, which begins with a blank and so repeats TEXT, writes the
// tenths digit at (x - h/2, y - h/10) in the digit height. The first label
// of the script switches object snaps off; every later one begins with a
// blank to repeat TEXT once more.
void write_label(const Point& p, double h, bool first) {
  // The depth to the nearest tenth, ties to the even tenth. The + 0.0 turns
  // a rounded -0 into 0, so a depth that rounds to zero is labelled 0 and
  // only a depth between -1 and 0 (a point just above the zero level) gets
  // the whole part -0.
  const double depth = (std::nearbyint(-p.z * 10.0) + 0.0) / 10.0;
  const double whole = std::trunc(depth);
  const double tenths = std::fabs(std::nearbyint((depth - whole) * 10.0));
  // Only a depth that is not finite gives no digit 0..9; it gets 0.
  const int digit = tenths <= 9.0 ? static_cast<int>(tenths) : 0;

  write_str(scr_file, first ? "osnap off text r " : " r ");
  write_fixed(scr_file, p.x, 0, 2);
  write_char(scr_file, ',');
  write_fixed(scr_file, p.y, 0, 2);
  write_char(scr_file, ' ');
  write_str(scr_file, height_text);
  write_str(scr_file, " 0 ");
  write_fixed(scr_file, whole, 0, 0);
  end_line(scr_file);

  write_char(scr_file, ' ');
  write_fixed(scr_file, p.x - 0.5 * h, 0, 2);
  write_char(scr_file, ',');
  write_fixed(scr_file, p.y - 0.1 * h, 0, 2);
  write_char(scr_file, ' ');
  write_str(scr_file, first ? first_digit_height : digit_height);
  write_str(scr_file, " 0 ");
  write_char(scr_file, ' ');
  write_int(scr_file, digit, 0);
  end_line(scr_file);
  io_check();
}

}  // namespace

int main() {
  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_at(7, 5, "  Reduce DAT file ...");
  show_at(7, 7, "  Points In  : ");
  show_at(7, 8, "  Points Out : ");

  // Phase 1: the records with a height below 999.0 go to PM/Out.Txt.
  open_input(dat_file, "PM/Out.Dat");
  io_check();
  create_output(txt_file, "PM/Out.Txt");
  io_check();
  kept = 0;
  Point p;
  do {
    read_xyz(dat_file, p.x, p.y, p.z);
    if (p.z < 999.0) {
      ++kept;
      show_count(22, 7, "", kept, 8);
      write_reduced(p);
    }
  } while (!at_end_checked(dat_file));
  close_file(dat_file);
  io_check();
  close_file(txt_file);
  io_check();

  // Phase 2: the label script for the typed text height.
  show_at(7, 11, "  Write SCR file ...");
  show_at(7, 13, "  Text Height: ");
  const double h = read_typed_real();
  if (h == 0) halt(0);
  height_text = fixed_text(h, 2);
  first_digit_height = fixed_text(0.7 * h, 3);
  digit_height = fixed_text(0.6 * h, 3);

  // The first record is read on its own for the starting extremes and the
  // first label; the file is then opened afresh, so the loop reads it again.
  open_input(txt_file, "PM/Out.Txt");
  io_check();
  read_first_xyz(txt_file, "PM/Out.Txt", p.x, p.y, p.z);
  highest = lowest = p.z;
  create_output(scr_file, "Temp/Out.Scr");
  io_check();
  show_at(7, 15, "  Points     :");
  show_at(7, 17, "  min Depth  :");
  show_at(7, 18, "  max Depth  :");
  labels = 1;
  write_label(p, h, true);
  do {
    ++labels;
    show_count(22, 15, "", labels, 8);
    read_xyz(txt_file, p.x, p.y, p.z);
    if (p.z < lowest) {
      lowest = p.z;
      goto_xy(22, 18);
      write_fixed(con, -p.z, 8, 2);
      io_check();
    }
    if (p.z > highest) {
      highest = p.z;
      goto_xy(22, 17);
      write_fixed(con, -p.z, 8, 2);
      io_check();
    }
    write_label(p, h, false);
  } while (!at_end_checked(txt_file));
  write_str(scr_file, "zoom e");
  end_line(scr_file);
  io_check();
  close_file(txt_file);
  io_check();
  close_file(scr_file);
  io_check();

  show_at(7, 22, "  Finish,   Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
