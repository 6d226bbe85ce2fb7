// Writes a small GeoTIFF and a .prj of each kind of grid into the folder of
// its argument, for the GIS test to read with GDAL: a named grid (its EPSG
// code), Transverse Mercator and Lambert (one and two standard parallels) by
// their parameters on an ellipsoid of EPSG's, and a Bessel grid with a datum
// shift. NAME.tif and NAME.prj for the names printed, one a line.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geotiff.h"
#include "gis_crs.h"
#include "write_output.h"

using namespace survey_rt;

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  const std::string folder = argv[1];
  GisCrs utm;
  utm.name = "WGS 84 / UTM zone 35N";
  utm.epsg = 32635;  // and its definition, for the .prj
  utm.geographic_epsg = 4326;
  utm.datum = "WGS_1984";
  utm.lon0 = 27, utm.k0 = 0.9996, utm.fe = 500000;
  GisCrs tm;
  tm.name = "TM 27 on WGS 84";
  tm.datum = "WGS_1984";
  tm.geographic_epsg = 4326;
  tm.lon0 = 27, tm.k0 = 0.9996, tm.fe = 500000, tm.fn = -4000000;
  GisCrs lcc2;
  lcc2.name = "Lambert-93 by its parameters";
  lcc2.datum = "RGF93";
  lcc2.method = GisMethod::lambert_2sp;
  lcc2.lat0 = 46.5, lcc2.lon0 = 3, lcc2.fe = 700000, lcc2.fn = 6600000, lcc2.lat1 = 49, lcc2.lat2 = 44;
  lcc2.ellipsoid = {"GRS 1980", 7019, 6378137, 298.257222101, 0};
  GisCrs lcc1 = lcc2;
  lcc1.name = "Lambert of one parallel";
  lcc1.method = GisMethod::lambert_1sp;
  lcc1.lat0 = 42.5, lcc1.lon0 = 25, lcc1.k0 = 0.99987742, lcc1.fe = 500000, lcc1.fn = 4000000;
  GisCrs gk;
  gk.name = "Gauss-Kruger zone 3";
  gk.datum = "DHDN";
  gk.lon0 = 9, gk.fe = 3500000;
  gk.ellipsoid = {"Bessel 1841", 7004, 6377397.155, 299.1528128, 0};
  gk.shifted = true;
  const double shift[7] = {598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7};
  for (int i = 0; i < 7; ++i) gk.to_wgs84[i] = shift[i];
  const std::pair<const char*, const GisCrs*> grids[] = {
      {"utm", &utm}, {"tm", &tm}, {"lcc2", &lcc2}, {"lcc1", &lcc1}, {"gk", &gk}};
  const std::vector<double> row = {-5.25, -6.5, NAN};
  for (const auto& [name, crs] : grids) {
    write_file(folder + "/" + name + ".tif", [&](TextFile& f) {
      write_geotiff_head(f, {3, 2, 500000, 4700000, 10}, crs);
      write_geotiff_row(f, row);
      write_geotiff_row(f, row);
    });
    write_file(folder + "/" + name + ".prj", [&](TextFile& f) {
      write_str(f, esri_wkt(*crs));
      end_line(f);
    });
    std::printf("%s\n", name);
  }
  return 0;
}
