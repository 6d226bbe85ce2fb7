// utm_points: projects every point of PM/La_Lo_De.txt with TM, reduces its
// depth with the survey parameters of the file's third line, and writes the
// points to PM/Points.txt and to the AutoCAD scripts Temp/Points.scr (one
// point entity a record) and Temp/3DPoly.scr (one 3D polyline through all).
#include "console.h"
#include "point_list.h"
#include "stop.h"
#include "text_file.h"
#include "tm.h"

using namespace survey_rt;

namespace {

TextFile list_file, points_file, points_scr, poly_scr;
SurveyParameters survey;
double central_parallel = 0, false_easting = 0, false_northing = 0;
PointRecord record;
PlanePoint plane;
double reduced_depth = 0;  // a height: negative under the zero level
int points_counter = 0;

// Writes a label at the cursor and the value after it.
void show_value(const char* label, double value, int w, int d) {
  TextFile& con = console_output();
  write_str(con, label);
  write_fixed(con, value, w, d);
  io_check();
}

// Reads the next point, projects it and reduces its depth:
// zero level - (depth scale * depth + antenna depth - constant tide).
void read_and_project() {
  record = read_point(list_file);
  io_check();
  plane = TM(record.latitude, record.longitude, survey.meridian, survey.scale_projection,
             false_easting, false_northing);
  double t = survey.scale_depth * record.depth;
  t = t + survey.ant_depth;
  t = t - survey.tide;
  reduced_depth = survey.zero_level - t;
}

// A field of PM/Points.txt after the first: right-aligned in w with two
// decimals; a value whose text fills the field gets one blank in front, so
// that it stays apart from the value before it. That is one blank, then the
// value right-aligned in the rest of the field.
void write_field(TextFile& f, double value, int w) {
  write_char(f, ' ');
  write_fixed(f, value, w - 1, 2);
}

// easting,northing,depth as narrow as the values allow.
void write_script_point(TextFile& f) {
  write_fixed(f, plane.easting, 0, 2);
  write_char(f, ',');
  write_fixed(f, plane.northing, 0, 2);
  write_char(f, ',');
  write_fixed(f, reduced_depth, 0, 2);
  end_line(f);
}

// The point to the three outputs; its Points.txt record has no line end.
void write_point_out() {
  write_fixed(points_file, plane.easting, 12, 2);
  write_field(points_file, plane.northing, 12);
  write_field(points_file, reduced_depth, 8);
  io_check();
  write_char(points_scr, ' ');
  write_script_point(points_scr);
  io_check();
  write_script_point(poly_scr);
  io_check();
}

}  // namespace

int main() {
  clear_screen();
  open_input(list_file, "PM/La_Lo_De.txt");
  io_check();
  create_output(points_file, "PM/Points.txt");
  io_check();
  create_output(points_scr, "Temp/Points.scr");
  io_check();
  write_str(points_scr, "osnap off point");
  io_check();
  create_output(poly_scr, "Temp/3DPoly.scr");
  io_check();
  write_str(poly_scr, "osnap off 3DPoly ");
  io_check();

  survey = read_point_list_header(list_file);
  io_check();

  // False easting and northing of the two projections in use; 0 otherwise.
  central_parallel = 0;
  false_easting = 0;
  false_northing = 0;
  if (survey.scale_projection == 1.0) {
    if (survey.meridian == 27.0) {
      false_easting = 9500113.804;
      false_northing = 122.463;
    } else if (survey.meridian == 24.0) {
      false_easting = -999995.235;
      false_northing = 0.698;
    }
  }

  show_at(3, 2, "Survey conditions:");
  goto_xy(5, 3);
  show_value("Constant tide : ", survey.tide, 5, 2);
  show_value("    Depths Scale : ", survey.scale_depth, 11, 7);
  goto_xy(5, 4);
  show_value(" Antena depth : ", survey.ant_depth, 5, 2);
  show_value("    Zero Level   : ", survey.zero_level, 6, 2);
  show_at(3, 6, "Projection parameters:");
  goto_xy(5, 7);
  show_value(" UTM -  Central parallel :", central_parallel, 3, 0);
  show_value("      Scale :", survey.scale_projection, 7, 4);
  goto_xy(5, 8);
  show_value("        Central meridian :", survey.meridian, 3, 0);
  show_value("    False E :", false_easting, 11, 2);
  goto_xy(5, 9);
  show_value("                                 False N :", false_northing, 11, 2);
  show_at(5, 11, "Read  data from file :  PM/La_Lo_De.txt");
  show_at(5, 12, "Write data to   file :  PM/Points.txt, Temp/Points.scr, 3DPoly.scr");
  show_at(5, 15, "      Points counter :");

  // The first point is read with no end test; the file always holds one.
  read_and_project();
  write_point_out();
  points_counter = 1;

  while (!at_end_checked(list_file)) {
    read_and_project();
    end_line(points_file);  // closes the previous record's line
    io_check();
    write_point_out();
    ++points_counter;
    show_count(28, 15, "", points_counter, 8);
  }

  close_file(list_file);
  io_check();
  close_file(points_file);
  io_check();
  write_str(points_scr, "zoom e");
  end_line(points_scr);
  close_file(points_scr);
  io_check();
  end_line(poly_scr);  // the empty line that ends the polyline
  write_str(poly_scr, "zoom e");
  end_line(poly_scr);
  close_file(poly_scr);
  io_check();
  show_at(5, 18, "Press Enter .. ");
  wait_enter();
  io_check();
  return 0;
}
