#include "lambert_conic.h"

#include <cmath>
#include <numbers>

namespace survey_rt {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// m of a latitude (degrees): the radius of its parallel over a.
double parallel_radius(double ecc, double lat) {
  const double s = std::sin(lat * kDegree);
  return std::cos(lat * kDegree) / std::sqrt(1 - ecc * ecc * s * s);
}

// The isometric latitude psi = asinh(tan chi) of a latitude in radians; its
// cosine from its sine, one call less for every point.
double isometric(const ConformalSeries& c, double phi) {
  const double s = std::sin(phi);
  return std::asinh(s * conformal_ratio(c, s * s) / std::sqrt((1 - s) * (1 + s)));
}

LambertConic cone(const Ellipsoid& e, double n, double lat1, double k0, double latf, double lonf,
                  double false_easting, double false_northing) {
  LambertConic lcc;
  lcc.ecc = eccentricity(e);
  lcc.conformal = conformal_series(lcc.ecc);
  lcc.n = n;
  lcc.a_f = e.a * k0 * parallel_radius(lcc.ecc, lat1) / n * std::exp(n * isometric(lcc.conformal, lat1 * kDegree));
  lcc.r_origin = lcc.a_f * std::exp(-n * isometric(lcc.conformal, latf * kDegree));
  lcc.lambda0 = lonf * kDegree;
  lcc.false_easting = false_easting;
  lcc.false_northing = false_northing;
  return lcc;
}

}  // namespace

LambertConic lambert_conic_1sp(const Ellipsoid& e, double lat0, double lon0, double k0, double false_easting,
                               double false_northing) {
  return cone(e, std::sin(lat0 * kDegree), lat0, k0, lat0, lon0, false_easting, false_northing);
}

LambertConic lambert_conic_2sp(const Ellipsoid& e, double lat1, double lat2, double latf, double lonf,
                               double false_easting, double false_northing) {
  const double ecc = eccentricity(e);
  const ConformalSeries c = conformal_series(ecc);
  const double n = lat1 == lat2 ? std::sin(lat1 * kDegree)
                                : std::log(parallel_radius(ecc, lat1) / parallel_radius(ecc, lat2)) /
                                      (isometric(c, lat2 * kDegree) - isometric(c, lat1 * kDegree));
  return cone(e, n, lat1, 1.0, latf, lonf, false_easting, false_northing);
}

GridXY lcc_forward(const LambertConic& lcc, Geographic p) {
  // t = exp(-psi) = sqrt(1 + tau'^2) - tau', multiplied through by cos phi
  // (ctau = cos phi tau'), from the side without cancellation; r = a_f t^n.
  const double s = std::sin(p.phi), c = std::sqrt((1 - s) * (1 + s));
  const double ctau = s * conformal_ratio(lcc.conformal, s * s);
  const double root = std::sqrt(ctau * ctau + c * c);
  const double t = ctau >= 0 ? c / (root + ctau) : (root - ctau) / c;
  const double r = lcc.a_f * std::pow(t, lcc.n);
  const double theta = lcc.n * longitude_difference(p.lambda, lcc.lambda0);
  return {lcc.false_easting + r * std::sin(theta), lcc.false_northing + lcc.r_origin - r * std::cos(theta)};
}

Geographic lcc_inverse(const LambertConic& lcc, GridXY g) {
  const double sign = lcc.n < 0 ? -1.0 : 1.0;
  const double dx = g.x - lcc.false_easting;
  const double dy = lcc.r_origin - (g.y - lcc.false_northing);
  const double r = sign * std::hypot(dx, dy);
  const double theta = std::atan2(sign * dx, sign * dy);
  const double psi = -std::log(r / lcc.a_f) / lcc.n;
  const double lambda = longitude_difference(lcc.lambda0 + theta / lcc.n, 0);
  return {std::atan(geodetic_tan(std::sinh(psi), lcc.ecc)), lambda};
}

}  // namespace survey_rt
