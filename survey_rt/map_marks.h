// The scale bar and the north arrow of the maps, as geometry, so that the
// SVG pictures (svg.h) and the survey sheet's PDF draw the same marks.
#pragma once

namespace survey_rt {

// A scale bar of a round length of ground (1, 2 or 5 times a power of ten
// metres) as long as it can be up to longest units of a map at scale metres a
// unit, at least 0.4 of that; cut in four, labelled 0, at its half and at its
// end with the decimals its half needs.
struct ScaleBar {
  double metres = 0;  // the ground it shows
  double length = 0;  // in units of the map
  int decimals = 0;   // of its labels
};
ScaleBar scale_bar(double longest, double scale);

// A north arrow (grid north up) with its tip's column at x and its top at y,
// y growing downwards, in units of unit: the letter N above it (its baseline
// at letter), the dark right half and the light left half of the head (tip,
// outer corner, notch), and the caption's baseline below, 74 units from the
// top.
struct MarkPoint {
  double x = 0, y = 0;
};
struct NorthArrow {
  double letter = 0;
  MarkPoint dark[3], light[3];
  double caption = 0;
};
NorthArrow north_arrow(double x, double y, double unit);

}  // namespace survey_rt
