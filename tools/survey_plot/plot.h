// The two pictures of survey_plot: the plan (Temp/Plan.svg) and the profile
// along the track (Temp/Profile.svg). Each is laid out from what the first
// pass over the records found, filled record by record in the second pass,
// and then written. Records are thinned to pixel cells as they come: a cell
// keeps one mark of each kind (in the plan, the colours of its deepest and
// shallowest kept record), so the memory and the file's size depend on the
// picture, not on the number of records.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "svg.h"
#include "text_file.h"

namespace survey_plot {

using namespace survey_rt;  // the picture writing of svg.h

// What the first pass found, and the settings of the run.
struct Survey {
  std::string title;
  bool have_clean = false;   // PM/PointsCl.txt was there: records not in it were deleted
  bool have_spikes = false;  // Temp/Spikes.txt was there
  std::int32_t records = 0, kept = 0, deleted = 0, flagged = 0;
  // The extents of the records drawn (those with finite numbers), and the
  // heights of the kept ones, which the plan colours; low > high when none.
  static constexpr double kNone = std::numeric_limits<double>::infinity();
  double x_low = kNone, x_high = -kNone, y_low = kNone, y_high = -kNone;
  double z_low = kNone, z_high = -kNone;
  double kept_low = kNone, kept_high = -kNone;
  double track = 0;  // the distance along the track of the last record, metres
  double strip = 0;  // the length of track in one strip of the profile, metres
};

// What a cell holds besides its colours.
enum : std::uint8_t { kKept = 1, kDeleted = 2, kFlagged = 4 };
constexpr int kCell = 2;  // pixels on a side

// The cell of a place the given pixels into a row or column of n cells
// (the first or the last for a place outside).
inline int cell_of(double pixels, int n) {
  const double v = pixels / kCell;
  if (!(v >= 0)) return 0;
  return v >= n ? n - 1 : static_cast<int>(v);
}

// Puts a mark at the centre of the cell (col, row) of the cells that start at
// the pixel (left, top).
inline void add_cell_mark(Marks& m, int left, int top, int col, int row) {
  add_mark(m, left + col * kCell + kCell / 2, top + row * kCell + kCell / 2);
}

// The symbols of deleted (kind kDeleted) or flagged (kFlagged) records that
// put(Marks&) adds, as one path named id.
template <class Put>
void write_symbols(survey_rt::TextFile& f, std::uint8_t kind, const std::string& id, Put put) {
  Marks m = begin_symbols(f, id, kind == kDeleted ? kCross : kRing);
  put(m);
  end_symbols(m, id, kind == kDeleted ? kDeletedInk : kFlaggedInk);
}

// A symbol is larger than a cell: of the cells of cols x rows that has(col,
// row) tells, put(col, row) gets one in each square of kSymbolCells x
// kSymbolCells (the first in it, row by row).
constexpr int kSymbolCells = 4;
template <class Has, class Put>
void thin_symbols(int cols, int rows, Has has, Put put) {
  for (int top = 0; top < rows; top += kSymbolCells)
    for (int left = 0; left < cols; left += kSymbolCells)
      [&] {
        for (int row = top; row < std::min(rows, top + kSymbolCells); ++row)
          for (int col = left; col < std::min(cols, left + kSymbolCells); ++col)
            if (has(col, row)) return put(col, row);
      }();
}

// The plan: a map frame of width x height pixels, its top left corner at
// (left, top), showing eastings x0 .. x0 + width * scale and northings
// y0 .. y0 + height * scale (scale in metres a pixel).
struct Plan : survey_rt::MapLayout {
  double z_low = 0, z_high = 0;  // the colour scale
  int cols = 0, rows = 0;        // cells, row 0 at the top
  // Per cell: the colour levels of its deepest and shallowest kept record
  // (kNoLevel when it has none) and its kDeleted / kFlagged bits.
  std::vector<std::uint8_t> deep, shallow, marks;
};
constexpr std::uint8_t kNoLevel = 255;

Plan plan_layout(const Survey& s);
void plan_add(Plan& p, double x, double y, double z, std::uint8_t kind);
void write_plan(survey_rt::TextFile& f, const Plan& p, const Survey& s);

// The profile: strips of s.strip metres of track one under the other, all
// with the same z axis from z_low to z_high; per cell its kKept, kDeleted and
// kFlagged bits (strip by strip, row 0 at the top).
struct Profile {
  int strips = 0;
  double z_low = 0, z_high = 0;
  std::vector<std::uint8_t> cells;
};

// The strips the track needs, and the most a profile may have.
inline double strips_needed(const Survey& s) { return std::max(1.0, std::ceil(s.track / s.strip)); }
constexpr int kMaxStrips = 100;
Profile profile_layout(const Survey& s);
void profile_add(Profile& p, const Survey& s, double distance, double z, std::uint8_t kind);
void write_profile(survey_rt::TextFile& f, const Profile& p, const Survey& s);

// The counts of the records, for the pictures' subtitles.
std::string counts_text(const Survey& s);
// What the legends say of the deleted and of the flagged records.
inline std::string_view deleted_legend(const Survey& s) {
  return s.have_clean ? "deleted in the cleaning" : "deleted: none (no PM/PointsCl.txt)";
}
inline std::string_view flagged_legend(const Survey& s) {
  return s.have_spikes ? "flagged in Temp/Spikes.txt" : "flagged: none (no Temp/Spikes.txt)";
}

}  // namespace survey_plot
