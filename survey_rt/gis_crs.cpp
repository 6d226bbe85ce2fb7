#include "gis_crs.h"

#include "dxf_drawing.h"

namespace survey_rt {

namespace {

// A name as ESRI writes names: letters, digits and '_' for every other byte.
std::string esri_name(const std::string& name) {
  std::string s;
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    s += plain ? c : '_';
  }
  return s;
}

std::string parameter(const char* name, double value) {
  return ",PARAMETER[\"" + std::string(name) + "\"," + dxf_real(value) + "]";
}

}  // namespace

std::string esri_wkt(const GisCrs& crs) {
  const GisEllipsoid& e = crs.ellipsoid;
  const std::string datum = esri_name(crs.datum);
  std::string datum_text = "DATUM[\"D_" + datum + "\",SPHEROID[\"" + esri_name(e.name) + "\"," + dxf_real(e.a) + "," +
                           dxf_real(e.inverse_flattening) + "]";
  if (crs.shifted) {
    datum_text += ",TOWGS84[";
    for (int i = 0; i < 7; ++i) datum_text += (i > 0 ? "," : "") + dxf_real(crs.to_wgs84[i]);
    datum_text += "]";
  }
  datum_text += "]";
  std::string wkt = "PROJCS[\"" + esri_name(crs.name) + "\",GEOGCS[\"GCS_" + datum + "\"," + datum_text +
                    ",PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
  wkt += crs.method == GisMethod::transverse_mercator ? ",PROJECTION[\"Transverse_Mercator\"]"
                                                      : ",PROJECTION[\"Lambert_Conformal_Conic\"]";
  wkt += parameter("False_Easting", crs.fe) + parameter("False_Northing", crs.fn) +
         parameter("Central_Meridian", crs.lon0);
  switch (crs.method) {
    case GisMethod::transverse_mercator:
      wkt += parameter("Scale_Factor", crs.k0);
      break;
    case GisMethod::lambert_1sp:
      wkt += parameter("Standard_Parallel_1", crs.lat0) + parameter("Scale_Factor", crs.k0);
      break;
    case GisMethod::lambert_2sp:
      wkt += parameter("Standard_Parallel_1", crs.lat1) + parameter("Standard_Parallel_2", crs.lat2);
      break;
  }
  wkt += parameter("Latitude_Of_Origin", crs.lat0) + ",UNIT[\"Meter\",1.0]]";
  return wkt;
}

}  // namespace survey_rt
