// The Transverse Mercator projection (EPSG method 9807) by Krüger's series to
// the sixth order in the third flattening n, as Karney (2011, "Transverse
// Mercator with an accuracy of a few nanometers", eqs. 35-36) gives them:
// within 3900 km of the central meridian the series keep to a few nanometres
// of the exact mapping. Forward and inverse.
//
// Forward: the conformal latitude (ellipsoid.h), then the spherical
// Transverse Mercator xi', eta' of it, then
//   xi + i eta = zeta' + sum_j alpha_j sin(2 j zeta'),   zeta' = xi' + i eta'
// summed by Clenshaw's rule in complex numbers, and
//   E = FE + k0 A eta,  N = FN + k0 (A xi - A xi0)
// with A the rectifying radius and xi0 the xi of the latitude of origin.
// Inverse: the same with the beta_j, then the latitude from the conformal
// latitude by Newton's method.
#pragma once

#include <numbers>

#include "ellipsoid.h"

namespace survey_rt {

struct GridXY {
  double x = 0;  // easting, metres
  double y = 0;  // northing, metres
};

// A Transverse Mercator ready to project: its constants worked out once.
struct TransverseMercator {
  double ecc = 0;          // the ellipsoid's eccentricity
  ConformalSeries conformal;  // tan of the conformal latitude from the latitude's sine
  double k0_a = 0;         // k0 times the rectifying radius A, metres
  double alpha[6] = {};    // Krüger's alpha_1..6 (forward)
  double beta[6] = {};     // Krüger's beta_1..6 (inverse)
  double lambda0 = 0;      // central meridian, radians
  double false_easting = 0;
  double false_northing = 0;  // FN less k0 A xi0, the northing of the latitude of origin
};

// Degrees for the latitude of origin and the central meridian; the scale
// factor on the central meridian; metres for the false easting and northing.
TransverseMercator transverse_mercator(const Ellipsoid& e, double lat0, double lon0, double k0,
                                       double false_easting, double false_northing);

GridXY tm_forward(const TransverseMercator& tm, Geographic p);

// lambda - lambda0 brought into -pi .. pi (or -half_turn .. half_turn: 180
// for degrees), cheaply for the usual case.
double longitude_difference(double lambda, double lambda0, double half_turn = std::numbers::pi);
Geographic tm_inverse(const TransverseMercator& tm, GridXY g);

}  // namespace survey_rt
