#include "outputs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "ascii_grid.h"
#include "fixed_notation.h"
#include "stop.h"
#include "svg.h"
#include "text_table.h"

using namespace survey_rt;

namespace survey_volume {

namespace {

void line(TextFile& f, std::string_view text) {
  write_str(f, text);
  end_line(f);
}

std::string two(double v) { return fixed_text(v, 2); }

// The counts of a surface, on a line of their own under its name.
void source_counts(TextFile& f, const Source& s) { line(f, "             " + s.counts); }

}  // namespace

std::string above_name(const Run& run) {
  return run.against_level ? "Above the design level: still to dredge" : "Above the earlier survey: deposited";
}
std::string below_name(const Run& run) {
  return run.against_level ? "Below the design level: dredged below it" : "Below the earlier survey: removed";
}

OverDepth over_depth(const Run& run) {
  const surface::Volumes& v = run.volumes;
  return {{v.below.area, v.below.volume - v.beyond.volume}, v.beyond};
}

void write_report(TextFile& f, const Run& run) {
  const surface::Volumes& v = run.volumes;
  line(f, "Cut and fill volumes: " + run.title);
  line(f, "");
  line(f, "Run          " + run.date);
  line(f, "Survey       " + run.survey.path);
  source_counts(f, run.survey);
  if (run.against_level) {
    line(f, "Reference    the design level " + two(run.level) + " m (a height, up positive)");
    if (run.overdepth > 0)
      line(f, "Over-depth   " + two(run.overdepth) + " m: the band from " + two(run.level) + " m down to " +
                  two(run.level - run.overdepth) + " m");
  } else {
    line(f, "Reference    the earlier survey " + run.reference.path);
    source_counts(f, run.reference);
  }
  if (run.boundary_path.empty())
    line(f, "Boundary     none: the volumes cover where both surfaces exist");
  else
    line(f, "Boundary     " + run.boundary_path + ": " + std::to_string(run.boundary.corners.size()) +
                " corners enclosing " + two(surface::boundary_area(run.boundary)) + " m2");
  line(f, "");
  // The label in 48 columns, the area and the volume in 14 each: wider for
  // figures that need it, never run together.
  std::vector<std::vector<std::string>> rows = {
      {"", "area m2", "volume m3"},
      {"Common area of the surfaces", two(v.common_area), ""},
      {above_name(run), two(v.above.area), two(v.above.volume)},
      {below_name(run), two(v.below.area), two(v.below.volume)}};
  if (run.overdepth > 0) {
    const OverDepth o = over_depth(run);
    rows.push_back({"  of it in the over-depth band, to " + two(run.level - run.overdepth) + " m", two(o.band.area),
                    two(o.band.volume)});
    rows.push_back({"  of it under the band, below " + two(run.level - run.overdepth) + " m", two(o.under.area),
                    two(o.under.volume)});
  }
  rows.push_back({"On neither side: the surfaces coincide", two(std::max(0.0, v.common_area - v.above.area - v.below.area)), ""});
  rows.push_back({"Net, above - below", "", two(v.above.volume - v.below.volume)});
  write_table(f, {{48, false}, {14, true}, {14, true}}, rows);
  line(f, "");
  if (run.overdepth > 0) {
    line(f, "Over-depth: the band's area is all the area below the design level, where the band is");
    line(f, "dredged (to its foot, or to the seabed where that is higher); the area under the band is");
    line(f, "where the survey lies deeper than " + two(run.level - run.overdepth) +
                " m. Each area is the plan area of the volume beside it.");
    line(f, "");
  }
  line(f, "Method: each surface is the Delaunay triangulation (TIN) of its points, positions to the");
  line(f, "centimetre, trimmed of the triangles with an edge longer than the max. edge. The difference");
  line(f, "survey - reference is linear on every piece of the overlay of the two TINs (against a level,");
  line(f, "on every triangle of the survey): " + std::to_string(v.pieces) + " pieces, each integrated exactly and split where the");
  line(f, "surfaces cross; no grid is sampled. A boundary is clipped with Boost.Geometry. Under the");
  line(f, "over-depth band its volume is measured from the band's lower level. Areas in square metres,");
  line(f, "volumes in cubic metres, in plan.");
  io_check();
}

void write_difference_grid(TextFile& f, const Difference& diff) {
  const surface::Grid& g = diff.grid;
  surface::write_grid_header(f, g);
  for (std::int64_t r = 0; r < g.rows; ++r)
    surface::write_grid_row(f, std::span<const double>(diff.d).subspan(r * g.columns, g.columns));
}

// ColorBrewer's RdBu, from the most below (dark blue) through white to the
// most above (dark red).
std::string difference_colour(double t) {
  static constexpr std::array<int, 3> kRdBu[11] = {{5, 48, 97},     {33, 102, 172},  {67, 147, 195}, {146, 197, 222},
                                                   {209, 229, 240}, {247, 247, 247}, {253, 219, 199}, {244, 165, 130},
                                                   {214, 96, 77},   {178, 24, 43},   {103, 0, 31}};
  return colour_along(kRdBu, (std::clamp(t, -1.0, 1.0) + 1) / 2);
}

namespace {

constexpr int kSteps = 10;  // colours on each side of zero
constexpr int kCell = 2;    // pixels a side of a picture cell

}  // namespace

void write_difference_picture(TextFile& f, const Difference& diff, const Run& run) {
  const surface::Grid& g = diff.grid;
  const double span_x = g.columns * g.cell, span_y = g.rows * g.cell;
  const double scale = std::max(span_x / 900, span_y / 640);  // metres a pixel
  const int map_w = std::max(kCell, static_cast<int>(std::ceil(span_x / scale / kCell)) * kCell);
  const int map_h = std::max(kCell, static_cast<int>(std::ceil(span_y / scale / kCell)) * kCell);
  const int left = 30, top = 70;
  const int width = left + map_w + 340, height = std::max(top + map_h + 80, 600);
  // The scale: the largest difference either way, rounded up; 1 m when flat.
  const double most = std::max(std::abs(diff.low), std::abs(diff.high));
  const double m = most > 0 ? round_up_nice(most) : 1;
  auto level_of = [&](double d) { return std::clamp(static_cast<int>(std::lround(d / m * kSteps)), -kSteps, kSteps); };

  svg_begin(f, width, height);
  svg_text(f, left, 26, "font-size=\"18\" font-weight=\"bold\"", run.title + ": survey - reference");
  svg_text(f, left, 46, "",
           run.against_level ? "against the design level " + fixed_text(run.level, 2) + " m"
                             : "against the earlier survey " + run.reference.path);
  svg_text(f, left, 62, "font-size=\"11\"",
           "net " + fixed_text(run.volumes.above.volume - run.volumes.below.volume, 2) + " m3: above " +
               fixed_text(run.volumes.above.volume, 2) + " m3, below " + fixed_text(run.volumes.below.volume, 2) +
               " m3 (Temp/Volume.txt)");

  // The cells: at each picture cell's centre the grid cell under it, a row
  // of the picture drawn as runs of one colour.
  const int cols = map_w / kCell, rows = map_h / kCell;
  for (int level = -kSteps; level <= kSteps; ++level) {
    std::string path;
    for (int r = 0; r < rows; ++r) {
      const double y = span_y - (r + 0.5) * kCell * scale;  // metres above the grid's bottom
      const std::int64_t gr = g.rows - 1 - static_cast<std::int64_t>(std::floor(y / g.cell));
      int run_start = -1;
      for (int c = 0; c <= cols; ++c) {
        bool here = false;
        if (c < cols && gr >= 0 && gr < g.rows) {
          const std::int64_t gc = static_cast<std::int64_t>(std::floor((c + 0.5) * kCell * scale / g.cell));
          if (gc < g.columns) {
            const double d = diff.d[static_cast<std::size_t>(gr * g.columns + gc)];
            here = !std::isnan(d) && level_of(d) == level;
          }
        }
        if (here && run_start < 0) run_start = c;
        if (!here && run_start >= 0) {
          path += "M" + std::to_string(left + run_start * kCell) + " " + std::to_string(top + r * kCell) + "h" +
                  std::to_string((c - run_start) * kCell) + "v" + std::to_string(kCell) + "h-" +
                  std::to_string((c - run_start) * kCell) + "z";
          run_start = -1;
        }
      }
    }
    if (path.empty()) continue;
    write_str(f, "<path fill=\"" + difference_colour(static_cast<double>(level) / kSteps) + "\" d=\"");
    write_str(f, path);
    write_str(f, "\"/>");
    end_line(f);
    io_check();
  }
  svg_rect(f, left, top, map_w, map_h, "fill=\"none\" " + std::string(kInk));

  // The boundary.
  if (!run.boundary_path.empty()) {
    std::string path;
    for (const surface::Corner& k : run.boundary.corners) {
      path += path.empty() ? "M" : "L";
      path += fixed_text(left + (k.x - g.x0) / scale, 1) + " " + fixed_text(top + (span_y - (k.y - g.y0)) / scale, 1);
    }
    // Drawn within the map: a boundary larger than the common area runs along
    // the frame.
    write_str(f, "<clipPath id=\"map\">");
    svg_rect(f, left, top, map_w, map_h, "");
    write_str(f, "</clipPath>");
    end_line(f);
    write_str(f, "<path clip-path=\"url(#map)\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\" "
                 "stroke-dasharray=\"6 3\" d=\"" + path + "Z\"/>");
    end_line(f);
    io_check();
  }

  // The legend: the colours from the most above down to the most below.
  const int lx = left + map_w + 40, ly = top + 10;
  svg_text(f, lx, ly, "font-weight=\"bold\"", "survey - reference, m");
  const int box = 16;
  const int d = decimals_of(m / 2);
  for (int level = kSteps; level >= -kSteps; --level) {
    const int y = ly + 12 + (kSteps - level) * box;
    svg_rect(f, lx, y, 24, box,
             "fill=\"" + difference_colour(static_cast<double>(level) / kSteps) + "\" stroke=\"none\"");
    if (level % (kSteps / 2) == 0)
      svg_text(f, lx + 32, y + box / 2 + 4, "", (level > 0 ? "+" : "") + fixed_text(m * level / kSteps, d));
  }
  svg_rect(f, lx, ly + 12, 24, (2 * kSteps + 1) * box, "fill=\"none\" " + std::string(kInk));
  const int below_y = ly + 12 + (2 * kSteps + 1) * box;
  svg_text(f, lx, below_y + 18, "font-size=\"11\"", "warm: " + above_name(run));
  svg_text(f, lx, below_y + 34, "font-size=\"11\"", "cool: " + below_name(run));
  if (!run.boundary_path.empty()) {
    svg_line(f, lx, below_y + 48, lx + 24, below_y + 48, "stroke=\"#000000\" stroke-width=\"1.5\" stroke-dasharray=\"6 3\"");
    svg_text(f, lx + 32, below_y + 52, "font-size=\"11\"", "boundary " + run.boundary_path);
  }
  write_scale_bar(f, left, top + map_h + 30, scale);
  write_north_arrow(f, lx + 12, below_y + 66);
  svg_end(f);
}

}  // namespace survey_volume
