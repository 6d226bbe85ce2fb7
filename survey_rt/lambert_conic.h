// The Lambert conformal conic projection in closed form, with one standard
// parallel (EPSG method 9801) or two (9802), as the EPSG guidance note 7-2
// gives it, written with the isometric latitude psi = asinh(tan chi) of the
// conformal latitude chi (t = exp(-psi)):
//   m(phi) = cos phi / sqrt(1 - e^2 sin^2 phi)
//   two parallels: n = ln(m1 / m2) / (psi2 - psi1), or sin phi1 when they are one
//   one parallel:  n = sin phi0
//   r(phi) = a k0 m1 / n exp(n (psi1 - psi))       (k0 = 1 and phi1 for two parallels)
//   theta = n (lambda - lambda0),  E = FE + r sin theta,  N = FN + r_origin - r cos theta
// where r_origin is the r of the latitude of (false) origin. The inverse takes
// r and theta back from E and N, psi from r, and the latitude from the
// conformal latitude by Newton's method.
#pragma once

#include "ellipsoid.h"
#include "transverse_mercator.h"

namespace survey_rt {

struct LambertConic {
  double ecc = 0;       // the ellipsoid's eccentricity
  ConformalSeries conformal;  // tan of the conformal latitude from the latitude's sine
  double n = 0;         // the cone's constant
  double a_f = 0;       // r = a_f exp(-n psi), metres (negative for a cone of the south, as n)
  double r_origin = 0;  // r of the latitude of origin, metres
  double lambda0 = 0;   // central meridian, radians
  double false_easting = 0;
  double false_northing = 0;
};

// One standard parallel: the latitude of origin lat0 (not 0), its scale k0.
LambertConic lambert_conic_1sp(const Ellipsoid& e, double lat0, double lon0, double k0, double false_easting,
                               double false_northing);
// Two standard parallels lat1 and lat2 (not symmetric about the equator), the
// false origin at latf, lonf. Degrees; metres.
LambertConic lambert_conic_2sp(const Ellipsoid& e, double lat1, double lat2, double latf, double lonf,
                               double false_easting, double false_northing);

GridXY lcc_forward(const LambertConic& lcc, Geographic p);
Geographic lcc_inverse(const LambertConic& lcc, GridXY g);

}  // namespace survey_rt
