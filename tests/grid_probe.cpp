// grid_probe: the grids of survey_rt to full precision, for the tests that
// hold them against PROJ. Reads commands from the standard input, one a line,
// and answers each on one line of the standard output:
//   grid TEXT                   takes the grid (--grid's text): "ok" or "refused WHY"
//   shift DX DY DZ RX RY RZ DS CONVENTION    adds a Helmert shift to it: "ok" or "refused WHY"
//   fwd LAT LON                 "x y lat lon": the grid point, then its inverse
//   inv X Y                     "lat lon"
//   range LAT LON               "in" or "out" (in_grid_range)
//   table                       a line for every named grid: "code projection lat0 lon0 k0 fe fn
//                               lat1 lat2 a 1/f", then "end"
// Metres with 6 decimals, degrees with 11.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "ellipsoid.h"
#include "epsg_grids.h"
#include "grid.h"
#include "grid_text.h"

using namespace survey_rt;

int main() {
  std::string line, grid_text;
  Grid grid;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::string rest;
    std::getline(in >> std::ws, rest);
    if (command == "grid" || command == "shift") {
      GridDefinition definition;
      std::string why;
      bool ok = false;
      if (command == "grid") {
        grid_text = rest;
        ok = parse_grid(rest, definition, why);
      } else {
        const std::size_t last = rest.find_last_of(' ');
        ok = parse_shifted_grid(grid_text, rest.substr(0, last), rest.substr(last + 1), definition, why);
      }
      if (ok) grid = make_grid(definition);
      std::printf(ok ? "ok\n" : "refused %s\n", why.c_str());
    } else if (command == "fwd") {
      double lat = 0, lon = 0;
      std::istringstream(rest) >> lat >> lon;
      const GridXY xy = grid_forward(grid, lat, lon);
      const LatLon back = grid_inverse(grid, xy.x, xy.y);
      std::printf("%.6f %.6f %.11f %.11f\n", xy.x, xy.y, back.latitude, back.longitude);
    } else if (command == "inv") {
      double x = 0, y = 0;
      std::istringstream(rest) >> x >> y;
      const LatLon ll = grid_inverse(grid, x, y);
      std::printf("%.11f %.11f\n", ll.latitude, ll.longitude);
    } else if (command == "range") {
      double lat = 0, lon = 0;
      std::istringstream(rest) >> lat >> lon;
      std::printf(in_grid_range(grid, lat, lon) ? "in\n" : "out\n");
    } else if (command == "table") {
      for (const EpsgGrid& g : epsg_grids()) {
        const Ellipsoid& e = *ellipsoid_of_code(g.ellipsoid);
        std::printf("%d %d %.12g %.12g %.12g %.12g %.12g %.12g %.12g %.12g %.12g\n", g.code,
                    static_cast<int>(g.projection), g.latitude_of_origin, g.central_meridian, g.scale_factor,
                    g.false_easting, g.false_northing, g.standard_parallel_1, g.standard_parallel_2, e.a,
                    e.inverse_flattening);
      }
      std::printf("end\n");
    } else {
      std::printf("unknown command\n");
    }
    std::fflush(stdout);
  }
  return 0;
}
