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

bool on_wgs84(const GridDefinition& grid) {
  return grid.datum_epsg == 4326 || (grid.datum_epsg == 0 && grid.ellipsoid.epsg == wgs84_ellipsoid().epsg);
}

}  // namespace

std::optional<std::array<double, 7>> shift_to_wgs84(const GridDefinition& grid) {
  if (!grid.helmert) {
    if (on_wgs84(grid)) return std::nullopt;
    return std::array<double, 7>{};
  }
  const HelmertParameters& h = *grid.helmert;
  const double turn = h.rotation == Rotation::coordinate_frame ? -1 : 1;
  return std::array<double, 7>{h.dx, h.dy, h.dz, turn * h.rx, turn * h.ry, turn * h.rz, h.ds};
}

std::string datum_name(const GridDefinition& grid) {
  if (!grid.datum.empty()) return grid.datum;
  if (on_wgs84(grid) && !grid.helmert) return "WGS 84";
  return std::string(grid.ellipsoid.epsg_name) + " datum";
}

std::string esri_wkt(const GridDefinition& grid) {
  const Ellipsoid& e = grid.ellipsoid;
  const std::optional<std::array<double, 7>> shift = shift_to_wgs84(grid);
  // WGS 84 by the name every GIS knows; any other datum by its name and its
  // shift to WGS 84.
  const std::string datum = shift ? esri_name(datum_name(grid)) : "WGS_1984";
  std::string datum_text = "DATUM[\"D_" + datum + "\",SPHEROID[\"" + esri_name(std::string(e.epsg_name)) + "\"," +
                           dxf_real(e.a) + "," + dxf_real(e.inverse_flattening) + "]";
  if (shift) {
    datum_text += ",TOWGS84[";
    for (std::size_t i = 0; i < 7; ++i) datum_text += (i > 0 ? "," : "") + dxf_real((*shift)[i]);
    datum_text += "]";
  }
  datum_text += "]";
  std::string wkt = "PROJCS[\"" + esri_name(grid.name) + "\",GEOGCS[\"GCS_" + datum + "\"," + datum_text +
                    ",PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
  wkt += grid.projection == Projection::transverse_mercator ? ",PROJECTION[\"Transverse_Mercator\"]"
                                                           : ",PROJECTION[\"Lambert_Conformal_Conic\"]";
  wkt += parameter("False_Easting", grid.false_easting) + parameter("False_Northing", grid.false_northing) +
         parameter("Central_Meridian", grid.central_meridian);
  switch (grid.projection) {
    case Projection::transverse_mercator:
      wkt += parameter("Scale_Factor", grid.scale_factor);
      break;
    case Projection::lambert_conic_1sp:
      wkt += parameter("Standard_Parallel_1", grid.latitude_of_origin) + parameter("Scale_Factor", grid.scale_factor);
      break;
    case Projection::lambert_conic_2sp:
      wkt += parameter("Standard_Parallel_1", grid.standard_parallel_1) +
             parameter("Standard_Parallel_2", grid.standard_parallel_2);
      break;
  }
  wkt += parameter("Latitude_Of_Origin", grid.latitude_of_origin) + ",UNIT[\"Meter\",1.0]]";
  return wkt;
}

}  // namespace survey_rt
