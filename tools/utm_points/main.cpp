// utm_points: projects every point of PM/La_Lo_De.txt with TM, reduces its
// depth with the survey parameters of the file's third line, and writes the
// points to PM/Points.txt and to the AutoCAD scripts Temp/Points.scr (one
// point entity a record) and Temp/3DPoly.scr (one 3D polyline through all).
//
// With --grid G (and a Helmert shift from its datum to WGS 84) the points are
// projected to that grid instead, and the grid is saved in PM/Grid.txt; a
// later run without --grid takes the grid from there. The parameter line's
// meridian and scale are then not used; its depth values are. A point
// outside the grid's sensible range stops the run, its outputs removed.
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "fixed_notation.h"
#include "grid.h"
#include "grid_text.h"
#include "platform.h"
#include "point_list.h"
#include "stop.h"
#include "survey_grid.h"
#include "text_file.h"
#include "tm.h"

using namespace survey_rt;

namespace {

constexpr std::string_view kUsage =
    "usage: utm_points [--grid G [--helmert \"DX DY DZ RX RY RZ DS\" --rotation CONVENTION]]\n"
    "  --grid G        the grid of the points, saved in PM/Grid.txt (without it: PM/Grid.txt when\n"
    "                  there is one, else the parameter line's Transverse Mercator):\n"
    "                  UTM 35N, UTM 34S, EPSG:n of the table (docs/utm_points.md),\n"
    "                  tm LON0 K0 FE FN [LAT0] [ELLIPSOID], lcc LAT1 LAT2 LAT0 LON0 FE FN [ELLIPSOID],\n"
    "                  lcc1 LAT0 LON0 K0 FE FN [ELLIPSOID]\n"
    "  --helmert \"DX DY DZ RX RY RZ DS\"  the shift from the grid's datum to WGS 84 (metres,\n"
    "                  arc-seconds, ppm)\n"
    "  --rotation CONVENTION  its rotations' convention: position-vector or coordinate-frame\n";

TextFile list_file, points_file, points_scr, poly_scr;
SurveyParameters survey;
double central_parallel = 0, false_easting = 0, false_northing = 0;
PointRecord record;
PlanePoint plane;
double reduced_depth = 0;  // a height: negative under the zero level
int points_counter = 0;

// The command line's grid (grid_given) or PM/Grid.txt's; with neither the
// parameter line's TM projects.
std::string grid_option, helmert_option, rotation_option;
bool grid_given = false, use_grid = false;
Grid grid;

void read_options(int argc, char** argv) {
  read_command_line(argc, argv, "utm_points", kUsage, {"--grid", "--helmert", "--rotation"},
                    [](std::string_view name, const std::string& value) {
                      if (name == "--grid") {
                        grid_given = true;
                        grid_option = value;
                      } else if (name == "--helmert") {
                        helmert_option = value;
                      } else {
                        rotation_option = value;
                      }
                    });
  std::string why;
  GridDefinition definition;
  if (grid_given) {
    if (!parse_shifted_grid(grid_option, helmert_option, rotation_option, definition, why))
      bad_call("utm_points", kUsage, why);
  } else if (!helmert_option.empty() || !rotation_option.empty()) {
    bad_call("utm_points", kUsage, "--helmert and --rotation go with --grid");
  } else {
    switch (read_grid_file(definition, why)) {
      case GridFile::absent: return;
      case GridFile::refused: halt_with_message(1, "utm_points: " + std::string(kGridFile) + ", " + why);
      case GridFile::read: break;
    }
  }
  grid = make_grid(definition);
  use_grid = true;
}

// A point where the grid makes no sense: the run stops with no output left.
[[noreturn, gnu::cold, gnu::noinline]] void refuse_point() {
  for (TextFile* f : {&list_file, &points_file, &points_scr, &poly_scr}) {
    close_file(*f);
    io_clear();
  }
  for (const char* path : {"PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"})
    platform::remove_file(disk_path(path));
  show_at(5, 18, "Stopped: a point outside the grid, nothing written.");
  halt_with_message(1, "utm_points: point " + std::to_string(points_counter + 1) + " (latitude " +
                           fixed_text(record.latitude, 8) + ", longitude " + fixed_text(record.longitude, 8) +
                           ") lies outside the sensible range of the grid " + grid.definition.name + ": " +
                           grid_range_text(grid) + "; no output written");
}

// Writes a label at the cursor and the value after it.
void show_value(const char* label, double value, int w, int d) {
  TextFile& con = console_output();
  write_str(con, label);
  write_fixed(con, value, w, d);
  io_check();
}

// The point's place in the grid; a point outside its range stops the run.
[[gnu::noinline]] PlanePoint grid_point() {
  if (!in_grid_range(grid, record.latitude, record.longitude)) refuse_point();
  const GridXY xy = grid_forward(grid, record.latitude, record.longitude);
  return {xy.x, xy.y};
}

// Reads the next point, projects it and reduces its depth:
// zero level - (depth scale * depth + antenna depth - constant tide).
void read_and_project() {
  record = read_point(list_file);
  io_check();
  plane = use_grid ? grid_point()
                   : TM(record.latitude, record.longitude, survey.meridian, survey.scale_projection, false_easting,
                        false_northing);
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

// The projection rows: the parameter line's TM, or the grid in its words.
void show_projection() {
  if (!use_grid) {
    goto_xy(5, 7);
    show_value(" UTM -  Central parallel :", central_parallel, 3, 0);
    show_value("      Scale :", survey.scale_projection, 7, 4);
    goto_xy(5, 8);
    show_value("        Central meridian :", survey.meridian, 3, 0);
    show_value("    False E :", false_easting, 11, 2);
    goto_xy(5, 9);
    show_value("                                 False N :", false_northing, 11, 2);
    return;
  }
  const std::vector<std::string> lines = grid_lines(grid.definition);
  // Rows 7 to 10; the datum shift's on row 13, under the file names.
  for (std::size_t i = 0; i < lines.size(); ++i)
    show_at(5, i < 4 ? 7 + static_cast<int>(i) : 13, std::string_view(lines[i]).substr(0, 75));
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
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
  chain_false_origin(survey.meridian, survey.scale_projection, false_easting, false_northing);

  show_at(3, 2, "Survey conditions:");
  goto_xy(5, 3);
  show_value("Constant tide : ", survey.tide, 5, 2);
  show_value("    Depths Scale : ", survey.scale_depth, 11, 7);
  goto_xy(5, 4);
  show_value(" Antena depth : ", survey.ant_depth, 5, 2);
  show_value("    Zero Level   : ", survey.zero_level, 6, 2);
  show_at(3, 6, "Projection parameters:");
  show_projection();
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
  if (grid_given) {
    write_grid_file(grid.definition);
    io_check();
  }
  show_at(5, 18, "Press Enter .. ");
  wait_enter();
  io_check();
  return 0;
}
