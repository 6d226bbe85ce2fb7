// The labels of the major contours on the survey sheet: each a depth along
// its line, set where the line runs straight under it and where it covers
// no sounding and no other label.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "selection.h"
#include "surface.h"

namespace survey_sheet {

// A label as placed, on the ground: the centre of its text, the direction of
// its baseline (degrees counter-clockwise from east, kept upright: above -90,
// at most 90), its text's length and cap height, the text (label_text) and
// the level.
struct ContourLabel {
  double x = 0, y = 0;
  double angle = 0;
  double length = 0, height = 0;
  std::string text;
  double level = 0;  // the contour's height z
};

// The text of a contour's label: the depth -z of its level, one decimal.
std::string label_text(const surface::Contour& c);

// A rectangle, turned or not: its corners in order around it.
struct Quad {
  surface::Point2 corner[4];
};
// Whether two rectangles share more than an edge.
bool quads_overlap(const Quad& a, const Quad& b);
// The label's text box, grown by pad on every side.
Quad label_quad(const ContourLabel& l, double pad);
// The start of the label's baseline: where its text begins.
surface::Point2 baseline_start(const ContourLabel& l);

// The labels of the major contours (every major-th level) for text of cap
// height height metres of ground: one a line, one every 60 heights along a
// longer one, each at the first place near its target, along the line, where
// the line runs straight under it (within the box grown by pad, which the
// sheet paints white under the text) and that box meets neither a
// box of boxes (the soundings' labels) nor a label placed before it. A line
// shorter than twice a label, and a label that finds no such place, go
// without.
std::vector<ContourLabel> place_contour_labels(const std::vector<surface::Contour>& contours, int major,
                                               std::span<const soundings::Box> boxes, double height, double pad);

}  // namespace survey_sheet
