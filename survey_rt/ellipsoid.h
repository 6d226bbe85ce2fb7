// The ellipsoids of the grids: their axes by name, and what every grid does
// on them: latitude and longitude to geocentric X Y Z and back (where the
// datum shift works), and the conformal latitude (Transverse Mercator and the
// Lambert conic are conformal maps of it).
//
// Angles are radians here; the grids take degrees (grid.h).
#pragma once

#include <span>
#include <string_view>

namespace survey_rt {

struct Ellipsoid {
  std::string_view name;       // as a grid's text names it: "WGS84", "Bessel1841"
  std::string_view epsg_name;  // as the EPSG registry names it: "WGS 84", "Bessel 1841"
  int epsg = 0;                // its EPSG code (7030 for WGS 84); 0 for the chain's own
  double a = 0;                // semi-major axis, metres
  double inverse_flattening = 0;
};

// WGS84, GRS80, Bessel1841, Krassovsky1940, International1924, Clarke1866,
// Clarke1880IGN, Airy1830: the EPSG registry's axes (docs/utm_points.md).
std::span<const Ellipsoid> named_ellipsoids();
// The named ellipsoid, its name in any letter case; nullptr when unknown.
const Ellipsoid* find_ellipsoid(std::string_view name);
// The named ellipsoid of an EPSG code; nullptr when none.
const Ellipsoid* ellipsoid_of_code(int epsg);
const Ellipsoid& wgs84_ellipsoid();
// The ellipsoid of the chain's own Transverse Mercator (utm_points without a
// grid): a = 6378137 m, b = 6356752.314 m (WGS 84's b cut to the millimetre).
const Ellipsoid& chain_ellipsoid();

double flattening(const Ellipsoid& e);
double semi_minor_axis(const Ellipsoid& e);
double eccentricity(const Ellipsoid& e);

struct Geographic {
  double phi = 0;     // latitude, radians
  double lambda = 0;  // longitude, radians
};
struct Geocentric {
  double x = 0, y = 0, z = 0;  // metres
};

// The geocentric X Y Z of a point at height h above the ellipsoid.
Geocentric to_geocentric(const Ellipsoid& e, Geographic p, double h);
// The latitude and longitude of the foot of the ellipsoid's normal through g,
// and g's height above it; to 1e-15 radians within a kilometre of the surface.
Geographic to_geographic(const Ellipsoid& e, const Geocentric& g, double* height = nullptr);

// tan of the conformal latitude from tan of the latitude (tau), on an
// ellipsoid of eccentricity ecc, and back (Karney 2011, eqs. 7-9 and 19-21):
// tau' = tau sqrt(1 + sigma^2) - sigma sqrt(1 + tau^2), sigma = sinh(e atanh(e tau / sqrt(1 + tau^2))).
double conformal_tan(double tau, double ecc);
double geodetic_tan(double tau_conformal, double ecc);

// The same as a polynomial, for the hot path of a projection: with
// x = sin phi, sigma = x P(x^2) (the power series of atanh and sinh composed)
// and so tau' = tau R(x^2), R(u) = sqrt(1 + u P(u)^2) - P(u), up to u^5. e x
// is at most 0.083 on any ellipsoid of the Earth: what is left out is below
// 1e-16 of R, a nanometre on the ground.
struct ConformalSeries {
  double r[6] = {};  // R(u) = r0 + r1 u + ... + r5 u^5
};
ConformalSeries conformal_series(double ecc);
inline double conformal_ratio(const ConformalSeries& c, double u) {
  // Estrin's scheme: three short chains rather than one of six steps.
  const double u2 = u * u;
  return (c.r[0] + c.r[1] * u) + u2 * ((c.r[2] + c.r[3] * u) + u2 * (c.r[4] + c.r[5] * u));
}

}  // namespace survey_rt
