// dxf2txt: lists the points of any ASCII DXF drawing. The user types the name
// of the drawing and of a text file; every POINT found by the line scan gets
// one line "x y z" (three decimals each) in the text file. An empty name means
// the console. The screen texts are Bulgarian, kept as Windows-1251 bytes.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "console.h"
#include "dxf_points.h"
#include "stop.h"
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

constexpr std::string_view kCodes[] = {" 10", " 20", " 30"};

TextFile dxf_file, txt_file;
std::string dxf_name, txt_name;
std::int32_t points = 0;

void list_point(std::span<const double> v) {
  write_fixed(txt_file, v[0], 0, 3);
  write_char(txt_file, ' ');
  write_fixed(txt_file, v[1], 0, 3);
  write_char(txt_file, ' ');
  write_fixed(txt_file, v[2], 0, 3);
  end_line(txt_file);
  io_check();
  ++points;
  show_count(64, 11, kPoints, points, 8);
}

}  // namespace

int main() {
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
  create_output(txt_file, txt_name);
  io_check();

  points = 0;
  scan_dxf_points(dxf_file, kCodes, list_point);

  close_file(dxf_file);
  io_check();
  close_file(txt_file);
  io_check();
  show_at(30, 18, kDone);
  read_key();
  io_check();
  return 0;
}
