// The seven-parameter Helmert shift of geocentric X Y Z from a grid's datum to
// WGS 84, in either sign convention of its rotations (EPSG methods 9606 and
// 9607, for geocentric coordinates 1033 and 1032):
//   X' = T + (1 + s) R X
//   position vector  R = |  1   -rz   ry |    coordinate frame: the same with
//                        |  rz   1   -rx |    the rotations' signs turned
//                        | -ry   rx   1  |    (R transposed)
// with T = (dx, dy, dz) in metres, the rotations in arc-seconds and s in ppm
// as the parameters are published. The inverse (WGS 84 to the datum) solves
// that equation exactly, X = R^-1 (X' - T) / (1 + s), rather than turning
// the parameters' signs, which is good only to some millimetres.
#pragma once

#include <cstdint>

#include "ellipsoid.h"

namespace survey_rt {

enum class Rotation : std::uint8_t { position_vector, coordinate_frame };

struct HelmertParameters {
  double dx = 0, dy = 0, dz = 0;  // metres
  double rx = 0, ry = 0, rz = 0;  // arc-seconds
  double ds = 0;                  // ppm
  Rotation rotation = Rotation::position_vector;
};

// A shift ready to apply: (1 + s) R and its inverse.
struct Helmert {
  double t[3] = {};
  double m[3][3] = {};        // (1 + s) R
  double inverse[3][3] = {};  // ((1 + s) R)^-1
};

Helmert helmert(const HelmertParameters& p);
// The grid's datum to WGS 84, and back.
Geocentric helmert_to_wgs84(const Helmert& h, const Geocentric& g);
Geocentric helmert_from_wgs84(const Helmert& h, const Geocentric& g);

}  // namespace survey_rt
