// The layout of the survey sheet: the paper, where the map, its labels and
// the panel of title block, legend and index stand on a page, the grid's
// interval, and the survey cut into sheets that overlap.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace survey_sheet {

// An ISO paper size, its short side first, millimetres.
struct Paper {
  std::string_view name;
  double short_side = 0, long_side = 0;
};
// A0 to A4, the name in any letter case; nullptr for another.
const Paper* paper_named(std::string_view name);

enum class Orientation { landscape, portrait };

// Where things stand on a page, millimetres from its top left corner: 10 mm
// of paper left bare at every edge (plotters do not print there), the grid's
// labels in a band of 8 mm around the map, the panel 90 mm wide on the right.
struct PageLayout {
  double width = 0, height = 0;  // the page
  double map_left = 0, map_top = 0, map_width = 0, map_height = 0;
  double panel_left = 0, panel_width = 0;
};
PageLayout page_layout(const Paper& paper, Orientation orientation);

// A rectangle of ground, metres.
struct Extent {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The sheets' overlap on paper, millimetres.
constexpr double kOverlapMm = 10;

// A sheet: its number (from 1, west to east along a row, the rows from south
// to north), its place in the rows and columns, and the ground its map shows.
struct Sheet {
  int number = 0, column = 0, row = 0;
  Extent ground;
};

// The survey's sheets: the orientation, the page, the columns and rows of
// the sheets laid over the survey (centred on it, each overlapping the next
// by kOverlapMm of paper) and the sheets that hold something of it.
struct SheetPlan {
  Orientation orientation = Orientation::landscape;
  PageLayout page;
  int columns = 0, rows = 0;
  std::vector<Sheet> sheets;
};

// Cuts the survey's extent into sheets at 1:scale; occupied(ground) tells
// whether the survey has anything in a sheet's ground (a sheet without is
// left out). Without an orientation given, the one that needs fewer sheets;
// of two that need as many, the one whose map is shaped more like the survey
// (landscape for a square one).
SheetPlan plan_sheets(const Extent& survey, const Paper& paper, std::optional<Orientation> orientation, double scale,
                      const std::function<bool(const Extent&)>& occupied);

// The grid's interval for a sheet at 1:scale: a round figure of metres (1,
// 2, 2.5 or 5 times a power of ten, else 1.5, 3, 4, 6 or 8 times one) whose
// lines stand 80 to 150 mm apart on paper, the nearest to 100 mm of them.
double grid_interval(double scale);

// The map of a sheet on its page: a ground position's place on paper,
// millimetres from the page's top left corner.
struct MapView {
  double left = 0, top = 0;  // the map's top left corner on paper
  double x0 = 0, y1 = 0;     // the ground there (west, north)
  double mm = 1;             // millimetres of paper a metre of ground
  double u(double x) const { return left + (x - x0) * mm; }
  double v(double y) const { return top + (y1 - y) * mm; }
};
MapView map_view(const PageLayout& page, const Sheet& sheet, double scale);

}  // namespace survey_sheet
