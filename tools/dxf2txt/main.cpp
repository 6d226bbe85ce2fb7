// dxf2txt: lists the points of any ASCII DXF drawing. The user types the name
// of the drawing and of a text file; every POINT found by the line scan gets
// one line "x y z" (three decimals each) in the text file. An empty name means
// the console. The screen texts are Bulgarian, kept as Windows-1251 bytes.
// With --survey (or any option of that mode) the drawing is read as a DXF
// reader reads it, and the heights a surveyor takes from it are listed
// (survey_reader.h).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "console.h"
#include "dxf_points.h"
#include "stop.h"
#include "survey_reader.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

// "Чете от  *.DXF  файл ? :" (reads from the DXF file)
constexpr std::string_view kAskDxf = "\xD7\xE5\xF2\xE5 \xEE\xF2  *.DXF  \xF4\xE0\xE9\xEB ? :";
// "Пише  в  *.TXT  Файл ? :" (writes to the TXT file)
constexpr std::string_view kAskTxt = "\xCF\xE8\xF8\xE5  \xE2  *.TXT  \xD4\xE0\xE9\xEB ? :";
// " HЕ НАМИРА ФАЙЛ " (file not found; the first letter is the Latin H)
constexpr std::string_view kNotFound = " H\xC5 \xCD\xC0\xCC\xC8\xD0\xC0 \xD4\xC0\xC9\xCB ";
// "т. " (points)
constexpr std::string_view kPoints = "\xF2. ";
// "Регистъра е завършен.  " (the list is complete)
constexpr std::string_view kDone = "\xD0\xE5\xE3\xE8\xF1\xF2\xFA\xF0\xE0 \xE5 \xE7\xE0\xE2\xFA\xF0\xF8\xE5\xED.  ";

// "ДВОИЧЕН DXF: ЗАПИШЕТЕ ЧЕРТЕЖА КАТО ASCII DXF" (binary DXF: save the drawing as ASCII DXF)
constexpr std::string_view kBinary =
    "\xC4\xC2\xCE\xC8\xD7\xC5\xCD DXF: \xC7\xC0\xCF\xC8\xD8\xC5\xD2\xC5 \xD7\xC5\xD0\xD2\xC5\xC6\xC0 "
    "\xCA\xC0\xD2\xCE ASCII DXF";
// What --survey took of each kind: "точки (POINT)", "коти (TEXT, MTEXT)",
// "блокове (INSERT)", "върхове на линии" (points, spot heights, blocks, line
// vertices); and what it passed over: "пропуснати: лист" (passed over: paper
// space), Defpoints, "размери" (dimensions), "неизползвани блокове" (unused
// blocks), "други слоеве" (other layers).
constexpr std::string_view kTaken[] = {"\xF2\xEE\xF7\xEA\xE8 (POINT)     ", "\xEA\xEE\xF2\xE8 (TEXT, MTEXT)",
                                       "\xE1\xEB\xEE\xEA\xEE\xE2\xE5 (INSERT)  ",
                                       "\xE2\xFA\xF0\xF5\xEE\xE2\xE5 \xED\xE0 \xEB\xE8\xED\xE8\xE8  "};
constexpr std::string_view kPassed[] = {
    "\xEF\xF0\xEE\xEF\xF3\xF1\xED\xE0\xF2\xE8: \xEB\xE8\xF1\xF2        ", "            Defpoints   ",
    "            \xF0\xE0\xE7\xEC\xE5\xF0\xE8     ",
    "    \xED\xE5\xE8\xE7\xEF\xEE\xEB\xE7\xE2\xE0\xED\xE8 \xE1\xEB\xEE\xEA\xEE\xE2\xE5",
    "            \xE4\xF0\xF3\xE3\xE8 \xF1\xEB\xEE\xE5\xE2\xE5"};

constexpr std::string_view kUsage =
    "usage: dxf2txt [--survey] [--labels] [--inserts] [--lines] [--layer NAME]... [--with-layer]";

constexpr std::string_view kCodes[] = {" 10", " 20", " 30"};

TextFile dxf_file, txt_file;
std::string dxf_name, txt_name;
std::int32_t points = 0;
bool survey = false, with_layer = false;
dxf_survey::Options options;
dxf_survey::Drawing drawing;

void list_xyz(double x, double y, double z) {
  write_fixed(txt_file, x, 0, 3);
  write_char(txt_file, ' ');
  write_fixed(txt_file, y, 0, 3);
  write_char(txt_file, ' ');
  write_fixed(txt_file, z, 0, 3);
}

void count_point() {
  ++points;
  show_count(64, 11, kPoints, points, 8);
}

void list_point(std::span<const double> v) {
  list_xyz(v[0], v[1], v[2]);
  end_line(txt_file);
  io_check();
  count_point();
}

void list_survey_item(dxf_survey::Kind, const dxf_survey::Vec3& p, std::string_view layer) {
  list_xyz(p.x, p.y, p.z);
  if (with_layer) {
    write_char(txt_file, ' ');
    write_str(txt_file, layer);
  }
  end_line(txt_file);
  io_check();
  count_point();
}

// Rows 13 to 17: what --survey took of each kind, and what it passed over.
void show_survey_counts() {
  const dxf_survey::Counts& c = drawing.counts;
  for (int i = 0; i < 4; ++i) show_count(7, 13 + i, kTaken[i], c.taken[i], 8);
  const std::int32_t passed[] = {c.paper_space, c.defpoints, c.dimensions, c.unreferenced_blocks, c.other_layers};
  for (int i = 0; i < 5; ++i) show_count(40, 13 + i, kPassed[i], passed[i], 8);
}

// A binary DXF drawing stops the tool before the text file is created.
void refuse_binary_drawing() {
  const bool binary = is_binary_dxf(dxf_file);
  io_check();
  if (!binary) return;
  show_at(28, 23, kBinary);
  halt_with_message(1, "dxf2txt: " + (dxf_name.empty() ? std::string("the console") : dxf_name) +
                           " is a binary DXF drawing; save it as ASCII DXF");
}

// --survey, --labels, --inserts, --lines, --with-layer and --layer NAME (any
// number of them), in any order; each implies --survey. Anything else stops.
void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--layer") {
      if (++i == argc) halt_with_message(1, "dxf2txt: --layer: a layer name expected\n" + std::string(kUsage));
      options.layers.emplace_back(argv[i]);
    } else if (name == "--labels") {
      options.labels = true;
    } else if (name == "--inserts") {
      options.inserts = true;
    } else if (name == "--lines") {
      options.lines = true;
    } else if (name == "--with-layer") {
      with_layer = true;
    } else if (name != "--survey") {
      halt_with_message(1, "dxf2txt: unknown option \"" + std::string(name) + "\"\n" + std::string(kUsage));
    }
    survey = true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
  TextFile& con = console_output();
  clear_screen();
  show_at(7, 9, kAskDxf);
  show_at(7, 11, kAskTxt);

  goto_xy(33, 9);
  dxf_name = read_typed_line();
  // An empty name opens the console as the drawing.
  open_input(dxf_file, dxf_name);
  if (io_result() != 0) {
    goto_xy(28, 23);
    write_str(con, kNotFound);
    write_str(con, dxf_name);
    io_check();
    read_key();
    halt(0);
  }

  goto_xy(33, 11);
  txt_name = read_typed_line();
  // Nothing is written for a binary drawing, nor for one whose blocks insert
  // themselves (read_survey_blocks stops).
  refuse_binary_drawing();
  if (survey) read_survey_blocks(dxf_file, options, drawing);
  create_output(txt_file, txt_name);
  io_check();

  points = 0;
  if (survey) {
    read_survey_entities(dxf_file, options, drawing, list_survey_item);
    show_survey_counts();
  } else {
    scan_dxf_points(dxf_file, kCodes, list_point);
  }

  close_file(dxf_file);
  io_check();
  close_file(txt_file);
  io_check();
  show_at(30, 18, kDone);
  read_key();
  io_check();
  return 0;
}
