// The plan: the records at their easting and northing, the kept ones coloured
// by height, the deleted and flagged ones marked; grid ticks, a scale bar, a
// north arrow (grid north is up) and the legend on the right.
#include <algorithm>
#include <cmath>

#include "fixed_notation.h"
#include "plot.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;

namespace survey_plot {

namespace {

constexpr int kPanel = 250;  // the legend's room right of the map

std::string rotated(double x, double y) {
  return "transform=\"rotate(-90 " + fixed_text(x, 1) + " " + fixed_text(y, 1) + ")\"";
}

// The paint of a colour dot of that level, size pixels across.
std::string dot_ink(int level, int size) {
  return "fill=\"none\" stroke=\"" + depth_colour(level / (kLevels - 1.0)) + "\" stroke-width=\"" +
         std::to_string(size) + "\" stroke-linecap=\"round\"";
}

// One layer of colour dots: the level of each cell from levels, where it has
// one (and, for the shallow layer, where it differs from the deep one).
void write_dots(TextFile& f, const Plan& p, const std::vector<std::uint8_t>& levels, int size, bool shallow) {
  for (int level = 0; level < kLevels; ++level) {
    Marks dots = begin_marks(f, dot_ink(level, size), kDot);
    for (int row = 0; row < p.rows; ++row) {
      for (int col = 0; col < p.cols; ++col) {
        const std::size_t i = static_cast<std::size_t>(row) * p.cols + col;
        if (levels[i] == level && (!shallow || p.shallow[i] != p.deep[i]))
          add_cell_mark(dots, p.left, p.top, col, row);
      }
    }
    end_marks(dots);
  }
}

void write_marks(TextFile& f, const Plan& p, std::uint8_t kind, const std::string& id) {
  write_symbols(f, kind, id, [&](Marks& m) {
    thin_symbols(
        p.cols, p.rows,
        [&](int col, int row) { return (p.marks[static_cast<std::size_t>(row) * p.cols + col] & kind) != 0; },
        [&](int col, int row) { add_cell_mark(m, p.left, p.top, col, row); });
  });
}

// The map frame: eastings labelled at least 110 pixels apart, northings 60.
Frame map_frame(const Plan& p) {
  return {p.left, p.top, p.width, p.height,
          {p.x0, p.x0 + p.width * p.scale, round_up_nice(110 * p.scale),
           [&p](double easting) { return p.left + (easting - p.x0) / p.scale; }, "e"},
          {p.y0, p.y0 + p.height * p.scale, round_up_nice(60 * p.scale),
           [&p](double northing) { return p.top + p.height - (northing - p.y0) / p.scale; }, "n"}};
}

void write_axis_titles(TextFile& f, const Plan& p) {
  svg_text(f, p.left + p.width / 2.0, p.top + p.height + 36, "text-anchor=\"middle\"", "Easting (m)");
  const double middle = p.top + p.height / 2.0;
  svg_text(f, 20, middle, "text-anchor=\"middle\" " + rotated(20, middle), "Northing (m)");
}

// What the marks stand for.
void write_legend(TextFile& f, const Survey& s, int x, int y) {
  for (const auto& [level, size] : {std::pair{0, 10}, std::pair{kLevels - 1, 5}}) {  // larger than on the map
    Marks m = begin_marks(f, dot_ink(level, size), kDot);
    add_mark(m, x + 8, y);
    end_marks(m);
  }
  svg_text(f, x + 22, y - 2, "", "a cell's shallowest record (centre)");
  svg_text(f, x + 22, y + 12, "", "over its deepest (rim)");
  write_symbols(f, kDeleted, "legend-deleted", [&](Marks& m) { add_mark(m, x + 8, y + 36); });
  svg_text(f, x + 22, y + 36, "dy=\"0.35em\"", deleted_legend(s));
  write_symbols(f, kFlagged, "legend-flagged", [&](Marks& m) { add_mark(m, x + 8, y + 60); });
  svg_text(f, x + 22, y + 60, "dy=\"0.35em\"", flagged_legend(s));
}

}  // namespace

Plan plan_layout(const Survey& s) {
  Plan p;
  const bool any = s.x_high >= s.x_low;  // a record with finite numbers
  MapLayout& map = p;
  map = any ? map_layout(s.x_low, s.x_high, s.y_low, s.y_high) : map_layout(0, 0, 0, 0);
  // The colour scale spans the kept records' heights (all records' when none
  // is kept); a single height sits in its middle.
  p.z_low = s.kept_high >= s.kept_low ? s.kept_low : any ? s.z_low : 0;
  p.z_high = s.kept_high >= s.kept_low ? s.kept_high : any ? s.z_high : 0;
  if (!(p.z_high > p.z_low)) {
    p.z_low -= 0.5;
    p.z_high += 0.5;
  }
  p.cols = p.width / kCell;
  p.rows = p.height / kCell;
  const std::size_t cells = static_cast<std::size_t>(p.cols) * p.rows;
  p.deep.assign(cells, kNoLevel);
  p.shallow.assign(cells, kNoLevel);
  p.marks.assign(cells, 0);
  return p;
}

void plan_add(Plan& p, double x, double y, double z, std::uint8_t kind) {
  const int col = cell_of((x - p.x0) / p.scale, p.cols);
  const int row = cell_of((p.y0 + p.height * p.scale - y) / p.scale, p.rows);
  const std::size_t i = static_cast<std::size_t>(row) * p.cols + col;
  if (kind & kKept) {
    const auto level = static_cast<std::uint8_t>(depth_level(z, p.z_low, p.z_high));
    if (p.deep[i] == kNoLevel) {
      p.deep[i] = p.shallow[i] = level;
    } else {
      p.deep[i] = std::min(p.deep[i], level);
      p.shallow[i] = std::max(p.shallow[i], level);
    }
  }
  p.marks[i] |= kind & (kDeleted | kFlagged);
}

void write_plan(TextFile& f, const Plan& p, const Survey& s) {
  const int panel = p.left + p.width + 40;
  const std::string counts = counts_text(s);
  const std::string colours = s.kept_high >= s.kept_low
                                  ? "Kept records coloured by height z, " + fixed_text(s.kept_low, 2) +
                                        " m to " + fixed_text(s.kept_high, 2) + " m; one mark per " +
                                        std::to_string(kCell) + " x " + std::to_string(kCell) + " pixel cell"
                                  : std::string("No kept record to colour");
  const int width =
      std::max(panel + kPanel, p.left + text_width(std::max(counts.size(), colours.size())) + 20);
  svg_begin(f, width, std::max(p.top + p.height + 100, p.top + 480));
  svg_text(f, p.left, 30, "font-size=\"18\" font-weight=\"bold\"", "Survey plan: " + s.title);
  svg_text(f, p.left, 50, "", counts);
  svg_text(f, p.left, 68, "", colours);
  const Frame frame = map_frame(p);
  write_grid(f, frame);
  write_dots(f, p, p.deep, 6, false);
  write_dots(f, p, p.shallow, 3, true);
  write_marks(f, p, kDeleted, "deleted");
  write_marks(f, p, kFlagged, "flagged");
  write_frame(f, frame);
  write_axis_titles(f, p);
  write_scale_bar(f, p.left, p.top + p.height + 56, p.scale);
  write_north_arrow(f, panel + 20, p.top);
  write_colour_scale(f, "Height z (m)", "depths", p.z_low, p.z_high, panel, p.top + 110);
  write_legend(f, s, panel, p.top + 372);
  svg_end(f);
}

}  // namespace survey_plot
