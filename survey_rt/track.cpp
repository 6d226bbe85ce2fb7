#include "track.h"

#include <cmath>

namespace survey_rt {

double add_track_step(double d, double px, double py, double x, double y) {
  const double dx = x - px;
  const double dy = y - py;
  // Not std::hypot: its result may differ in the last bit from the plain
  // square root of the sum, and both tools must agree to the bit.
  return d + std::sqrt(dx * dx + dy * dy);
}

}  // namespace survey_rt
