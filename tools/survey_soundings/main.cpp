// survey_soundings: the soundings of a chart at its scale. Drawn all at once,
// the depths of a single-beam survey (a record every few decimetres along each
// line) pile on each other; a chart keeps the shallowest depths and drops the
// soundings whose label would overlap a kept one, and never hides a shoaler
// depth behind a deeper one (shoal-biased selection).
//
//   survey_soundings [--points FILE] [--scale N] [--height H] [--spacing S]
//
// The label of a sounding is its depth -z with one decimal, rounded as the
// tools write numbers; a drying height (z > 0) is labelled with its height
// and underlined. The whole metres stand centred on the sounding's position,
// the decimal digit smaller and lowered after them, the chart's habit.
//
// The label's box on the sheet at 1:N, for a text height of H mm (h = H x N /
// 1000 metres on the ground) and a label of n characters of whole metres:
//   a character is 0.8 h wide (kCharWidth), the digit 0.6 h high (kDigitHeight);
//   the whole metres span n x 0.8 h centred on x and h centred on y;
//   the digit follows them, 0.6 x 0.8 h wide, its foot 0.2 h below theirs;
//   the box reaches 0.1 h below the digit's foot, room for an underline:
//     x - n 0.4 h  to  x + n 0.4 h + 0.48 h,   y - 0.8 h  to  y + 0.5 h.
// Each box grows by S/2 mm of paper on every side (--spacing S, the clear
// paper between two labels); two grown boxes overlap when they share more
// than an edge.
//
// Selection, shoalest first (the largest z as read, ties in file order): a
// sounding is kept when its grown box overlaps no grown box kept before it.
// So no two kept boxes overlap, and every dropped sounding overlaps a kept
// one at least as shallow. The kept boxes sit in a spatial hash of cells one
// widest box wide and one box high, each box in the cell of its lower left
// corner; a box can meet only the boxes whose corner lies from the cell one
// below and left of its own corner's to the cell of its upper right corner,
// 3 x 3 cells at most. The soundings are read into chunks, each chunk sorted,
// and the chunks merged shoalest first, so the memory is that of the
// soundings and of the kept boxes.
//
// Outputs, the kept soundings in file order:
//   PM/Soundings.txt    x y z, two decimals
//   Temp/Soundings.dxf  each label as two TEXTs on the layer SOUNDINGS
//   Temp/Soundings.scr  the same labels as an AutoCAD script, as dat_reduce
//                       writes its labels
//   Temp/Soundings.svg  the sheet at its scale: 1 mm of paper is 1 mm of the
//                       picture
// The outputs of an earlier run are removed before the soundings are read,
// and the new ones take their names only once all are written
// (survey_rt/run_outputs.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "input_option.h"
#include "number_grammar.h"
#include "run_outputs.h"
#include "stop.h"
#include "svg.h"
#include "text_file.h"
#include "xyz_records.h"

using namespace survey_rt;

namespace {

constexpr int kBadCall = 1;  // exit status of a wrong call or a sounding that cannot be drawn
constexpr double kCharWidth = 0.8;    // a character's width, of the text height
constexpr double kDigitHeight = 0.6;  // the decimal digit's height, of the text height
constexpr double kDigitDrop = 0.2;    // the digit's foot below that of the whole metres
constexpr double kBelow = 0.8;        // the box's foot below the position: 0.5 + 0.2 + 0.1 (underline)
constexpr double kAbove = 0.5;        // the box's top above the position
constexpr double kMarginMm = 10;      // paper around the labels on the sheet

constexpr std::string_view kUsage =
    "usage: survey_soundings [--points FILE] [--scale N] [--height H] [--spacing S]\n"
    "  --points FILE  the soundings, x y z a line (without it PM/PointsCl.txt)\n"
    "  --scale N      the sheet at 1:N (without it 1000)\n"
    "  --height H     the text height on paper, mm (without it 2.0)\n"
    "  --spacing S    clear paper between two labels, mm (without it 0.5)\n";

std::string points_path = "PM/PointsCl.txt";
std::string points_shown = points_path;  // its name on the screen
double scale = 1000, height_mm = 2.0, spacing_mm = 0.5;

// A sounding as read, its place in the file (from 0) and the characters of
// its label's whole metres.
struct Sounding {
  double x = 0, y = 0, z = 0;
  std::uint32_t index = 0;
  std::uint32_t chars = 0;
};

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// A kept sounding's grown box and the next box in its bucket of the hash.
struct Kept {
  Box box;
  std::int32_t next = -1;
};

// The label's measures in metres on the ground, made once from the options.
struct Measures {
  double h = 0;        // text height of the whole metres
  double half = 0;     // half a character's width
  double digit = 0;    // the digit's width
  double grow = 0;     // S/2 on the ground
  double cell_w = 0;   // the widest grown box and then some
  double cell_h = 0;   // the grown box's height and then some
  double x0 = 0, y0 = 0;  // the hash's origin: the least x and y
};

TextFile points_file, list_file, dxf_file, scr_file, svg_file;
// The soundings in chunks of kChunk in file order, each reserved at that size:
// no list is copied as it grows, so memory stays at the soundings' size.
constexpr std::size_t kChunk = 1 << 20;
std::vector<std::vector<Sounding>> chunks;
std::vector<Kept> kept;
std::vector<Sounding> chosen;  // the kept soundings, in the order of kept, then in file order
std::vector<std::int32_t> buckets;  // the first kept box of each bucket, -1 for none
Measures m;
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

// The label of height z: the text of its depth -z, or of its height when it
// dries (z > 0), with one decimal; z = 0 is a depth of 0.0.
FixedText label_text(double z) { return fixed_number(z > 0 ? z : -z + 0.0, 1); }

// The characters before the decimal point of a label.
std::size_t whole_chars(std::string_view text) { return text.find('.'); }

// The box of a label, grown by the spacing.
Box box_of(const Sounding& s) {
  const double left = s.chars * m.half + m.grow;
  const double right = s.chars * m.half + m.digit + m.grow;
  return {s.x - left, s.y - (kBelow * m.h + m.grow), s.x + right, s.y + (kAbove * m.h + m.grow)};
}

bool overlap(const Box& a, const Box& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// The cell of a coordinate, from the origin o in cells of size w; far places
// share the outermost cells (their boxes are still compared in full).
std::int64_t cell(double v, double o, double w) {
  const double c = std::floor((v - o) / w);
  constexpr double kFar = 4e18;
  return static_cast<std::int64_t>(std::clamp(c, -kFar, kFar));
}

// The bucket of a cell. Four cells side by side west to east share a run of
// four buckets, so the cells that a box looks at lie in few cache lines.
std::size_t bucket(std::int64_t cx, std::int64_t cy) {
  const std::uint64_t h = static_cast<std::uint64_t>(cx >> 2) * 0x9E3779B97F4A7C15ULL ^
                          static_cast<std::uint64_t>(cy) * 0xC2B2AE3D27D4EB4FULL;
  return static_cast<std::size_t>(((h ^ (h >> 29)) << 2 | static_cast<std::uint64_t>(cx & 3)) &
                                  (buckets.size() - 1));
}

void put_in_hash(std::int32_t k) {
  const Box& b = kept[k].box;
  const std::size_t i = bucket(cell(b.x0, m.x0, m.cell_w), cell(b.y0, m.y0, m.cell_h));
  kept[k].next = buckets[i];
  buckets[i] = k;
}

// Whether the box overlaps a kept box: those whose lower left corner lies in
// the cells from one cell below and left of the box's own to its upper right.
bool meets_kept(const Box& b) {
  const std::int64_t cx0 = cell(b.x0 - m.cell_w, m.x0, m.cell_w), cx1 = cell(b.x1, m.x0, m.cell_w);
  const std::int64_t cy0 = cell(b.y0 - m.cell_h, m.y0, m.cell_h), cy1 = cell(b.y1, m.y0, m.cell_h);
  for (std::int64_t cx = cx0; cx <= cx1; ++cx)
    for (std::int64_t cy = cy0; cy <= cy1; ++cy)
      for (std::int32_t k = buckets[bucket(cx, cy)]; k >= 0; k = kept[k].next)
        if (overlap(b, kept[k].box)) return true;
  return false;
}

// Keeps the sounding; the hash grows to twice the kept boxes, so a bucket
// holds about one cell's boxes.
void keep(const Sounding& s, const Box& b) {
  kept.push_back({b, -1});
  chosen.push_back(s);
  if (kept.size() * 2 > buckets.size()) {
    buckets.assign(buckets.size() * 2, -1);
    for (std::size_t k = 0; k < kept.size(); ++k) put_in_hash(static_cast<std::int32_t>(k));
  } else {
    put_in_hash(static_cast<std::int32_t>(kept.size() - 1));
  }
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
  while (!at_end_checked(points_file)) {
    if (records == std::numeric_limits<std::int32_t>::max()) stop(points_path + ": too many soundings");
    Sounding s;
    read_xyz(points_file, s.x, s.y, s.z);
    s.index = static_cast<std::uint32_t>(records++);
    if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z))
      stop(points_path + ", record " + std::to_string(records) +
           ": a position or height that is not a finite number");
    s.chars = static_cast<std::uint32_t>(whole_chars(label_text(s.z)));
    if (chunks.empty() || chunks.back().size() == kChunk) {
      chunks.emplace_back();
      chunks.back().reserve(kChunk);
    }
    chunks.back().push_back(s);
    show_count(7, 13, "Soundings : ", records, 8);
  }
}

// The label's measures, and the hash's cells and origin.
void measure() {
  m.h = height_mm * scale / 1000;
  m.half = kCharWidth * m.h / 2;
  m.digit = kCharWidth * kDigitHeight * m.h;
  m.grow = spacing_mm / 2 * scale / 1000;
  std::uint32_t widest = 1;
  m.x0 = chunks.empty() ? 0 : chunks[0][0].x;
  m.y0 = chunks.empty() ? 0 : chunks[0][0].y;
  for (const std::vector<Sounding>& chunk : chunks)
    for (const Sounding& s : chunk) {
      widest = std::max(widest, s.chars);
      m.x0 = std::min(m.x0, s.x);
      m.y0 = std::min(m.y0, s.y);
    }
  const Box b = box_of({0, 0, 0, 0, widest});
  const double tiny = std::numeric_limits<double>::min();
  m.cell_w = std::max((b.x1 - b.x0) * 1.01, tiny);
  m.cell_h = std::max((b.y1 - b.y0) * 1.01, tiny);
}

// Whether a comes before b: the shallower first, of equal heights the first
// in the file.
bool shoaler(const Sounding& a, const Sounding& b) { return a.z != b.z ? a.z > b.z : a.index < b.index; }

// Shoalest first, ties in file order; each sounding kept when its box meets
// no kept box. Each chunk is sorted, and the chunks are merged through a heap
// of their next soundings.
void select() {
  for (std::vector<Sounding>& chunk : chunks)
    std::sort(chunk.begin(), chunk.end(), [](const Sounding& a, const Sounding& b) { return shoaler(a, b); });
  std::vector<std::size_t> next(chunks.size(), 0);
  auto later = [&](std::size_t a, std::size_t b) { return shoaler(chunks[b][next[b]], chunks[a][next[a]]); };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heads(later);
  for (std::size_t c = 0; c < chunks.size(); ++c) heads.push(c);
  buckets.assign(1024, -1);
  while (!heads.empty()) {
    const std::size_t c = heads.top();
    heads.pop();
    const Sounding& s = chunks[c][next[c]];
    const Box b = box_of(s);
    if (!meets_kept(b)) {
      keep(s, b);
      show_count(7, 14, "Kept      : ", static_cast<int>(kept.size()), 8);
    }
    if (++next[c] < chunks[c].size()) heads.push(c);
  }
  std::vector<std::int32_t>().swap(buckets);
  std::vector<std::vector<Sounding>>().swap(chunks);
  std::sort(chosen.begin(), chosen.end(), [](const Sounding& a, const Sounding& b) { return a.index < b.index; });
}

// A label's pieces and where they stand: the whole metres right-justified at
// (right, foot), the digit starting at (right, foot - drop).
struct Label {
  std::string whole, digit;
  bool drying = false;
  double right = 0, foot = 0;
};

Label label_of(const Sounding& s) {
  const std::string text(std::string_view(label_text(s.z)));
  const std::size_t point = whole_chars(text);
  const std::string underline = s.z > 0 ? "%%u" : "";
  return {underline + text.substr(0, point), underline + text.substr(point + 1), s.z > 0,
          s.x + s.chars * m.half, s.y - m.h / 2};
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
  if (kept.empty()) {
    sh.width = sh.height = 100;
    return sh;
  }
  double east = 0, south = 0;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const Box& b = kept[k].box;
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
           "Soundings 1:" + plain(scale) + ", " + std::to_string(kept.size()) + " of " +
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
  labels.reserve(kept.size());
  for (const Sounding& s : chosen) {
    labels.push_back(label_of(s));
    extents.add({labels.back().right, labels.back().foot, 0});
    extents.add({labels.back().right, labels.back().foot - kDigitDrop * m.h, 0});
  }
  const DxfLayer layers[] = {{"0", 7}, {"SOUNDINGS", 7}};
  dxf_begin(dxf_file, extents, layers);
  const Sheet sh = sheet_of();
  svg_begin_mm(svg_file, sh.width, sh.height);
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const Label& l = labels[k];
    write_list(chosen[k]);
    dxf_text(dxf_file, {l.right, l.foot, 0}, m.h, 0, true, l.whole, "SOUNDINGS");
    dxf_text(dxf_file, {l.right, l.foot - kDigitDrop * m.h, 0}, kDigitHeight * m.h, 0, false, l.digit,
             "SOUNDINGS");
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
  start_outputs({"PM/Soundings.txt", "Temp/Soundings.dxf", "Temp/Soundings.scr", "Temp/Soundings.svg"},
                {points_path});
  open_input(points_file, points_path);
  io_check();
  read_soundings();
  close_file(points_file);
  io_check();
  show_count(7, 13, "Soundings : ", records, 8);

  measure();
  select();
  show_count(7, 14, "Kept      : ", static_cast<int>(kept.size()), 8);
  write_str(con, "  (" + std::to_string(records - static_cast<std::int32_t>(kept.size())) + " dropped)");
  io_check();

  show_at(7, 7, "Write  PM/Soundings.txt");
  create_run_output(list_file, "PM/Soundings.txt");
  show_at(14, 8, "Temp/Soundings.dxf");
  create_run_output(dxf_file, "Temp/Soundings.dxf");
  show_at(14, 9, "Temp/Soundings.scr");
  create_run_output(scr_file, "Temp/Soundings.scr");
  show_at(14, 10, "Temp/Soundings.svg");
  create_run_output(svg_file, "Temp/Soundings.svg");
  write_outputs();
  show_count(7, 15, "Written   : ", static_cast<int>(kept.size()), 8);
  close_run_output(list_file);
  close_run_output(dxf_file);
  close_run_output(scr_file);
  close_run_output(svg_file);
  finish_outputs();

  if (records == 0) show_at(7, 17, "The point list is empty: an empty sheet.");
  show_at(7, 19, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
