// The profile: the echo record as echo_clean1 draws it, each record at its
// distance along the track and its height z, cut into strips of the same
// length one under the other; the kept, deleted and flagged records in
// three marks.
#include <algorithm>
#include <cmath>

#include "fixed_notation.h"
#include "plot.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;

namespace survey_plot {

namespace {

constexpr int kLeft = 84;     // the strips' left edge
constexpr int kWidth = 1000;  // a strip's size in pixels
constexpr int kHeight = 160;
constexpr int kFirst = 140;  // the first strip's top edge
constexpr int kPitch = 228;  // from one strip's top edge to the next one's
constexpr int kCols = kWidth / kCell, kRows = kHeight / kCell;

const std::string kKeptInk = "fill=\"none\" stroke=\"#1f77b4\" stroke-width=\"3.5\" stroke-linecap=\"round\"";

std::size_t cell_index(int strip, int row, int col) {
  return (static_cast<std::size_t>(strip) * kRows + row) * kCols + col;
}

// The marks of one kind that put(Marks&) adds; suffix makes their path's
// name unique.
template <class Put>
void write_kind(TextFile& f, std::uint8_t kind, const std::string& suffix, Put put) {
  if (kind == kKept) {
    Marks m = begin_marks(f, kKeptInk, kDot);
    put(m);
    end_marks(m);
  } else {
    write_symbols(f, kind, (kind == kDeleted ? "deleted" : "flagged") + suffix, put);
  }
}

// The strip's kept dots, then its deleted crosses and flagged rings.
void write_marks(TextFile& f, const Profile& p, int strip, int top) {
  for (const std::uint8_t kind : {kKept, kDeleted, kFlagged}) {
    write_kind(f, kind, "-" + std::to_string(strip + 1), [&](Marks& m) {
      const auto has = [&](int col, int row) { return (p.cells[cell_index(strip, row, col)] & kind) != 0; };
      const auto put = [&](int col, int row) { add_cell_mark(m, kLeft, top, col, row); };
      if (kind != kKept) return thin_symbols(kCols, kRows, has, put);
      for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kCols; ++col)
          if (has(col, row)) put(col, row);
    });
  }
}

void write_strip(TextFile& f, const Profile& p, const Survey& s, int strip) {
  const int top = kFirst + strip * kPitch;
  const double start = strip * s.strip, end = start + s.strip;
  // Distances labelled at least 90 pixels apart, heights 28.
  const Frame frame = {kLeft, top, kWidth, kHeight,
                       {start, end, round_up_nice(s.strip * 90 / kWidth),
                        [&](double d) { return kLeft + (d - start) / s.strip * kWidth; }, "d"},
                       {p.z_low, p.z_high, round_up_nice((p.z_high - p.z_low) * 28 / kHeight),
                        [&](double z) { return top + (p.z_high - z) / (p.z_high - p.z_low) * kHeight; }, "z"}};
  write_str(f, "<g class=\"strip\">");
  end_line(f);
  const int d = decimals_of(s.strip);
  svg_text(f, kLeft, top - 8, "font-weight=\"bold\"",
           "Strip " + std::to_string(strip + 1) + " of " + std::to_string(p.strips) + ": " +
               fixed_text(start, d) + " m to " + fixed_text(end, d) + " m along the track");
  write_grid(f, frame);
  write_marks(f, p, strip, top);
  write_frame(f, frame);
  const double middle = top + kHeight / 2.0;
  svg_text(f, 18, middle, "text-anchor=\"middle\" transform=\"rotate(-90 18 " + fixed_text(middle, 1) + ")\"",
           "z (m)");
  write_str(f, "</g>");
  end_line(f);
  io_check();
}

// The three marks side by side, each with what it stands for.
void write_legend(TextFile& f, const Survey& s, int y) {
  struct Item {
    std::uint8_t kind;
    std::string_view text;
  };
  const Item items[] = {
      {kKept, s.have_clean ? "kept (in PM/PointsCl.txt)" : "record (no PM/PointsCl.txt yet)"},
      {kDeleted, deleted_legend(s)},
      {kFlagged, flagged_legend(s)},
  };
  int x = kLeft + 8;
  for (const Item& item : items) {
    write_kind(f, item.kind, "-legend", [&](Marks& m) { add_mark(m, x, y); });
    svg_text(f, x + 14, y, "dy=\"0.35em\"", item.text);
    x += 300;
  }
}

}  // namespace

Profile profile_layout(const Survey& s) {
  Profile p;
  p.strips = static_cast<int>(std::min<double>(strips_needed(s), kMaxStrips));
  // Every strip has the heights of all records, with a little room above and
  // below (a metre each way when they are all the same).
  const bool any = s.z_high >= s.z_low;
  const double room = any && s.z_high > s.z_low ? (s.z_high - s.z_low) * 0.06 : 1.0;
  p.z_low = (any ? s.z_low : 0) - room;
  p.z_high = (any ? s.z_high : 0) + room;
  p.cells.assign(static_cast<std::size_t>(p.strips) * kRows * kCols, 0);
  return p;
}

void profile_add(Profile& p, const Survey& s, double distance, double z, std::uint8_t kind) {
  const int strip = std::clamp(
      static_cast<int>(std::clamp(std::floor(distance / s.strip), 0.0, p.strips - 1.0)), 0, p.strips - 1);
  const int col = cell_of((distance - strip * s.strip) / s.strip * kWidth, kCols);
  const int row = cell_of((p.z_high - z) / (p.z_high - p.z_low) * kHeight, kRows);
  p.cells[cell_index(strip, row, col)] |= kind;
}

void write_profile(TextFile& f, const Profile& p, const Survey& s) {
  const int height = kFirst + (p.strips - 1) * kPitch + kHeight + 56;
  svg_begin(f, kLeft + kWidth + 40, height);
  svg_text(f, kLeft, 30, "font-size=\"18\" font-weight=\"bold\"", "Echo record profile: " + s.title);
  svg_text(f, kLeft, 50, "", counts_text(s));
  // How much taller than true the heights are drawn.
  const double exaggeration = (s.strip / kWidth) / ((p.z_high - p.z_low) / kHeight);
  svg_text(f, kLeft, 68, "",
           "Height z against the distance along the track, in strips of " +
               fixed_text(s.strip, decimals_of(s.strip)) + " m; vertical scale " +
               fixed_text(exaggeration, exaggeration < 10 ? 1 : 0) +
               " times the horizontal; one mark of a kind per " + std::to_string(kCell) + " x " +
               std::to_string(kCell) + " pixel cell");
  write_legend(f, s, 94);
  for (int strip = 0; strip < p.strips; ++strip) write_strip(f, p, s, strip);
  svg_text(f, kLeft + kWidth / 2.0, kFirst + (p.strips - 1) * kPitch + kHeight + 38, "text-anchor=\"middle\"",
           "Distance along the track (m)");
  svg_end(f);
}

std::string counts_text(const Survey& s) {
  std::string text = std::to_string(s.records) + " records in PM/Points.txt";
  text += s.have_clean ? ": " + std::to_string(s.kept) + " kept, " + std::to_string(s.deleted) +
                             " deleted in the cleaning (not in PM/PointsCl.txt)"
                       : " (no PM/PointsCl.txt: none deleted)";
  text += s.have_spikes ? "; " + std::to_string(s.flagged) + " flagged in Temp/Spikes.txt"
                        : "; none flagged (no Temp/Spikes.txt)";
  return text;
}

}  // namespace survey_plot
