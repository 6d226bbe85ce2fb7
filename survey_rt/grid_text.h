// A grid in words: the texts that give it (`--grid`, `--helmert`,
// `--rotation`, the lines of PM/Grid.txt) and the lines that show it (a
// tool's screen, a sheet's title block).
//
// A grid's text, letters in any case:
//   UTM 35N, UTM 34S           a WGS 84 / UTM zone, 1 to 60, N or S the hemisphere
//   EPSG:25832                 a named grid of the table (epsg_grids.h)
//   tm LON0 K0 FE FN [LAT0] [ELLIPSOID]
//   lcc LAT1 LAT2 LAT0 LON0 FE FN [ELLIPSOID]      two standard parallels, false origin
//   lcc1 LAT0 LON0 K0 FE FN [ELLIPSOID]            one standard parallel, its scale
// with degrees and metres, LAT0 0 by default, the ellipsoid one of
// named_ellipsoids() (WGS84 by default).
// A Helmert shift: "DX DY DZ RX RY RZ DS" (metres, arc-seconds, ppm; blanks
// or commas between them) from the grid's datum to WGS 84, with its rotation
// convention: position-vector or coordinate-frame.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grid.h"

namespace survey_rt {

// The ways to give a grid, in words, for the messages that refuse one.
extern const char* const kGridForms;

// Each false with why ("UTM zone 61 does not exist: ...") when the text does
// not give a grid, a shift or a convention.
bool parse_grid(std::string_view text, GridDefinition& grid, std::string& why);
bool parse_helmert(std::string_view text, HelmertParameters& helmert, std::string& why);
bool parse_rotation(std::string_view text, Rotation& rotation, std::string& why);
// A grid with its shift, the three texts as given, the last two empty when
// not given: a shift wants its convention and a convention its shift.
bool parse_shifted_grid(std::string_view grid_text, std::string_view helmert_text,
                        std::string_view rotation_text, GridDefinition& grid, std::string& why);
// "position-vector" or "coordinate-frame", as parse_rotation reads them.
std::string_view rotation_name(Rotation rotation);

// The grid in lines of at most about 75 characters:
//   Grid : ETRS89 / UTM zone 32N (EPSG:25832)
//   Transverse Mercator   Meridian : 9   Scale : 0.9996
//   Origin : 0   False E : 500000   False N : 0
//   Ellipsoid : GRS80
// and, with a shift, a fifth:
//   Datum shift : 598.1 73.7 418.2 0.202 0.045 -2.455 6.7 position-vector
// (a Lambert conic: "Lambert conic   Parallels : 49, 44" or "Lambert conic
// Scale : 0.99987742", its origin "Origin : 46.5, 3"). Degrees with up to
// seven decimals, metres with up to three.
std::vector<std::string> grid_lines(const GridDefinition& grid);

// A number with as few decimals as it needs, up to decimals: 0.9996, 500000.
std::string compact_decimal(double x, int decimals);

}  // namespace survey_rt
