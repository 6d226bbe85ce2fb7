// survey_soundings: the soundings of a chart at its scale. Drawn all at once,
// the depths of a single-beam survey (a record every few decimetres along each
// line) pile on each other; a chart keeps the shallowest depths and drops the
// soundings whose label would overlap a kept one, and never hides a shoaler
// depth behind a deeper one (shoal-biased selection).
//
//   survey_soundings [--points FILE] [--scale N] [--height H] [--spacing S]
//
// The labels, their boxes and the selection are the soundings library's
// (soundings/selection.h): a sounding is kept when
// its label, grown by the spacing, overlaps no label of a shallower sounding
// kept before it.
//
// Outputs, the kept soundings in file order:
//   PM/Soundings.txt    x y z, two decimals
//   Temp/Soundings.dxf  each label as two TEXTs on the layer SOUNDINGS
//   Temp/Soundings.scr  the same labels as an AutoCAD script, as dat_reduce
//                       writes its labels
//   Temp/Soundings.svg  the sheet at its scale: 1 mm of paper is 1 mm of the
//                       picture
//   Temp/Soundings.geojson  the soundings as points in WGS 84 for GIS, where
//                       the survey's grid is known
// The outputs of an earlier run are removed before the soundings are read,
// and the new ones take their names only once all are written
// (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "geojson.h"
#include "input_option.h"
#include "number_grammar.h"
#include "run_outputs.h"
#include "selection.h"
#include "stop.h"
#include "survey_grid.h"
#include "svg.h"
#include "text_file.h"
#include "write_output.h"
#include "xyz_records.h"

using namespace survey_rt;
using soundings::Box;
using soundings::kDigitDrop;
using soundings::kDigitHeight;
using soundings::Label;
using soundings::Sounding;

namespace {

constexpr int kBadCall = 1;  // exit status of a wrong call or a sounding that cannot be drawn
constexpr double kMarginMm = 10;  // paper around the labels on the sheet

constexpr std::string_view kUsage =
    "usage: survey_soundings [--points FILE] [--scale N] [--height H] [--spacing S]\n"
    "  --points FILE  the soundings, x y z a line (without it PM/PointsCl.txt)\n"
    "  --scale N      the sheet at 1:N (without it 1000)\n"
    "  --height H     the text height on paper, mm (without it 2.0)\n"
    "  --spacing S    clear paper between two labels, mm (without it 0.5)\n";

std::string points_path = "PM/PointsCl.txt";
std::string points_shown = points_path;  // its name on the screen
double scale = 1000, height_mm = 2.0, spacing_mm = 0.5;

TextFile points_file, list_file, dxf_file, scr_file, svg_file;
soundings::SoundingList list;
std::vector<Sounding> chosen;  // the kept soundings, in file order
soundings::Measures m;
std::int32_t records = 0;

[[noreturn]] void bad_call(const std::string& why) { survey_rt::bad_call("survey_soundings", kUsage, why); }

void read_options(int argc, char** argv) {
  const auto on_option = [](std::string_view name, const std::string& value) {
    if (name == "--points") {
      if (value.empty()) bad_call("--points wants a file name");
      const InputOption points = points_option("survey_soundings", kUsage, name, value);
      points_path = points.path;
      points_shown = shown_name(points);
      return;
    }
    double& v = name == "--scale" ? scale : name == "--height" ? height_mm : spacing_mm;
    const bool spacing = name == "--spacing";
    if (!parse_real(value, v) || !std::isfinite(v) || v < 0 || (!spacing && v == 0))
      bad_call(std::string(name) + " wants a " + (spacing ? "number of 0 or more" : "positive number") +
               ", not \"" + value + "\"");
  };
  read_command_line(argc, argv, "survey_soundings", kUsage, {"--points", "--scale", "--height", "--spacing"}, on_option);
}

// A number of the options as the surveyor wrote it: 1000, 2.5.
std::string plain(double v) {
  const std::string text = dxf_real(v);
  return text.ends_with(".0") ? text.substr(0, text.size() - 2) : text;
}

[[noreturn]] void stop(const std::string& why) {
  show_at(7, 19, "Stopped: a sounding that cannot be drawn.");
  show_line("");  // the message on the standard error follows on the next row
  halt_with_message(kBadCall, "survey_soundings: " + why);
}

void read_soundings() {
  const soundings::ReadEnd end = soundings::read_soundings(points_file, list, [](std::int32_t count) {
    show_count(7, 13, "Soundings : ", count, 8);
  });
  records = list.count;
  if (end.too_many) stop(points_path + ": too many soundings");
  if (end.record != 0)
    stop(points_path + ", record " + std::to_string(end.record) + ": a position or height that is not a finite number");
}

void select() {
  chosen = soundings::select(list, m, [](std::int32_t kept) { show_count(7, 14, "Kept      : ", kept, 8); });
}

void write_list(const Sounding& s) { write_xyz(list_file, s.x, s.y, s.z); }

// The label's two lines of the script, as dat_reduce writes its labels: line
// A writes the whole metres right-justified, line B (a blank first, which
// repeats TEXT) the digit; the first label switches object snaps off, every
// later one begins with a blank that repeats TEXT once more.
void write_script_label(const Label& l, bool first, const std::string& height, const std::string& digit_height) {
  write_str(scr_file, first ? "osnap off text r " : " r ");
  write_fixed(scr_file, l.right, 0, 2);
  write_char(scr_file, ',');
  write_fixed(scr_file, l.foot, 0, 2);
  write_char(scr_file, ' ');
  write_str(scr_file, height);
  write_str(scr_file, " 0 ");
  write_str(scr_file, l.whole);
  end_line(scr_file);
  write_char(scr_file, ' ');
  write_fixed(scr_file, l.right, 0, 2);
  write_char(scr_file, ',');
  write_fixed(scr_file, l.foot - kDigitDrop * m.h, 0, 2);
  write_char(scr_file, ' ');
  write_str(scr_file, digit_height);
  write_str(scr_file, " 0 ");
  write_str(scr_file, l.digit);
  end_line(scr_file);
  io_check();
}

// The sheet: paper millimetres from the top left corner, north up.
struct Sheet {
  double west = 0, north = 0;  // the ground at the labels' top left corner
  double width = 0, height = 0;
  double mm(double metres) const { return metres / scale * 1000; }
  double u(double x) const { return kMarginMm + mm(x - west); }
  double v(double y) const { return kMarginMm + mm(north - y); }
};

Sheet sheet_of() {
  Sheet sh;
  if (chosen.empty()) {
    sh.width = sh.height = 100;
    return sh;
  }
  double east = 0, south = 0;
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const Box b = soundings::box_of(m, chosen[k]);
    sh.west = k == 0 ? b.x0 : std::min(sh.west, b.x0);
    east = k == 0 ? b.x1 : std::max(east, b.x1);
    south = k == 0 ? b.y0 : std::min(south, b.y0);
    sh.north = k == 0 ? b.y1 : std::max(sh.north, b.y1);
  }
  sh.width = std::max(100.0, sh.mm(east - sh.west) + 2 * kMarginMm);
  sh.height = sh.mm(sh.north - south) + 2 * kMarginMm + 40;  // the title and scale bar below
  return sh;
}

void write_svg_label(const Sheet& sh, const Label& l, const std::string& attrs, const std::string& digit_attrs) {
  const std::string_view whole = std::string_view(l.whole).substr(l.drying ? 3 : 0);
  const std::string_view digit = std::string_view(l.digit).substr(l.drying ? 3 : 0);
  svg_text(svg_file, sh.u(l.right), sh.v(l.foot), attrs, whole);
  svg_text(svg_file, sh.u(l.right), sh.v(l.foot - kDigitDrop * m.h), digit_attrs, digit);
}

// The title, the scale bar and the north arrow under the labels, drawn in
// the picture units of survey_rt's pictures at a fifth of a millimetre each.
void write_sheet_foot(const Sheet& sh) {
  const double top = sh.height - 40 + 6;
  svg_text(svg_file, kMarginMm, top + 4, "font-size=\"3.5\"",
           "Soundings 1:" + plain(scale) + ", " + std::to_string(chosen.size()) + " of " +
               std::to_string(records));
  write_str(svg_file, "<g transform=\"translate(" + fixed_text(kMarginMm, 1) + " " + fixed_text(top + 10, 1) +
                          ") scale(0.2)\" font-size=\"12\">");
  end_line(svg_file);
  write_scale_bar(svg_file, 0, 0, 0.2 * scale / 1000);
  write_north_arrow(svg_file, 320, 0);
  write_str(svg_file, "</g>");
  end_line(svg_file);
  io_check();
}

void write_outputs() {
  const std::string height = fixed_text(m.h, 2), digit_height = fixed_text(kDigitHeight * m.h, 2);
  const std::string paper = fixed_text(height_mm, 2), digit_paper = fixed_text(kDigitHeight * height_mm, 2);
  const std::string attrs = "font-size=\"" + paper + "\" text-anchor=\"end\"";
  const std::string digit_attrs = "font-size=\"" + digit_paper + "\"";
  const std::string under = " text-decoration=\"underline\"";

  DxfExtents extents;
  std::vector<Label> labels;
  labels.reserve(chosen.size());
  for (const Sounding& s : chosen) {
    labels.push_back(soundings::label_of(m, s));
    extents.add({labels.back().right, labels.back().foot, 0});
    extents.add({labels.back().right, labels.back().foot - kDigitDrop * m.h, 0});
  }
  const DxfLayer layers[] = {{"0", 7}, {"SOUNDINGS", 7}};
  dxf_begin(dxf_file, extents, layers);
  const Sheet sh = sheet_of();
  svg_begin_mm(svg_file, sh.width, sh.height);
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const Label& l = labels[k];
    write_list(chosen[k]);
    soundings::write_dxf_label(dxf_file, m, l);
    write_script_label(l, k == 0, height, digit_height);
    write_svg_label(sh, l, l.drying ? attrs + under : attrs, l.drying ? digit_attrs + under : digit_attrs);
    show_count(7, 15, "Written   : ", static_cast<int>(k + 1), 8);
  }
  dxf_end(dxf_file);
  write_str(scr_file, "zoom e");
  end_line(scr_file);
  io_check();
  write_sheet_foot(sh);
  svg_end(svg_file);
}

// Temp/Soundings.geojson: the kept soundings as points in WGS 84, each with
// its depth and label.
void write_geojson(TextFile& f, const Grid& grid) {
  GeoJsonFile g{f};
  geojson_begin(g);
  for (const Sounding& s : chosen)
    geojson_point(g, grid_inverse(grid, s.x, s.y),
                  json_member("depth", 0.0 - s.z, 2) + "," + json_member("label", std::string_view(soundings::label_text(s.z))) +
                      "," + json_member("drying", s.z > 0));
  geojson_end(g);
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);

  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Chart Soundings - shoal-biased selection");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read   " + points_shown);
  show_at(7, 11, "Scale     : 1:" + plain(scale));
  show_at(7, 12, "Text      : " + plain(height_mm) + " mm high, " + plain(spacing_mm) + " mm apart");
  start_outputs({"PM/Soundings.txt", "Temp/Soundings.dxf", "Temp/Soundings.scr", "Temp/Soundings.svg",
                 "Temp/Soundings.geojson"},
                {points_path});
  // The grid of the GIS files, read first: a wrong PM/Grid.txt stops the run
  // before the work.
  const std::optional<Grid> grid = load_survey_grid("survey_soundings");
  open_input(points_file, points_path);
  io_check();
  read_soundings();
  close_file(points_file);
  io_check();
  show_count(7, 13, "Soundings : ", records, 8);

  m = soundings::measures(scale, height_mm, spacing_mm);
  select();
  show_count(7, 14, "Kept      : ", static_cast<int>(chosen.size()), 8);
  write_str(con, "  (" + std::to_string(records - static_cast<std::int32_t>(chosen.size())) + " dropped)");
  io_check();

  show_at(7, 7, "Write  PM/Soundings.txt");
  create_run_output(list_file, "PM/Soundings.txt");
  show_at(14, 8, "Temp/Soundings.dxf");
  create_run_output(dxf_file, "Temp/Soundings.dxf");
  show_at(14, 9, "Temp/Soundings.scr");
  create_run_output(scr_file, "Temp/Soundings.scr");
  show_at(14, 10, "Temp/Soundings.svg");
  create_run_output(svg_file, "Temp/Soundings.svg");
  if (grid) write_str(con, ", .geojson");
  write_outputs();
  show_count(7, 15, "Written   : ", static_cast<int>(chosen.size()), 8);
  close_run_output(list_file);
  close_run_output(dxf_file);
  close_run_output(scr_file);
  close_run_output(svg_file);
  if (grid) write_file("Temp/Soundings.geojson", [&](TextFile& f) { write_geojson(f, *grid); });
  finish_outputs();

  if (records == 0) show_at(7, 17, "The point list is empty: an empty sheet.");
  show_at(7, 19, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
