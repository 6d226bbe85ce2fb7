// scr2dxf: draws what a script of the survey tools draws in the CAD program
// (Temp/Points.scr, Temp/3DPoly.scr, Temp/Echo_Rec.scr, Temp/PointsCl.scr,
// Temp/Out.Scr) as an ASCII DXF drawing in the R12 layout, which any CAD
// program opens and which echo_clean2 and dxf2txt read back. The script and
// the drawing are named at two prompts, or as two arguments.
//
// The script is read as the CAD program reads it: a blank or a line end acts
// as Enter and hands over what was typed before it, and an Enter with nothing
// typed at the command prompt repeats the last command. The commands:
//   point    one POINT for the point answered (x,y or x,y,z; z 0 when left out)
//   3DPoly   one 3D polyline through the vertices answered, up to an empty answer
//   text     an optional "r" (right-justified at the point, else starting at
//            it), a point, the height, the rotation, then the rest of the line
//            as the text: one TEXT
//   osnap off, ucsicon off, zoom e: nothing in the drawing.
// Anything else stops the tool with the script's name and line number before
// the drawing is made. The drawing is written under a temporary name beside
// its own and renamed into place only when complete, so no half drawing is
// ever left under the name given.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ascii_case.h"
#include "console.h"
#include "dxf_drawing.h"
#include "platform.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

// Exit status of a script line that is not understood (and of a wrong call).
constexpr int kNotUnderstood = 1;

enum class Kind : std::uint8_t { point, polyline, text };

struct Entity {
  Kind kind = Kind::point;
  std::vector<DxfPoint> at;  // the point, the polyline's vertices, the text's point
  double height = 0;         // text only, from here on
  double rotation = 0;       // degrees
  bool right = false;        // right-justified at the point, else starting at it
  std::string text;
};

enum class Command : std::uint8_t { none, osnap, ucsicon, zoom, point, poly, text };

TextFile script_file, dxf_file;
std::string script_name, dxf_name;
std::vector<Entity> drawing;
std::int32_t points = 0, polylines = 0, texts = 0;

// The script line being read and the place in it.
std::string line;
std::size_t column = 0;
bool line_done = true;  // its line end was handed over: the next answer starts a new line
std::int32_t line_no = 0;
std::int32_t answer_line = 0;  // the line of the last answer, for the messages

// The unfinished drawing, removed when the tool stops before it is complete
// (a failed write, a drawing that cannot be put in place).
std::string part_path;

void remove_part() { platform::remove_file(part_path); }

[[noreturn]] void stop(int code, const std::string& message) { halt_with_message(code, "scr2dxf: " + message); }

[[noreturn]] void not_understood(std::string_view expected, std::string_view answer) {
  show_at(7, 16, "Stopped: line ");
  write_int(console_output(), answer_line);
  write_str(console_output(), " of the script is not understood.");
  show_line("");  // the message on the standard error follows on the next row
  stop(kNotUnderstood, script_name + ", line " + std::to_string(answer_line) + ": " +
                           std::string(expected) + " expected, found \"" + std::string(answer) + "\"");
}

// -- reading the script

// The next answer, handed over by the blank or the line end after it (with
// whole_line, only by the line end: the text of a TEXT command). False at the
// end of the script.
bool next_answer(std::string& answer, bool whole_line = false) {
  if (line_done) {
    if (at_end_checked(script_file)) return false;
    line = read_line(script_file);
    skip_line(script_file);
    io_check();
    ++line_no;
    show_count(7, 10, "Script lines : ", line_no, 8);
    column = 0;
    line_done = false;
  }
  answer_line = line_no;
  // The runtime reads at most 255 characters of a line.
  if (line.size() >= 255) not_understood("a line shorter than 255 characters", line.substr(0, 20) + "...");
  std::size_t end = whole_line ? std::string::npos : line.find(' ', column);
  if (end == std::string::npos) {
    end = line.size();
    line_done = true;
  }
  answer = line.substr(column, end - column);
  column = end + 1;
  return true;
}

bool parse_number(std::string_view text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
}

// "x,y" or "x,y,z", no blanks; z is 0 when left out.
bool parse_point(std::string_view text, DxfPoint& p) {
  double v[3] = {0, 0, 0};
  int n = 0;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (n == 3 || !parse_number(text.substr(0, comma), v[n])) return false;
    ++n;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (n < 2) return false;
  p = {v[0], v[1], v[2]};
  return true;
}

// Each reader below takes the answers of one command; false when the
// script ends before the command is complete.
bool take_word(std::string_view word) {
  std::string a;
  if (!next_answer(a)) return false;
  if (!equal_nocase(a, word)) not_understood("\"" + std::string(word) + "\"", a);
  return true;
}

bool take_point(DxfPoint& p) {
  std::string a;
  if (!next_answer(a)) return false;
  if (!parse_point(a, p)) not_understood("a point x,y or x,y,z", a);
  return true;
}

void add(Entity e) {
  switch (e.kind) {
    case Kind::point: show_count(7, 11, "Points       : ", ++points, 8); break;
    case Kind::polyline: show_count(7, 12, "Polylines    : ", ++polylines, 8); break;
    case Kind::text: show_count(7, 13, "Texts        : ", ++texts, 8); break;
  }
  drawing.push_back(std::move(e));
}

bool draw_point() {
  Entity e;
  e.at.resize(1);
  if (!take_point(e.at[0])) return false;
  add(std::move(e));
  return true;
}

// The vertices up to an empty answer. The CAD program makes no polyline of
// fewer than two vertices; one that the script leaves open at its end is
// drawn as far as it goes.
bool draw_polyline() {
  Entity e;
  e.kind = Kind::polyline;
  std::string a;
  bool more = true;
  for (;;) {
    more = next_answer(a);
    if (!more || a.empty()) break;
    DxfPoint p;
    if (!parse_point(a, p)) not_understood("a vertex x,y or x,y,z or an empty line", a);
    e.at.push_back(p);
  }
  if (e.at.size() >= 2) add(std::move(e));
  return more;
}

bool draw_text() {
  Entity e;
  e.kind = Kind::text;
  e.at.resize(1);
  std::string a;
  if (!next_answer(a)) return false;
  if (equal_nocase(a, "r")) {
    e.right = true;
    if (!take_point(e.at[0])) return false;
  } else if (!parse_point(a, e.at[0])) {
    not_understood("\"r\" or a start point x,y", a);
  }
  if (!next_answer(a)) return false;
  if (!parse_number(a, e.height) || e.height <= 0) not_understood("a text height above 0", a);
  if (!next_answer(a)) return false;
  if (!parse_number(a, e.rotation)) not_understood("a rotation angle", a);
  if (!next_answer(e.text, true)) return false;
  // An empty text ends the command without a text, as in the CAD program.
  if (!e.text.empty()) add(std::move(e));
  return true;
}

Command command_of(const std::string& word) {
  if (equal_nocase(word, "point")) return Command::point;
  if (equal_nocase(word, "3dpoly")) return Command::poly;
  if (equal_nocase(word, "text")) return Command::text;
  if (equal_nocase(word, "osnap")) return Command::osnap;
  if (equal_nocase(word, "ucsicon")) return Command::ucsicon;
  if (equal_nocase(word, "zoom")) return Command::zoom;
  not_understood("a command (point, 3DPoly, text, osnap off, ucsicon off, zoom e)", word);
}

void read_script() {
  Command last = Command::none;
  std::string a;
  bool more = next_answer(a);
  while (more) {
    // An empty answer at the command prompt repeats the last command.
    if (!a.empty()) last = command_of(a);
    switch (last) {
      case Command::none: break;
      case Command::osnap:
      case Command::ucsicon: more = take_word("off"); break;
      case Command::zoom: more = take_word("e"); break;
      case Command::point: more = draw_point(); break;
      case Command::poly: more = draw_polyline(); break;
      case Command::text: more = draw_text(); break;
    }
    if (more) more = next_answer(a);
  }
}

// -- writing the drawing

void write_entity(const Entity& e) {
  switch (e.kind) {
    case Kind::point: dxf_point(dxf_file, e.at[0]); break;
    case Kind::polyline: dxf_polyline(dxf_file, e.at); break;
    case Kind::text: dxf_text(dxf_file, e.at[0], e.height, e.rotation, e.right, e.text); break;
  }
}

void write_drawing() {
  DxfExtents extents;
  for (const Entity& e : drawing)
    for (const DxfPoint& p : e.at) extents.add(p);
  dxf_begin(dxf_file, extents);
  for (const Entity& e : drawing) write_entity(e);
  dxf_end(dxf_file);
}

std::string read_name(int y) {
  goto_xy(25, y);
  io_check();
  return read_typed_line();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 1 && argc != 3) stop(kNotUnderstood, "usage: scr2dxf [SCRIPT DRAWING]");

  clear_screen();
  show_line("");
  show_line("");
  show_line("      Script to DXF drawing");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~");
  show_at(7, 6, "Script  (*.scr) : ");
  show_at(7, 7, "Drawing (*.dxf) : ");
  if (argc == 3) {
    script_name = argv[1];
    dxf_name = argv[2];
    show_at(25, 6, script_name);
    show_at(25, 7, dxf_name);
  } else {
    script_name = read_name(6);
    if (!script_name.empty()) dxf_name = read_name(7);
  }
  if (script_name.empty() || dxf_name.empty()) {
    show_at(7, 16, "No file name given: nothing done.");
    show_line("");
    stop(kNotUnderstood, "no file name given");
  }

  open_input(script_file, script_name);
  io_check();
  read_script();
  close_file(script_file);
  io_check();

  // The drawing goes to NAME.part beside NAME first, then takes NAME's place:
  // the place of the file that a later open of NAME reads, when names that
  // differ only in case are there.
  const std::string target = disk_path(dxf_name);
  part_path = disk_path(target + ".part");
  create_output(dxf_file, part_path);
  io_check();
  on_stop(remove_part);
  write_drawing();
  close_file(dxf_file);
  io_check();
  if (const std::uint16_t err = platform::replace_file(part_path, target))
    stop(err, "cannot put the drawing in place as " + dxf_name + ": " + error_text(err));
  on_stop(nullptr);

  show_at(7, 16, "Written  ");
  write_str(console_output(), dxf_name);
  io_check();
  show_at(7, 19, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
