// The forward Transverse Mercator projection of the survey tools: latitude
// and longitude in decimal degrees on the WGS 84 ellipsoid (semi-minor axis
// cut to millimetres) to easting and northing in metres, latitude of origin 0.
#pragma once

struct PlanePoint {
  double easting = 0;   // metres
  double northing = 0;  // metres
};

// Projects one point. The central meridian is in decimal degrees; the false
// easting and northing (metres) are added as they are, no zone offset besides.
// Pure: reads nothing but its arguments. Latitudes of +-90 degrees and more
// lie outside its domain.
PlanePoint TM(double latitude, double longitude, double central_meridian, double scale_factor,
              double false_easting, double false_northing);
