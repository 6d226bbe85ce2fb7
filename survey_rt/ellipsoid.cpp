#include "ellipsoid.h"

#include <array>
#include <cmath>

#include "ascii_case.h"

namespace survey_rt {
namespace {

// 1/f of an ellipsoid that the registry gives by its two axes.
constexpr double by_axes(double a, double b) { return a / (a - b); }

// EPSG registry v10.076 (PROJ 9.1.1's proj.db): a and 1/f, or a and b.
constexpr Ellipsoid kNamed[] = {
    {"WGS84", "WGS 84", 7030, 6378137.0, 298.257223563},
    {"GRS80", "GRS 1980", 7019, 6378137.0, 298.257222101},
    {"Bessel1841", "Bessel 1841", 7004, 6377397.155, 299.1528128},
    {"Krassovsky1940", "Krassowsky 1940", 7024, 6378245.0, 298.3},
    {"International1924", "International 1924", 7022, 6378388.0, 297.0},
    {"Clarke1866", "Clarke 1866", 7008, 6378206.4, by_axes(6378206.4, 6356583.8)},
    {"Clarke1880IGN", "Clarke 1880 (IGN)", 7011, 6378249.2, by_axes(6378249.2, 6356515.0)},
    {"Airy1830", "Airy 1830", 7001, 6377563.396, 299.3249646},
};

constexpr Ellipsoid kChain = {"WGS84 (b 6356752.314)", "WGS 84 (b 6356752.314)", 0, 6378137.0,
                              by_axes(6378137.0, 6356752.314)};

}  // namespace

std::span<const Ellipsoid> named_ellipsoids() { return kNamed; }

const Ellipsoid* find_ellipsoid(std::string_view name) {
  for (const Ellipsoid& e : kNamed)
    if (equal_nocase(e.name, name)) return &e;
  return nullptr;
}

const Ellipsoid* ellipsoid_of_code(int epsg) {
  for (const Ellipsoid& e : kNamed)
    if (e.epsg == epsg) return &e;
  return nullptr;
}

const Ellipsoid& wgs84_ellipsoid() { return kNamed[0]; }
const Ellipsoid& chain_ellipsoid() { return kChain; }

double flattening(const Ellipsoid& e) { return 1 / e.inverse_flattening; }
double semi_minor_axis(const Ellipsoid& e) { return e.a * (1 - flattening(e)); }
double eccentricity(const Ellipsoid& e) {
  const double f = flattening(e);
  return std::sqrt(f * (2 - f));
}

Geocentric to_geocentric(const Ellipsoid& e, Geographic p, double h) {
  const double f = flattening(e);
  const double e2 = f * (2 - f);
  const double s = std::sin(p.phi), c = std::cos(p.phi);
  const double nu = e.a / std::sqrt(1 - e2 * s * s);  // radius of the prime vertical
  return {(nu + h) * c * std::cos(p.lambda), (nu + h) * c * std::sin(p.lambda), (nu * (1 - e2) + h) * s};
}

// Bowring's formula, one step from the parametric latitude of the point
// itself (tan u = a z / b p): within 1e-15 radians (10 nm) for heights within
// a kilometre of the ellipsoid, and no more calls than the one atan2 each.
Geographic to_geographic(const Ellipsoid& e, const Geocentric& g, double* height) {
  const double f = flattening(e);
  const double e2 = f * (2 - f);
  const double b = e.a * (1 - f);
  const double ep2 = e2 / (1 - e2);  // second eccentricity squared
  const double p = std::sqrt(g.x * g.x + g.y * g.y);
  const double az = e.a * g.z, bp = b * p, r = std::sqrt(az * az + bp * bp);
  const double su = az / r, cu = bp / r;  // sin and cos of u
  const double phi = std::atan2(g.z + ep2 * b * su * su * su, p - e2 * e.a * cu * cu * cu);
  if (height != nullptr) {
    const double s = std::sin(phi);
    *height = p * std::cos(phi) + g.z * s - e.a * std::sqrt(1 - e2 * s * s);
  }
  return {phi, std::atan2(g.y, g.x)};
}

ConformalSeries conformal_series(double ecc) {
  // Polynomials in u = x^2 by their coefficients of u^0 .. u^5, products cut there.
  using Poly = std::array<double, 6>;
  const auto times = [](const Poly& a, const Poly& b) {
    Poly p{};
    for (int i = 0; i < 6; ++i)
      for (int j = 0; i + j < 6; ++j) p[i + j] += a[i] * b[j];
    return p;
  };
  // y / x = e atanh(e x) / x = e^2 + e^4 u / 3 + e^6 u^2 / 5 + ...
  Poly y{};
  double e2k = 1;
  for (int k = 0; k < 6; ++k) {
    e2k *= ecc * ecc;
    y[k] = e2k / (2 * k + 1);
  }
  // P = sinh(y) / x = y/x (1 + u (y/x)^2 / 6 + u^2 (y/x)^4 / 120); y^7 / 5040 is below 1e-18 of it.
  const auto shifted = [](const Poly& a, int k) {  // u^k a
    Poly p{};
    for (int i = 0; i + k < 6; ++i) p[i + k] = a[i];
    return p;
  };
  const Poly y2 = times(y, y), y4 = times(y2, y2);
  const Poly y3 = times(y2, y), y5 = times(y4, y);
  Poly p{};
  for (int i = 0; i < 6; ++i) p[i] = y[i] + shifted(y3, 1)[i] / 6 + shifted(y5, 2)[i] / 120;
  // w = sigma^2 = u P^2, at most 5e-5: sqrt(1 + w) = 1 + w/2 - w^2/8 + w^3/16.
  const Poly w = shifted(times(p, p), 1), w2 = times(w, w), w3 = times(w2, w);
  ConformalSeries c;
  for (int i = 0; i < 6; ++i) c.r[i] = (i == 0 ? 1 : 0) + w[i] / 2 - w2[i] / 8 + w3[i] / 16 - p[i];
  return c;
}

double conformal_tan(double tau, double ecc) {
  return tau * conformal_ratio(conformal_series(ecc), tau * tau / (1 + tau * tau));
}

// Newton's method on tau' (tau) = tau_conformal; the derivative
// d tau'/d tau = (1 - e^2) sqrt(1 + tau'^2) sqrt(1 + tau^2) / (1 + (1 - e^2) tau^2).
// Two or three steps reach the last bit.
double geodetic_tan(double tau_conformal, double ecc) {
  const double e2m = 1 - ecc * ecc;
  const ConformalSeries series = conformal_series(ecc);
  double tau = tau_conformal / e2m;  // a start close above the root
  for (int i = 0; i < 8; ++i) {
    const double taup = tau * conformal_ratio(series, tau * tau / (1 + tau * tau));
    const double dtau = (tau_conformal - taup) * (1 + e2m * tau * tau) /
                        (e2m * std::hypot(1.0, tau) * std::hypot(1.0, taup));
    tau += dtau;
    if (!(std::fabs(dtau) >= 1e-15 * std::fmax(1.0, std::fabs(tau)))) break;
  }
  return tau;
}

}  // namespace survey_rt
