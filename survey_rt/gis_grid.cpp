#include "gis_grid.h"

#include <array>
#include <cmath>

#include "dxf_drawing.h"
#include "point_list.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegree = kPi / 180;

}  // namespace

GisCrs chain_tm(double meridian, double scale) {
  GisCrs crs;
  crs.name = "Transverse Mercator " + dxf_real(meridian) + " " + dxf_real(scale);
  crs.datum = "WGS 84 b 6356752.314";
  crs.method = GisMethod::transverse_mercator;
  crs.lat0 = 0;
  crs.lon0 = meridian;
  crs.k0 = scale;
  // The false easting and northing of the two grids in use, as utm_points
  // takes them; none for any other.
  if (scale == 1.0 && meridian == 27.0) {
    crs.fe = 9500113.804;
    crs.fn = 122.463;
  } else if (scale == 1.0 && meridian == 24.0) {
    crs.fe = -999995.235;
    crs.fn = 0.698;
  }
  crs.ellipsoid = {"WGS 84 b 6356752.314", 0, 6378137.0, 0, 6356752.314};
  crs.ellipsoid.inverse_flattening = crs.ellipsoid.a / (crs.ellipsoid.a - crs.ellipsoid.b);
  return crs;
}

ToWgs84 inverse_tm(const GisCrs& crs) {
  const double f = 1 / crs.ellipsoid.inverse_flattening;
  const double n = f / (2 - f), n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  const double big_a = crs.ellipsoid.a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
  // From the plane to the conformal sphere (beta), and from the conformal
  // latitude to the latitude (delta).
  const std::array<double, 6> beta = {
      n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800,
      n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720,
      17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720,
      4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600,
      4583 * n5 / 161280 - 108847 * n6 / 3991680,
      20648693 * n6 / 638668800};
  const std::array<double, 6> delta = {
      2 * n - 2 * n2 / 3 - 2 * n3 + 116 * n4 / 45 + 26 * n5 / 45 - 2854 * n6 / 675,
      7 * n2 / 3 - 8 * n3 / 5 - 227 * n4 / 45 + 2704 * n5 / 315 + 2323 * n6 / 945,
      56 * n3 / 15 - 136 * n4 / 35 - 1262 * n5 / 105 + 73814 * n6 / 2835,
      4279 * n4 / 630 - 332 * n5 / 35 - 399572 * n6 / 14175,
      4174 * n5 / 315 - 144838 * n6 / 6237,
      601676 * n6 / 22275};
  // Latitude and longitude difference of the point (xi, eta) on the
  // projection of unit radius A.
  const auto geographic = [beta, delta](double xi1, double eta1, double& lat, double& dlon) {
    double xi = xi1, eta = eta1;
    for (int j = 1; j <= 6; ++j) {
      xi -= beta[j - 1] * std::sin(2 * j * xi1) * std::cosh(2 * j * eta1);
      eta -= beta[j - 1] * std::cos(2 * j * xi1) * std::sinh(2 * j * eta1);
    }
    const double chi = std::asin(std::sin(xi) / std::cosh(eta));
    lat = chi;
    for (int j = 1; j <= 6; ++j) lat += delta[j - 1] * std::sin(2 * j * chi);
    dlon = std::atan2(std::sinh(eta), std::cos(xi));
  };
  // The northing of the latitude of origin on the central meridian, found by
  // halving: the latitude grows with xi there.
  double low = -kPi / 2, high = kPi / 2;
  for (int i = 0; i < 100; ++i) {
    const double mid = (low + high) / 2;
    double lat = 0, dlon = 0;
    geographic(mid, 0, lat, dlon);
    (lat < crs.lat0 * kDegree ? low : high) = mid;
  }
  const double xi0 = (low + high) / 2;
  const double k0a = crs.k0 * big_a, fe = crs.fe, fn = crs.fn, lon0 = crs.lon0;
  return [=](double x, double y) {
    double lat = 0, dlon = 0;
    geographic((y - fn) / k0a + xi0, (x - fe) / k0a, lat, dlon);
    return LonLat{lon0 + dlon / kDegree, lat / kDegree};
  };
}

GisGrid gis_grid() {
  GisGrid grid;
  TextFile f;
  if (!open_input_if_present(f, "PM/La_Lo_De.txt")) return grid;
  io_check();
  const SurveyParameters p = read_point_list_header(f);
  io_check();
  close_file(f);
  io_check();
  grid.known = true;
  grid.source = "PM/La_Lo_De.txt";
  grid.crs = chain_tm(p.meridian, p.scale_projection);
  grid.to_wgs84 = inverse_tm(grid.crs);
  return grid;
}

}  // namespace survey_rt
