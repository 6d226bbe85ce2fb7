// TM against the worked points of the survey projections (to the millimetre,
// and to the centimetre as utm_points writes them) and against the symmetries
// of the projection.
#include "tm.h"

#include <gtest/gtest.h>

#include "fixed_notation.h"
#include "grid.h"
#include "survey_grid.h"

namespace {

constexpr double kMillimetre = 0.0005;  // the worked values are rounded to the millimetre
constexpr double kFarBelowMillimetre = 1e-6;

// Black Sea projection (central meridian 27) and the one of central meridian 24.
constexpr double kFE27 = 9500113.804, kFN27 = 122.463;
constexpr double kFE24 = -999995.235, kFN24 = 0.698;

TEST(TmProjection, WorkedPoints) {
  struct Case {
    const char* name;
    double latitude, longitude, meridian, scale, fe, fn;
    double easting, northing;
  };
  const Case cases[] = {
      {"meridian 27, scale 1", 42.5, 27.5, 27.0, 1.0, kFE27, kFN27, 9541213.356, 4707419.569},
      {"meridian 27, scale 0.9996", 42.5, 27.5, 27.0, 0.9996, 0, 0, 41083.113, 4705414.187},
      {"meridian 24, scale 1", 43.2, 23.7, 24.0, 1.0, kFE24, kFN24, -1024378.042, 4784983.216},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PlanePoint p = TM(c.latitude, c.longitude, c.meridian, c.scale, c.fe, c.fn);
    EXPECT_NEAR(p.easting, c.easting, kMillimetre);
    EXPECT_NEAR(p.northing, c.northing, kMillimetre);
  }
}

TEST(TmProjection, WorkedPointAtTheCentimetre) {
  // What utm_points writes for 42.5 N 27.5 E with the default parameter line.
  const PlanePoint p = TM(42.5, 27.5, 27.0, 1.0, kFE27, kFN27);
  EXPECT_EQ(survey_rt::fixed_text(p.easting, 2), "9541213.36");
  EXPECT_EQ(survey_rt::fixed_text(p.northing, 2), "4707419.57");
}

TEST(TmProjection, OriginGivesTheFalseOffsetsExactly) {
  const double meridians[] = {27.0, 24.0, -3.0, 0.0, 179.5};
  for (double meridian : meridians) {
    SCOPED_TRACE(meridian);
    const PlanePoint p = TM(0.0, meridian, meridian, 1.0, kFE27, kFN27);
    EXPECT_EQ(p.easting, kFE27);
    EXPECT_EQ(p.northing, kFN27);
    const PlanePoint q = TM(0.0, meridian, meridian, 0.9996, 0, 0);
    EXPECT_EQ(q.easting, 0.0);
    EXPECT_EQ(q.northing, 0.0);
  }
}

TEST(TmProjection, CentralMeridianKeepsTheFalseEasting) {
  for (double latitude = -80.0; latitude <= 80.0; latitude += 7.25) {
    SCOPED_TRACE(latitude);
    EXPECT_EQ(TM(latitude, 27.0, 27.0, 1.0, kFE27, kFN27).easting, kFE27);
    EXPECT_EQ(TM(latitude, 24.0, 24.0, 0.9996, kFE24, kFN24).easting, kFE24);
  }
  // Northward along the meridian the northing grows.
  EXPECT_LT(TM(42.0, 27.0, 27.0, 1.0, 0, 0).northing, TM(42.5, 27.0, 27.0, 1.0, 0, 0).northing);
}

TEST(TmProjection, EastWestSymmetryAboutTheCentralMeridian) {
  const double latitudes[] = {0.5, 20.0, 42.5, 43.2, 61.0};
  const double offsets[] = {0.001, 0.5, 1.5, 3.0};
  for (double latitude : latitudes) {
    for (double offset : offsets) {
      SCOPED_TRACE(testing::Message() << latitude << " N, " << offset << " deg off the meridian");
      const PlanePoint east = TM(latitude, 27.0 + offset, 27.0, 1.0, kFE27, kFN27);
      const PlanePoint west = TM(latitude, 27.0 - offset, 27.0, 1.0, kFE27, kFN27);
      EXPECT_GT(east.easting, kFE27);
      EXPECT_LT(west.easting, kFE27);
      EXPECT_NEAR(east.easting - kFE27, kFE27 - west.easting, kFarBelowMillimetre);
      EXPECT_NEAR(east.northing, west.northing, kFarBelowMillimetre);
    }
  }
}

TEST(TmProjection, NorthSouthSymmetryAboutTheEquator) {
  // No offset but the false northing: southern points lie below it by as much
  // as their northern mirror lies above it, at the same easting.
  const PlanePoint north = TM(42.5, 27.5, 27.0, 1.0, kFE27, kFN27);
  const PlanePoint south = TM(-42.5, 27.5, 27.0, 1.0, kFE27, kFN27);
  EXPECT_NEAR(north.easting, south.easting, kFarBelowMillimetre);
  EXPECT_NEAR(north.northing - kFN27, kFN27 - south.northing, kFarBelowMillimetre);
  EXPECT_LT(south.northing, kFN27);
}

TEST(TmProjection, ScaleFactorScalesBothCoordinates) {
  const PlanePoint one = TM(43.2, 23.7, 24.0, 1.0, 0, 0);
  const PlanePoint scaled = TM(43.2, 23.7, 24.0, 0.9996, 0, 0);
  EXPECT_NEAR(scaled.easting, one.easting * 0.9996, kFarBelowMillimetre);
  EXPECT_NEAR(scaled.northing, one.northing * 0.9996, kFarBelowMillimetre);
}

// The description of this projection that the office tools take without a
// PM/Grid.txt (survey_grid.h), projected by Krüger's series, against TM itself:
// within a millimetre over 3 degrees either side of the meridian (TM's pi has
// ten decimals, and its series is shorter), both ways.
TEST(TmProjection, TheChainsGridDescribesIt) {
  struct Case {
    double meridian, scale;
  };
  const Case cases[] = {{27.0, 1.0}, {24.0, 1.0}, {27.0, 0.9996}, {21.5, 1.0}};
  for (const Case& c : cases) {
    const survey_rt::Grid grid = survey_rt::make_grid(survey_rt::chain_grid(c.meridian, c.scale));
    for (const double lat : {35.0, 42.5, 47.25})
      for (const double off : {-3.0, -1.2, 0.0, 0.4, 2.5, 3.0}) {
        SCOPED_TRACE(::testing::Message() << c.meridian << " " << c.scale << " " << lat << " " << off);
        const PlanePoint p = TM(lat, c.meridian + off, c.meridian, c.scale, grid.definition.false_easting,
                                grid.definition.false_northing);
        const survey_rt::GridXY g = survey_rt::grid_forward(grid, lat, c.meridian + off);
        EXPECT_NEAR(g.x, p.easting, 0.001);
        EXPECT_NEAR(g.y, p.northing, 0.001);
        const survey_rt::LatLon back = survey_rt::grid_inverse(grid, p.easting, p.northing);
        EXPECT_NEAR(back.latitude, lat, 0.001 / 111000);
        EXPECT_NEAR(back.longitude, c.meridian + off, 0.001 / 80000);
      }
  }
}

}  // namespace
