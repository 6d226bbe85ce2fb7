#include "transverse_mercator.h"

#include <cmath>
#include <numbers>

namespace survey_rt {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// Krüger's coefficients as polynomials in n (Karney 2011, eqs. 35 and 36):
// row j holds the coefficients of n^1 .. n^6 of alpha_(j+1) or beta_(j+1).
constexpr double kAlpha[6][6] = {
    {1.0 / 2, -2.0 / 3, 5.0 / 16, 41.0 / 180, -127.0 / 288, 7891.0 / 37800},
    {0, 13.0 / 48, -3.0 / 5, 557.0 / 1440, 281.0 / 630, -1983433.0 / 1935360},
    {0, 0, 61.0 / 240, -103.0 / 140, 15061.0 / 26880, 167603.0 / 181440},
    {0, 0, 0, 49561.0 / 161280, -179.0 / 168, 6601661.0 / 7257600},
    {0, 0, 0, 0, 34729.0 / 80640, -3418889.0 / 1995840},
    {0, 0, 0, 0, 0, 212378941.0 / 319334400},
};
constexpr double kBeta[6][6] = {
    {1.0 / 2, -2.0 / 3, 37.0 / 96, -1.0 / 360, -81.0 / 512, 96199.0 / 604800},
    {0, 1.0 / 48, 1.0 / 15, -437.0 / 1440, 46.0 / 105, -1118711.0 / 3870720},
    {0, 0, 17.0 / 480, -37.0 / 840, -209.0 / 4480, 5569.0 / 90720},
    {0, 0, 0, 4397.0 / 161280, -11.0 / 504, -830251.0 / 7257600},
    {0, 0, 0, 0, 4583.0 / 161280, -108847.0 / 3991680},
    {0, 0, 0, 0, 0, 20648693.0 / 638668800},
};

double polynomial(const double (&c)[6], double n) {
  double sum = 0;
  for (int k = 5; k >= 0; --k) sum = (sum + c[k]) * n;
  return sum;
}

// A complex number, multiplied by hand: std::complex's product also guards
// against infinities, at a price paid for every point.
struct Complex {
  double re = 0, im = 0;
};
Complex operator*(Complex a, Complex b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// sum_j c_j sin(2 j zeta) for j = 1..6 by Clenshaw's rule, from sin(2 zeta)
// and cos(2 zeta): y_j = c_j + 2 cos(2 zeta) y_(j+1) - y_(j+2), sum = sin(2 zeta) y_1.
Complex clenshaw(const double (&c)[6], Complex sin2, Complex cos2) {
  const Complex two_cos = {2 * cos2.re, 2 * cos2.im};
  Complex y1, y2;
  for (int j = 5; j >= 0; --j) {
    const Complex t = two_cos * y1;
    const Complex y0 = {c[j] + t.re - y2.re, t.im - y2.im};
    y2 = y1;
    y1 = y0;
  }
  return sin2 * y1;
}

}  // namespace

double longitude_difference(double lambda, double lambda0, double half_turn) {
  const double d = lambda - lambda0;
  if (d >= -half_turn && d <= half_turn) return d;
  if (d > half_turn && d <= 3 * half_turn) return d - 2 * half_turn;
  if (d < -half_turn && d >= -3 * half_turn) return d + 2 * half_turn;
  return std::remainder(d, 2 * half_turn);
}

TransverseMercator transverse_mercator(const Ellipsoid& e, double lat0, double lon0, double k0,
                                       double false_easting, double false_northing) {
  TransverseMercator tm;
  const double f = flattening(e);
  const double n = f / (2 - f);
  const double n2 = n * n;
  tm.ecc = eccentricity(e);
  tm.conformal = conformal_series(tm.ecc);
  tm.k0_a = k0 * e.a / (1 + n) * (1 + n2 / 4 + n2 * n2 / 64 + n2 * n2 * n2 / 256);
  for (int j = 0; j < 6; ++j) {
    tm.alpha[j] = polynomial(kAlpha[j], n);
    tm.beta[j] = polynomial(kBeta[j], n);
  }
  tm.lambda0 = lon0 * kDegree;
  // The northing of the latitude of origin on the central meridian.
  const GridXY origin = tm_forward(tm, {lat0 * kDegree, tm.lambda0});
  tm.false_easting = false_easting;
  tm.false_northing = false_northing - origin.y;
  return tm;
}

GridXY tm_forward(const TransverseMercator& tm, Geographic p) {
  const double dlambda = longitude_difference(p.lambda, tm.lambda0);
  // Each cosine from its sine (one call less each, for every point of a
  // survey): cos phi is never negative, cos dlambda only beyond 90 degrees.
  const double sphi = std::sin(p.phi), cphi = std::sqrt((1 - sphi) * (1 + sphi));
  const double slam = std::sin(dlambda);
  const double clam = std::copysign(std::sqrt((1 - slam) * (1 + slam)), std::numbers::pi / 2 - std::fabs(dlambda));
  // tan of the conformal latitude, tau' = ctau / cos phi, and the spherical
  // Transverse Mercator of it, everything multiplied through by cos phi
  // (which saves divisions, and holds at the pole):
  //   tan xi' = ctau / cc,  tanh eta' = sc / root,
  //   eta' = log1p(2 tanh eta' / (1 - tanh eta')) / 2,
  // and the sines and cosines of their doubles without another call.
  const double ctau = sphi * conformal_ratio(tm.conformal, sphi * sphi);
  const double cc = cphi * clam, sc = cphi * slam;
  const double a = ctau * ctau + cphi * cphi;  // cos^2 phi (1 + tau'^2)
  const double root = std::sqrt(a);
  const double d = 1 / (ctau * ctau + cc * cc);  // 1 / (cos^2 phi (tau'^2 + cos^2 dlambda))
  const double xip = cc > 0 ? std::atan(ctau / cc) : std::atan2(ctau, cc);
  const double etap = std::log1p(2 * sc / (root - sc)) / 2;
  const double c2xi = (cc * cc - ctau * ctau) * d, s2xi = 2 * ctau * cc * d;
  const double ch2eta = (a + sc * sc) * d, sh2eta = 2 * sc * root * d;
  const Complex sum = clenshaw(tm.alpha, {s2xi * ch2eta, c2xi * sh2eta}, {c2xi * ch2eta, -s2xi * sh2eta});
  return {tm.false_easting + tm.k0_a * (etap + sum.im), tm.false_northing + tm.k0_a * (xip + sum.re)};
}

Geographic tm_inverse(const TransverseMercator& tm, GridXY g) {
  const double xi = (g.y - tm.false_northing) / tm.k0_a;
  const double eta = (g.x - tm.false_easting) / tm.k0_a;
  const double s2xi = std::sin(2 * xi), c2xi = std::cos(2 * xi);
  const double sh2eta = std::sinh(2 * eta), ch2eta = std::cosh(2 * eta);
  const Complex sum = clenshaw(tm.beta, {s2xi * ch2eta, c2xi * sh2eta}, {c2xi * ch2eta, -s2xi * sh2eta});
  const double xip = xi - sum.re, etap = eta - sum.im;
  const double shetap = std::sinh(etap), sxip = std::sin(xip), cxip = std::cos(xip);
  const double taup = sxip / std::hypot(shetap, cxip);
  const double lambda = longitude_difference(tm.lambda0 + std::atan2(shetap, cxip), 0);
  return {std::atan(geodetic_tan(taup, tm.ecc)), lambda};
}

}  // namespace survey_rt
