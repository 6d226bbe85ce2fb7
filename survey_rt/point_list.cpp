#include "point_list.h"

namespace survey_rt {

void write_point_list_header(TextFile& f) {
  write_str(f, "Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel");
  end_line(f);
  write_str(f, "--------------------------------------------------------------");
  end_line(f);
  write_str(f, "27.0 1.0 0.0 0.5 1.0 0.0 ");
  end_line(f);
}

SurveyParameters read_point_list_header(TextFile& f) {
  skip_line(f);
  skip_line(f);
  SurveyParameters p;
  p.meridian = read_real(f);
  p.scale_projection = read_real(f);
  p.tide = read_real(f);
  p.ant_depth = read_real(f);
  p.scale_depth = read_real(f);
  p.zero_level = read_real(f);
  return p;
}

void write_point(TextFile& f, const PointRecord& p, int depth_decimals) {
  write_fixed(f, p.latitude, 0, 8);
  write_char(f, ' ');
  write_fixed(f, p.longitude, 0, 8);
  write_char(f, ' ');
  write_fixed(f, p.depth, 0, depth_decimals);
}

PointRecord read_point(TextFile& f) {
  PointRecord p;
  p.latitude = read_real(f);
  p.longitude = read_real(f);
  p.depth = read_real(f);
  skip_line(f);
  return p;
}

}  // namespace survey_rt
