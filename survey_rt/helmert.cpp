#include "helmert.h"

#include <numbers>

namespace survey_rt {
namespace {

constexpr double kArcSecond = std::numbers::pi / (180 * 3600);

Geocentric times(const double (&m)[3][3], double x, double y, double z) {
  return {m[0][0] * x + m[0][1] * y + m[0][2] * z, m[1][0] * x + m[1][1] * y + m[1][2] * z,
          m[2][0] * x + m[2][1] * y + m[2][2] * z};
}

}  // namespace

Helmert helmert(const HelmertParameters& p) {
  Helmert h;
  h.t[0] = p.dx;
  h.t[1] = p.dy;
  h.t[2] = p.dz;
  const double sign = p.rotation == Rotation::position_vector ? 1.0 : -1.0;
  const double rx = sign * p.rx * kArcSecond, ry = sign * p.ry * kArcSecond, rz = sign * p.rz * kArcSecond;
  const double k = 1 + p.ds * 1e-6;
  const double r[3][3] = {{1, -rz, ry}, {rz, 1, -rx}, {-ry, rx, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) h.m[i][j] = k * r[i][j];
  // The inverse by its cofactors over the determinant.
  const auto& m = h.m;
  const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
  h.inverse[0][0] = c00 / det;
  h.inverse[1][0] = c01 / det;
  h.inverse[2][0] = c02 / det;
  h.inverse[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
  h.inverse[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
  h.inverse[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  h.inverse[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
  h.inverse[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
  h.inverse[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  return h;
}

Geocentric helmert_to_wgs84(const Helmert& h, const Geocentric& g) {
  const Geocentric r = times(h.m, g.x, g.y, g.z);
  return {h.t[0] + r.x, h.t[1] + r.y, h.t[2] + r.z};
}

Geocentric helmert_from_wgs84(const Helmert& h, const Geocentric& g) {
  return times(h.inverse, g.x - h.t[0], g.y - h.t[1], g.z - h.t[2]);
}

}  // namespace survey_rt
