// The grids: their texts read and refused, the projections against figures
// worked out independently here (the meridian arc by numerical integration,
// the Lambert cone's scale along its standard parallels), the Helmert shift's
// pieces and conventions, the sensible ranges and the lines that show a grid.
// The table and the formulas against PROJ: tests/e2e/test_grids_proj.py.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "epsg_grids.h"
#include "grid.h"
#include "grid_text.h"
#include "survey_grid.h"
#include "test_support.h"

namespace survey_rt {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

GridDefinition parsed(const std::string& text) {
  GridDefinition g;
  std::string why;
  EXPECT_TRUE(parse_grid(text, g, why)) << text << ": " << why;
  return g;
}

TEST(GridText, GridsThatAreRead) {
  struct Case {
    const char* text;
    int epsg;
    Projection projection;
    double lat0, lon0, k0, fe, fn;
    const char* ellipsoid;
  };
  const auto tm = Projection::transverse_mercator;
  const Case cases[] = {
      {"UTM 35N", 32635, tm, 0, 27, 0.9996, 500000, 0, "WGS84"},
      {"utm 34s", 32734, tm, 0, 21, 0.9996, 500000, 10000000, "WGS84"},
      {"UTM1N", 32601, tm, 0, -177, 0.9996, 500000, 0, "WGS84"},
      {" UTM 60 S ", 32760, tm, 0, 177, 0.9996, 500000, 10000000, "WGS84"},
      {"EPSG:25832", 25832, tm, 0, 9, 0.9996, 500000, 0, "GRS80"},
      {"epsg:3346", 3346, tm, 0, 24, 0.9998, 500000, 0, "GRS80"},
      {"EPSG:2180", 2180, tm, 0, 19, 0.9993, 500000, -5300000, "GRS80"},
      {"EPSG:2154", 2154, Projection::lambert_conic_2sp, 46.5, 3, 1, 700000, 6600000, "GRS80"},
      {"tm 9 1 3500000 0 Bessel1841", 0, tm, 0, 9, 1, 3500000, 0, "Bessel1841"},
      {"TM -2 0.9996012717 400000 -100000 49 airy1830", 0, tm, 49, -2, 0.9996012717, 400000, -100000, "Airy1830"},
      {"tm 9 1 3500000 0 52", 0, tm, 52, 9, 1, 3500000, 0, "WGS84"},
      {"lcc 49 44 46.5 3 700000 6600000", 0, Projection::lambert_conic_2sp, 46.5, 3, 1, 700000, 6600000, "WGS84"},
      {"lcc1 46.8 2.337229167 0.99987742 600000 2200000 Clarke1880IGN", 0, Projection::lambert_conic_1sp, 46.8,
       2.337229167, 0.99987742, 600000, 2200000, "Clarke1880IGN"},
  };
  for (const Case& c : cases) {
    const GridDefinition g = parsed(c.text);
    EXPECT_EQ(g.epsg, c.epsg) << c.text;
    EXPECT_EQ(g.projection, c.projection) << c.text;
    EXPECT_EQ(g.latitude_of_origin, c.lat0) << c.text;
    EXPECT_EQ(g.central_meridian, c.lon0) << c.text;
    EXPECT_EQ(g.scale_factor, c.k0) << c.text;
    EXPECT_EQ(g.false_easting, c.fe) << c.text;
    EXPECT_EQ(g.false_northing, c.fn) << c.text;
    EXPECT_EQ(g.ellipsoid.name, c.ellipsoid) << c.text;
    EXPECT_FALSE(g.helmert) << c.text;
  }
  // Named grids keep their registry names; the others their text, blanks made single.
  EXPECT_EQ(parsed("UTM 35N").name, "WGS 84 / UTM zone 35N");
  EXPECT_EQ(parsed("EPSG:25832").datum, "ETRS89");
  EXPECT_EQ(parsed("EPSG:25832").datum_epsg, 4258);
  EXPECT_EQ(parsed("  tm  9 1\t3500000 0 ").name, "tm 9 1 3500000 0");
  EXPECT_EQ(parsed("  tm  9 1\t3500000 0 ").text, "tm 9 1 3500000 0");
  const GridDefinition l = parsed("lcc 49 44 46.5 3 700000 6600000");
  EXPECT_EQ(l.standard_parallel_1, 49);
  EXPECT_EQ(l.standard_parallel_2, 44);
}

TEST(GridText, GridsThatAreRefused) {
  struct Case {
    const char* text;
    const char* why;  // a part of the message
  };
  const Case cases[] = {
      {"", "no grid given"},
      {"UTM 0N", "UTM zone 0 does not exist: the zones run from 1 to 60"},
      {"UTM 61N", "UTM zone 61 does not exist"},
      {"UTM 35T", "not a latitude band: band T lies north: UTM 35N"},
      {"UTM 35C", "band C lies south: UTM 35S"},
      {"UTM 35", "after the zone comes N (north) or S (south)"},
      {"UTM 35NS", "after the zone comes N (north) or S (south)"},
      {"UTM", "UTM wants its zone and hemisphere"},
      {"UTM N35", "UTM wants its zone and hemisphere"},
      {"EPSG:4326", "EPSG:4326 is not a grid of the table; give it as UTM 35N"},
      {"EPSG:31467", "by its parameters: tm LON0 K0 FE FN [LAT0] [ELLIPSOID], lcc LAT1 LAT2 LAT0 LON0"},
      {"EPSG:", "is not a grid of the table"},
      {"EPSG:25832x", "is not a grid of the table"},
      {"tm 9 1 3500000", "tm LON0 K0 FE FN [LAT0] [ELLIPSOID] wants 4 or 5 numbers, not 3"},
      {"tm 9 1 3500000 0 0 0", "wants 4 or 5 numbers, not 6"},
      {"tm 200 1 0 0", "200 is no longitude"},
      {"tm 9 0 0 0", "0 is no scale factor"},
      {"tm 9 1 0 0 90", "90 is no latitude"},
      {"tm 9 1 0 0 Mars", "unknown ellipsoid \"Mars\": WGS84, GRS80, Bessel1841"},
      {"tm 9 1 x 0", "\"x\" is not a number"},
      {"tm 9 1 inf 0", "\"inf\" is not a number"},
      {"lcc 30 -30 0 0 0 0", "symmetric about the equator"},
      {"lcc 49 44 46.5 3 700000", "wants 6 numbers, not 5"},
      {"lcc1 0 3 1 0 0", "cannot be the equator"},
      {"mercator 0 1 0 0", "unknown grid \"mercator 0 1 0 0\": give it as"},
  };
  for (const Case& c : cases) {
    GridDefinition g;
    std::string why;
    EXPECT_FALSE(parse_grid(c.text, g, why)) << c.text;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.text << ": " << why;
  }
}

TEST(GridText, ShiftsAndTheirConventions) {
  struct Case {
    const char *helmert, *rotation;
    const char* why;  // empty: taken
  };
  const Case cases[] = {
      {"", "", ""},
      {"598.1 73.7 418.2 0.202 0.045 -2.455 6.7", "position-vector", ""},
      {"598.1,73.7,418.2, 0.202,0.045,-2.455,6.7", "Coordinate-Frame", ""},
      {"598.1 73.7 418.2 0.202 0.045 -2.455 6.7", "", "needs its rotation convention, position-vector or"},
      {"", "position-vector", "a rotation convention goes with a Helmert shift"},
      {"1 2 3", "position-vector", "seven numbers"},
      {"1 2 3 4 5 6 7 8", "position-vector", "seven numbers"},
      {"1 2 3 4 5 6 x", "position-vector", "\"x\" is not a number"},
      {"1 2 3 4 5 6 7", "frame", "position-vector (EPSG 9606) or coordinate-frame (EPSG 9607), not \"frame\""},
  };
  for (const Case& c : cases) {
    GridDefinition g;
    std::string why;
    const bool taken = parse_shifted_grid("tm 9 1 3500000 0 Bessel1841", c.helmert, c.rotation, g, why);
    EXPECT_EQ(taken, *c.why == '\0') << c.helmert << " / " << c.rotation << ": " << why;
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    if (taken && *c.helmert != '\0') {
      ASSERT_TRUE(g.helmert);
      EXPECT_EQ(g.helmert->dx, 598.1);
      EXPECT_EQ(g.helmert->rz, -2.455);
      EXPECT_EQ(g.helmert->ds, 6.7);
      EXPECT_EQ(g.helmert_text, "598.1 73.7 418.2 0.202 0.045 -2.455 6.7");
    }
  }
}

// The meridian arc from the equator to phi by Simpson's rule over the
// meridian's radius of curvature: an independent figure for the northing of a
// point on a Transverse Mercator's central meridian (k0 times the arc).
double meridian_arc(const Ellipsoid& e, double phi) {
  const double f = flattening(e), e2 = f * (2 - f);
  const int steps = 2000;
  const double h = phi / steps;
  double sum = 0;
  for (int i = 0; i <= steps; ++i) {
    const double s = std::sin(i * h);
    const double rho = e.a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5);
    sum += rho * (i == 0 || i == steps ? 1 : i % 2 == 1 ? 4 : 2);
  }
  return sum * h / 3;
}

TEST(TransverseMercator, CentralMeridianIsTheMeridianArcTimesTheScale) {
  for (const Ellipsoid& e : named_ellipsoids()) {
    for (const double lat0 : {0.0, 49.0, -36.879722}) {
      const TransverseMercator tm = transverse_mercator(e, lat0, 9, 0.9996, 500000, 1000);
      for (const double lat : {-80.0, -45.0, -0.5, 0.0, 12.0, 42.5, 60.0, 84.0}) {
        const GridXY g = tm_forward(tm, {lat * kDegree, 9 * kDegree});
        const double arc = 0.9996 * (meridian_arc(e, lat * kDegree) - meridian_arc(e, lat0 * kDegree));
        EXPECT_NEAR(g.x, 500000, 1e-9) << e.name << " " << lat;
        EXPECT_NEAR(g.y, 1000 + arc, 1e-5) << e.name << " " << lat0 << " " << lat;
      }
    }
  }
}

// The scale of a Lambert cone along a parallel: the grid's distance between
// two points 0.001 degrees apart on it over the parallel's own length there.
double scale_along_parallel(const LambertConic& lcc, const Ellipsoid& e, double lat, double lon) {
  const double f = flattening(e), e2 = f * (2 - f), s = std::sin(lat * kDegree);
  const double arc = e.a / std::sqrt(1 - e2 * s * s) * std::cos(lat * kDegree) * 0.001 * kDegree;
  const GridXY a = lcc_forward(lcc, {lat * kDegree, (lon - 0.0005) * kDegree});
  const GridXY b = lcc_forward(lcc, {lat * kDegree, (lon + 0.0005) * kDegree});
  return std::hypot(b.x - a.x, b.y - a.y) / arc;
}

TEST(LambertConic, TrueScaleOnItsStandardParallels) {
  struct Case {
    double lat1, lat2, latf, k_at_lat1;
    bool one_parallel;
  };
  const Case cases[] = {
      {49, 44, 46.5, 1, false}, {-36, -38, -37, 1, false}, {45, 45, 40, 1, false},
      {46.8, 46.8, 46.8, 0.99987742, true}, {-30, -30, -30, 0.99, true},
  };
  for (const Ellipsoid& e : named_ellipsoids()) {
    for (const Case& c : cases) {
      const LambertConic lcc = c.one_parallel ? lambert_conic_1sp(e, c.lat1, 3, c.k_at_lat1, 700000, 6600000)
                                              : lambert_conic_2sp(e, c.lat1, c.lat2, c.latf, 3, 700000, 6600000);
      EXPECT_NEAR(scale_along_parallel(lcc, e, c.lat1, 7), c.k_at_lat1, 1e-9) << e.name << " " << c.lat1;
      EXPECT_NEAR(scale_along_parallel(lcc, e, c.lat2, -2), c.k_at_lat1, 1e-9) << e.name << " " << c.lat2;
      // The false origin is (FE, FN); the central meridian runs north.
      const GridXY origin = lcc_forward(lcc, {c.latf * kDegree, 3 * kDegree});
      EXPECT_NEAR(origin.x, 700000, 1e-8);
      EXPECT_NEAR(origin.y, 6600000, 1e-8);
      const GridXY north = lcc_forward(lcc, {(c.latf + 1) * kDegree, 3 * kDegree});
      EXPECT_NEAR(north.x, 700000, 1e-8);
      EXPECT_GT(north.y, origin.y + 100000);
    }
  }
}

TEST(Ellipsoid, GeocentricAndBackAndTheConformalLatitude) {
  for (const Ellipsoid& e : named_ellipsoids()) {
    const double ecc = eccentricity(e);
    for (const double lat : {-89.9, -60.0, -1e-9, 0.0, 33.3, 71.0, 89.99})
      for (const double h : {-1000.0, -100.0, 0.0, 45.5, 1000.0}) {
        const Geographic p{lat * kDegree, 2.5};
        double height = 0;
        const Geographic q = to_geographic(e, to_geocentric(e, p, h), &height);
        EXPECT_NEAR(q.phi, p.phi, 1e-14) << e.name << " " << lat << " " << h;
        EXPECT_NEAR(q.lambda, p.lambda, 1e-14);
        EXPECT_NEAR(height, h, 1e-7) << e.name << " " << lat << " " << h;
      }
    for (const double tau : {-100.0, -1.0, 0.0, 1e-8, 0.7, 57.3}) {
      const double taup = conformal_tan(tau, ecc);
      EXPECT_LT(std::fabs(taup), std::fabs(tau) + 1e-300);  // the conformal latitude lies nearer the equator
      EXPECT_NEAR(geodetic_tan(taup, ecc), tau, 1e-14 * std::fmax(1, std::fabs(tau))) << e.name << " " << tau;
    }
  }
  // The series of the conformal latitude against the formula with the
  // library's atanh and sinh.
  for (const Ellipsoid& e : named_ellipsoids()) {
    const double ecc = eccentricity(e);
    for (double lat = -89.5; lat < 90; lat += 2.5) {
      const double tau = std::tan(lat * kDegree);
      const double sigma = std::sinh(ecc * std::atanh(ecc * std::sin(lat * kDegree)));
      const double taup = tau * std::sqrt(1 + sigma * sigma) - sigma * std::sqrt(1 + tau * tau);
      EXPECT_NEAR(conformal_tan(tau, ecc), taup, 2e-15 * std::fabs(taup)) << e.name << " " << lat;
    }
  }
  // The chain's own ellipsoid: b cut to the millimetre.
  EXPECT_DOUBLE_EQ(semi_minor_axis(chain_ellipsoid()), 6356752.314);
  EXPECT_NEAR(semi_minor_axis(wgs84_ellipsoid()), 6356752.314245, 1e-6);
}

TEST(Helmert, EachParameterAndBothConventions) {
  const Geocentric p{4000000, 700000, 4900000};
  const double second = kDegree / 3600;
  struct Case {
    HelmertParameters h;
    Geocentric expected;  // p moved as each parameter alone moves it
  };
  const Case cases[] = {
      {{100, -20, 3.5, 0, 0, 0, 0, Rotation::position_vector}, {4000100, 699980, 4900003.5}},
      {{0, 0, 0, 0, 0, 0, 2, Rotation::coordinate_frame}, {4000008, 700001.4, 4900009.8}},
      // A rotation of 1" about Z turns the point's longitude by +1" (position
      // vector) or -1" (coordinate frame): to first order x - y r, y + x r.
      {{0, 0, 0, 0, 0, 1, 0, Rotation::position_vector}, {4000000 - 700000 * second, 700000 + 4000000 * second, 4900000}},
      {{0, 0, 0, 0, 0, 1, 0, Rotation::coordinate_frame}, {4000000 + 700000 * second, 700000 - 4000000 * second, 4900000}},
      {{0, 0, 0, 1, 0, 0, 0, Rotation::position_vector}, {4000000, 700000 - 4900000 * second, 4900000 + 700000 * second}},
  };
  for (const Case& c : cases) {
    const Helmert h = helmert(c.h);
    const Geocentric q = helmert_to_wgs84(h, p);
    EXPECT_NEAR(q.x, c.expected.x, 1e-6);
    EXPECT_NEAR(q.y, c.expected.y, 1e-6);
    EXPECT_NEAR(q.z, c.expected.z, 1e-6);
  }
  // The same shift written in either convention moves alike; the inverse
  // takes it back to the micrometre.
  const Helmert pv = helmert({598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7, Rotation::position_vector});
  const Helmert cf = helmert({598.1, 73.7, 418.2, -0.202, -0.045, 2.455, 6.7, Rotation::coordinate_frame});
  const Geocentric a = helmert_to_wgs84(pv, p), b = helmert_to_wgs84(cf, p);
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  EXPECT_NEAR(a.z, b.z, 1e-9);
  EXPECT_GT(std::hypot(a.x - p.x, a.y - p.y, a.z - p.z), 500);
  const Geocentric back = helmert_from_wgs84(pv, a);
  EXPECT_NEAR(back.x, p.x, 1e-6);
  EXPECT_NEAR(back.y, p.y, 1e-6);
  EXPECT_NEAR(back.z, p.z, 1e-6);
}

TEST(Grid, SensibleRanges) {
  struct Case {
    const char* grid;
    double lat, lon;
    bool in;
  };
  const Case cases[] = {
      {"UTM 35N", 84, 27, true},      {"UTM 35N", 84.01, 27, false},   {"UTM 35N", -10, 27, true},
      {"UTM 35N", -10.01, 27, false}, {"UTM 35S", -80, 27, true},      {"UTM 35S", -80.01, 27, false},
      {"UTM 35S", 10, 27, true},      {"UTM 35S", 10.01, 27, false},   {"UTM 35N", 42, 57, true},
      {"UTM 35N", 42, 57.01, false},  {"UTM 35N", 42, -3, true},       {"UTM 35N", 42, -3.01, false},
      {"UTM 1N", 60, 179, true},      {"UTM 1N", 60, -207, true},      {"UTM 60N", 60, -178, true},
      {"EPSG:7850", -32, 115.9, true}, {"EPSG:7850", 11, 115.9, false}, {"EPSG:2180", -80.5, 19, false},
      {"EPSG:2180", 84, 19, true},    {"EPSG:2154", -10, 3, true},     {"EPSG:2154", -10.5, 3, false},
      {"EPSG:2154", 89, 120, true},   {"EPSG:2154", 89.5, 3, false},   {"lcc -36 -38 -37 145 0 0", 10, 145, true},
      {"lcc -36 -38 -37 145 0 0", 10.5, 145, false}, {"lcc -36 -38 -37 145 0 0", -89, 145, true},
      {"UTM 35N", NAN, 27, false},    {"UTM 35N", 42, INFINITY, false}, {"EPSG:2154", 46, NAN, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(in_grid_range(make_grid(parsed(c.grid)), c.lat, c.lon), c.in) << c.grid << " " << c.lat << " " << c.lon;
  EXPECT_EQ(grid_range_text(make_grid(parsed("UTM 35N"))),
            "latitudes from 10 S to 84 N, longitudes within 30 degrees of the central meridian");
  EXPECT_EQ(grid_range_text(make_grid(parsed("EPSG:2154"))), "latitudes from 10 S to 89 N");
}

TEST(Grid, LinesThatShowIt) {
  GridDefinition shifted;
  std::string why;
  ASSERT_TRUE(parse_shifted_grid("tm 9 1 3500000 0 Bessel1841", "598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7",
                                 "coordinate-frame", shifted, why));
  const std::vector<std::vector<std::string>> expected = {
      {"Grid : ETRS89 / UTM zone 32N (EPSG:25832)", "Transverse Mercator   Meridian : 9   Scale : 0.9996",
       "Origin : 0   False E : 500000   False N : 0", "Ellipsoid : GRS80"},
      {"Grid : RGF93 v1 / Lambert-93 (EPSG:2154)", "Lambert conic   Parallels : 49, 44",
       "Origin : 46.5, 3   False E : 700000   False N : 6600000", "Ellipsoid : GRS80"},
      {"Grid : lcc1 46.8 2.337229167 0.99987742 600000 2200000 Clarke1880IGN", "Lambert conic   Scale : 0.99987742",
       "Origin : 46.8, 2.3372292   False E : 600000   False N : 2200000", "Ellipsoid : Clarke1880IGN"},
      {"Grid : tm 9 1 3500000 0 Bessel1841", "Transverse Mercator   Meridian : 9   Scale : 1",
       "Origin : 0   False E : 3500000   False N : 0", "Ellipsoid : Bessel1841",
       "Datum shift : 598.1 73.7 418.2 0.202 0.045 -2.455 6.7 coordinate-frame"},
  };
  EXPECT_EQ(grid_lines(parsed("EPSG:25832")), expected[0]);
  EXPECT_EQ(grid_lines(parsed("EPSG:2154")), expected[1]);
  EXPECT_EQ(grid_lines(parsed("lcc1 46.8 2.337229167 0.99987742 600000 2200000 Clarke1880IGN")), expected[2]);
  EXPECT_EQ(grid_lines(shifted), expected[3]);
  EXPECT_EQ(grid_lines(parsed("EPSG:2193"))[2], "Origin : 0   False E : 1600000   False N : 10000000");
  EXPECT_EQ(grid_lines(parsed("EPSG:3414"))[2], "Origin : 1.3666667   False E : 28001.642   False N : 38744.572");
}

TEST(EpsgGrids, TheTableHoldsWhatOfficesAsk) {
  // Every row in ascending order, found by its code, on a named ellipsoid.
  int previous = 0;
  for (const EpsgGrid& g : epsg_grids()) {
    EXPECT_GT(g.code, previous);
    previous = g.code;
    EXPECT_EQ(find_epsg_grid(g.code), &g);
    EXPECT_NE(ellipsoid_of_code(g.ellipsoid), nullptr) << g.code;
  }
  struct Range {
    int first, last;
  };
  const Range ranges[] = {{32601, 32660}, {32701, 32760}, {25828, 25838}, {6330, 6348}, {7846, 7859},
                          {3346, 3346},   {2180, 2180},   {3006, 3006},   {2154, 2154}, {7801, 7801},
                          {7803, 7803},   {9391, 9391}};
  for (const Range& r : ranges)
    for (int code = r.first; code <= r.last; ++code) EXPECT_NE(find_epsg_grid(code), nullptr) << code;
  for (const int code : {0, 4326, 4258, 31467, 32600, 32661, 99999}) EXPECT_EQ(find_epsg_grid(code), nullptr) << code;
}

// The survey folder's grid as the office tools load it, in a folder of its own.
class LoadSurveyGrid : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    home_ = std::filesystem::current_path();
    std::filesystem::create_directories(dir_ / "PM");
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    FolderTest::TearDown();
  }
  std::filesystem::path home_;
};

TEST_F(LoadSurveyGrid, PmGridTxtElseTheParameterLineElseNone) {
  const std::string titles = "Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n---\r\n";
  EXPECT_FALSE(load_survey_grid("tool"));  // neither file
  put_bytes("PM/La_Lo_De.txt", titles + "24.0 1.0 0.0 0.5 1.0 0.0 \r\n43.2 23.7 5.0");
  std::optional<Grid> g = load_survey_grid("tool");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->definition.name, "Transverse Mercator of the parameter line (meridian 24, scale 1)");
  EXPECT_EQ(g->definition.false_easting, -999995.235);
  EXPECT_EQ(g->definition.ellipsoid.a, 6378137.0);
  EXPECT_DOUBLE_EQ(semi_minor_axis(g->definition.ellipsoid), 6356752.314);
  put_bytes("PM/Grid.txt", "Grid: EPSG:2154\r\n");
  g = load_survey_grid("tool");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->definition.epsg, 2154);
  // A parameter line that cannot be read: no grid known, no error left pending.
  std::filesystem::remove("PM/Grid.txt");
  put_bytes("PM/La_Lo_De.txt", titles + "24,0 1.0 0.0 0.5 1.0 0.0");
  EXPECT_FALSE(load_survey_grid("tool"));
  // A PM/Grid.txt that gives no grid ends the tool.
  put_bytes("PM/Grid.txt", "Grid: UTM 61N\r\n");
  EXPECT_EXIT(load_survey_grid("tool"), ::testing::ExitedWithCode(1),
              "tool: PM/Grid.txt, line 1: UTM zone 61 does not exist");
}

}  // namespace
}  // namespace survey_rt
