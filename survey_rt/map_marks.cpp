#include "map_marks.h"

#include "svg.h"

namespace survey_rt {

ScaleBar scale_bar(double longest, double scale) {
  ScaleBar bar;
  bar.metres = round_down_nice(longest * scale);
  bar.length = bar.metres / scale;
  bar.decimals = decimals_of(bar.metres / 2);
  return bar;
}

NorthArrow north_arrow(double x, double y, double unit) {
  NorthArrow a;
  a.letter = y + 12 * unit;
  const MarkPoint tip{x, y + 18 * unit}, notch{x, y + 48 * unit};
  a.dark[0] = a.light[0] = tip;
  a.dark[1] = {x + 9 * unit, y + 58 * unit};
  a.light[1] = {x - 9 * unit, y + 58 * unit};
  a.dark[2] = a.light[2] = notch;
  a.caption = y + 74 * unit;
  return a;
}

}  // namespace survey_rt
