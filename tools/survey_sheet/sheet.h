// A page of the survey sheet drawn: the map at exact scale (grid, the TIN's
// outline, contours and their labels, soundings) inside its frame with the
// grid's labels, and the panel beside it (north arrow, scale bar, legend,
// index of the sheets, title block).
#pragma once

#include <string>
#include <vector>

#include "contour_labels.h"
#include "layout.h"
#include "paper.h"
#include "selection.h"
#include "surface.h"

namespace survey_sheet {

// What the sheets show, the same on every sheet.
struct Survey {
  double scale = 1000;                       // the sheet at 1:scale
  double text_mm = 2;                        // the soundings' text height on paper
  soundings::Measures m;                     // ... and their measures on the ground
  std::vector<soundings::Sounding> kept;     // the soundings drawn, in file order
  std::vector<surface::Contour> contours;    // by level
  std::vector<Extent> contour_bounds;        // each contour's, made by bound_contours
  double interval = 1;                       // the contours' interval, metres
  int major = 5;                             // every major-th level bolder and labelled
  std::vector<ContourLabel> labels;          // the major contours' labels
  std::vector<std::vector<surface::Point2>> outline;  // the TIN's outline
  double grid = 100;                         // the grid's interval, metres
  std::string title;                         // UTF-8
  std::vector<std::string> notes;            // the title block's lines after the scale
};

// The cap height of the contours' labels on paper, millimetres, and the
// paper kept clear around them.
constexpr double kContourTextMm = 1.8;
constexpr double kContourPadMm = 0.4;

// Each contour's bounds, so that a sheet passes over the contours it does not
// meet at once.
void bound_contours(Survey& s);

Page draw_sheet(const Survey& s, const SheetPlan& plan, const Sheet& sheet);

}  // namespace survey_sheet
