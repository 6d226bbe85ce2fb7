// The chart's soundings at a sheet's scale, shoal-biased: the shallowest
// depths whose labels do not overlap, never a shoaler depth hidden behind a
// deeper one. The library of survey_soundings and survey_sheet, so that a
// sheet shows the very soundings of PM/Soundings.txt.
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
// one at least as shallow. The kept boxes sit in a spatial hash (BoxIndex).
// The soundings are read into chunks, each chunk sorted, and the chunks
// merged shoalest first, so the memory is that of the soundings and of the
// kept boxes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fixed_notation.h"
#include "text_file.h"

namespace soundings {

constexpr double kCharWidth = 0.8;    // a character's width, of the text height
constexpr double kDigitHeight = 0.6;  // the decimal digit's height, of the text height
constexpr double kDigitDrop = 0.2;    // the digit's foot below that of the whole metres
constexpr double kBelow = 0.8;        // the box's foot below the position: 0.5 + 0.2 + 0.1 (underline)
constexpr double kAbove = 0.5;        // the box's top above the position

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

// Whether two boxes share more than an edge.
inline bool overlap(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

// The label's measures in metres on the ground, for the sheet at 1:scale,
// a text height of height_mm and spacing_mm of clear paper between labels.
struct Measures {
  double h = 0;      // text height of the whole metres
  double half = 0;   // half a character's width
  double digit = 0;  // the digit's width
  double grow = 0;   // S/2 on the ground
};
Measures measures(double scale, double height_mm, double spacing_mm);

// The label of height z: the text of its depth -z, or of its height when it
// dries (z > 0), with one decimal; z = 0 is a depth of 0.0.
inline survey_rt::FixedText label_text(double z) { return survey_rt::fixed_number(z > 0 ? z : -z + 0.0, 1); }
// The characters before the decimal point of a label.
inline std::size_t whole_chars(std::string_view text) { return text.find('.'); }

// The box of a label, grown by the spacing.
inline Box box_of(const Measures& m, const Sounding& s) {
  const double left = s.chars * m.half + m.grow;
  const double right = s.chars * m.half + m.digit + m.grow;
  return {s.x - left, s.y - (kBelow * m.h + m.grow), s.x + right, s.y + (kAbove * m.h + m.grow)};
}

// Boxes in a spatial hash: cells one widest box wide and one box high (at
// least as large as any box put in), each box in the cell of its lower left
// corner, the cells hashed into a table of twice as many buckets as boxes. A
// box can overlap only the boxes whose corner lies from the cell one below and
// left of its own corner's to the cell of its upper right corner, 3 x 3 cells
// at most, so each look costs a few comparisons whatever the survey's extent.
struct BoxIndex {
  double cell_w = 1, cell_h = 1;  // the cells' size
  double x0 = 0, y0 = 0;          // the cells' origin
  struct Entry {
    Box box;
    std::int32_t next = -1;  // the next box in its bucket
  };
  std::vector<Entry> boxes;
  std::vector<std::int32_t> buckets;  // the first box of each bucket, -1 for none
};
// An empty index of cells of w x h from the origin (x0, y0).
BoxIndex box_index(double w, double h, double x0, double y0);
// Puts in a box no larger than a cell.
void insert(BoxIndex& index, const Box& b);
// Whether the box overlaps a box of the index.
bool meets(const BoxIndex& index, const Box& b);
// Calls each(k) for every box of the index that may overlap b (those of the
// cells around it; each makes the exact test), k its place in the order the
// boxes were put in.
void each_near(const BoxIndex& index, const Box& b, const std::function<void(std::int32_t k)>& each);

// The soundings of a point list in chunks of a million in file order, each
// reserved at that size: no list is copied as it grows.
struct SoundingList {
  std::vector<std::vector<Sounding>> chunks;
  std::int32_t count = 0;
};

// How reading a point list ended: record is the number (from 1) of a record
// whose x, y or z is not a finite number, or the record past the most a list
// holds (too_many); 0 when every record was read.
struct ReadEnd {
  std::int32_t record = 0;
  bool too_many = false;
};
// Reads the x y z records of f (open for input) to its end into list;
// progress(records) after each record. A record that is not three numbers is
// the run-time stop.
ReadEnd read_soundings(survey_rt::TextFile& f, SoundingList& list, const std::function<void(std::int32_t)>& progress);

// The selection, shoalest first, each sounding kept when its grown box meets
// no kept box; kept(count) after each kept one. The chunks are sorted in
// place and released. The kept soundings, in file order.
std::vector<Sounding> select(SoundingList& list, const Measures& m, const std::function<void(std::int32_t)>& kept);

// A label's pieces and where they stand: the whole metres right-justified at
// (right, foot), the digit starting at (right, foot - kDigitDrop h); a drying
// height's texts begin with the underline code "%%u".
struct Label {
  std::string whole, digit;
  bool drying = false;
  double right = 0, foot = 0;
};
Label label_of(const Measures& m, const Sounding& s);

// The label as two TEXTs on the layer SOUNDINGS: the whole metres of height
// h right-justified, the digit of height 0.6 h after them.
void write_dxf_label(survey_rt::TextFile& f, const Measures& m, const Label& l);

}  // namespace soundings
