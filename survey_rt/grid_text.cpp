#include "grid_text.h"

#include <cmath>

#include "ascii_case.h"
#include "epsg_grids.h"
#include "fixed_notation.h"
#include "number_grammar.h"

namespace survey_rt {

const char* const kGridForms =
    "UTM 35N or UTM 34S (zones 1 to 60 on WGS 84), EPSG:n of the table (docs/utm_points.md), "
    "or by its parameters: tm LON0 K0 FE FN [LAT0] [ELLIPSOID], "
    "lcc LAT1 LAT2 LAT0 LON0 FE FN [ELLIPSOID] or lcc1 LAT0 LON0 K0 FE FN [ELLIPSOID]";

namespace {

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = text.find_first_not_of(separators, i);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    words.push_back(text.substr(start, end - start));
    i = end;
  }
  return words;
}

// Appends a word to a text of words: separator first unless the text is empty.
void append_word(std::string& text, std::string_view word, std::string_view separator = " ") {
  if (!text.empty()) text += separator;
  text += word;
}

bool starts_nocase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equal_nocase(text.substr(0, prefix.size()), prefix);
}

std::string ellipsoid_names() {
  std::string names;
  for (const Ellipsoid& e : named_ellipsoids()) append_word(names, e.name, ", ");
  return names;
}

// The three grids by their parameters: their words, and for each value in
// order what it is ('l' a latitude, 'L' a longitude, 'k' a scale, 'm'
// metres) and where it goes; the last `optional` values may be left out.
struct ParameterForm {
  const char* keyword;
  const char* form;
  Projection projection;
  const char* kinds;
  std::size_t optional;
  double GridDefinition::*fields[6];
};
using G = GridDefinition;
constexpr ParameterForm kParameterForms[] = {
    {"tm", "tm LON0 K0 FE FN [LAT0] [ELLIPSOID]", Projection::transverse_mercator, "Lkmml", 1,
     {&G::central_meridian, &G::scale_factor, &G::false_easting, &G::false_northing, &G::latitude_of_origin}},
    {"lcc", "lcc LAT1 LAT2 LAT0 LON0 FE FN [ELLIPSOID]", Projection::lambert_conic_2sp, "lllLmm", 0,
     {&G::standard_parallel_1, &G::standard_parallel_2, &G::latitude_of_origin, &G::central_meridian,
      &G::false_easting, &G::false_northing}},
    {"lcc1", "lcc1 LAT0 LON0 K0 FE FN [ELLIPSOID]", Projection::lambert_conic_1sp, "lLkmm", 0,
     {&G::latitude_of_origin, &G::central_meridian, &G::scale_factor, &G::false_easting, &G::false_northing}},
};

// Reads a grid by its parameters: words[0] is the form's keyword; an
// ellipsoid's name may follow the numbers.
bool parse_by_parameters(const ParameterForm& p, const std::vector<std::string_view>& words, GridDefinition& grid,
                         std::string& why) {
  const std::string form = p.form;
  const std::size_t count = std::string_view(p.kinds).size();
  std::size_t numbers = words.size() - 1;
  double unused = 0;
  if (numbers > 0 && !parse_real(words.back(), unused)) {
    const Ellipsoid* e = find_ellipsoid(words.back());
    if (e == nullptr) {
      why = "unknown ellipsoid \"" + std::string(words.back()) + "\": " + ellipsoid_names();
      return false;
    }
    grid.ellipsoid = *e;
    --numbers;
  }
  if (numbers + p.optional < count || numbers > count) {
    why = form + " wants " + std::to_string(count - p.optional) +
          (p.optional > 0 ? " or " + std::to_string(count) : std::string()) + " numbers, not " +
          std::to_string(numbers);
    return false;
  }
  grid.projection = p.projection;
  for (std::size_t i = 0; i < numbers; ++i) {
    const std::string word(words[i + 1]);
    double& v = grid.*p.fields[i];
    if (!parse_real(word, v) || !std::isfinite(v)) {
      why = form + ": \"" + word + "\" is not a number";
      return false;
    }
    const char kind = p.kinds[i];
    if ((kind == 'l' && !(std::fabs(v) < 90)) || (kind == 'L' && !(std::fabs(v) <= 180)) ||
        (kind == 'k' && !(v > 0 && v < 10))) {
      why = form + ": " + word +
            (kind == 'l' ? " is no latitude (-90 to 90)"
                         : kind == 'L' ? " is no longitude (-180 to 180)" : " is no scale factor (0 to 10)");
      return false;
    }
  }
  if (p.projection == Projection::lambert_conic_1sp && grid.latitude_of_origin == 0) {
    why = "lcc1: the latitude of origin, the standard parallel, cannot be the equator";
    return false;
  }
  if (p.projection == Projection::lambert_conic_2sp && grid.standard_parallel_1 + grid.standard_parallel_2 == 0) {
    why = "lcc: standard parallels symmetric about the equator make no cone";
    return false;
  }
  return true;
}

void take_named(const EpsgGrid& row, GridDefinition& grid) {
  grid.name = row.name;
  grid.epsg = row.code;
  grid.datum = row.datum;
  grid.datum_epsg = row.datum_code;
  grid.projection = row.projection;
  grid.latitude_of_origin = row.latitude_of_origin;
  grid.central_meridian = row.central_meridian;
  grid.scale_factor = row.scale_factor;
  grid.false_easting = row.false_easting;
  grid.false_northing = row.false_northing;
  grid.standard_parallel_1 = row.standard_parallel_1;
  grid.standard_parallel_2 = row.standard_parallel_2;
  grid.ellipsoid = *ellipsoid_of_code(row.ellipsoid);
}

// The latitude bands of the military grid: C to M south of the equator, N to X north.
bool band_letter(char c) { return c >= 'C' && c <= 'X' && c != 'I' && c != 'O'; }

bool parse_utm(std::string_view given, GridDefinition& grid, std::string& why) {
  std::string rest;
  for (char c : given.substr(3))
    if (c != ' ' && c != '\t') rest += c;
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits == 0 || digits > 3) {
    why = "\"" + std::string(given) + "\": UTM wants its zone and hemisphere, as UTM 35N or UTM 34S";
    return false;
  }
  const int zone = std::stoi(rest.substr(0, digits));
  const std::string letter = rest.substr(digits);
  if (zone < 1 || zone > 60) {
    why = "UTM zone " + std::to_string(zone) + " does not exist: the zones run from 1 to 60";
    return false;
  }
  const char c = letter.size() == 1 ? letter[0] : '\0';
  const char hemisphere = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  if (hemisphere != 'N' && hemisphere != 'S') {
    why = "\"" + std::string(given) + "\": after the zone comes N (north) or S (south) of the equator";
    if (letter.size() == 1 && band_letter(hemisphere)) {
      const bool north = hemisphere > 'M';
      why += ", not a latitude band: band ";
      why += hemisphere;
      why += north ? " lies north: UTM " : " lies south: UTM ";
      why += std::to_string(zone);
      why += north ? 'N' : 'S';
    }
    return false;
  }
  take_named(*find_epsg_grid((hemisphere == 'N' ? 32600 : 32700) + zone), grid);
  return true;
}

bool parse_epsg(std::string_view given, GridDefinition& grid, std::string& why) {
  std::string_view digits = given.substr(5);
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  int code = 0;
  bool number = !digits.empty() && digits.size() <= 6;
  for (char c : digits) {
    number = number && c >= '0' && c <= '9';
    if (number) code = code * 10 + (c - '0');
  }
  const EpsgGrid* row = number ? find_epsg_grid(code) : nullptr;
  if (row == nullptr) {
    why = std::string(given) + " is not a grid of the table; give it as " + kGridForms;
    return false;
  }
  take_named(*row, grid);
  return true;
}

std::string degrees_text(double x) { return compact_decimal(x, 7); }
std::string metres_text(double x) { return compact_decimal(x, 3); }

}  // namespace

bool parse_grid(std::string_view text, GridDefinition& grid, std::string& why) {
  const std::vector<std::string_view> words = split(text, " \t");
  grid = GridDefinition{};
  if (words.empty()) {
    why = "no grid given: give it as " + std::string(kGridForms);
    return false;
  }
  for (std::string_view w : words) append_word(grid.text, w);
  bool ok = false;
  if (starts_nocase(grid.text, "UTM")) {
    ok = parse_utm(grid.text, grid, why);
  } else if (starts_nocase(grid.text, "EPSG:")) {
    ok = parse_epsg(grid.text, grid, why);
  } else {
    const ParameterForm* form = nullptr;
    for (const ParameterForm& p : kParameterForms)
      if (equal_nocase(words[0], p.keyword)) form = &p;
    if (form == nullptr) {
      why = "unknown grid \"" + grid.text + "\": give it as " + kGridForms;
    } else {
      grid.name = grid.text;
      grid.ellipsoid = wgs84_ellipsoid();
      ok = parse_by_parameters(*form, words, grid, why);
    }
  }
  if (!ok) {
    const std::string text = grid.text;
    grid = GridDefinition{};
    grid.text = text;
  }
  return ok;
}

bool parse_helmert(std::string_view text, HelmertParameters& helmert, std::string& why) {
  const std::vector<std::string_view> words = split(text, " \t,");
  double v[7] = {};
  if (words.size() != 7) {
    why = "a Helmert shift is seven numbers, \"DX DY DZ RX RY RZ DS\" (metres, arc-seconds, ppm), not " +
          std::to_string(words.size());
    return false;
  }
  for (std::size_t i = 0; i < 7; ++i) {
    if (!parse_real(words[i], v[i]) || !std::isfinite(v[i])) {
      why = "the Helmert shift's \"" + std::string(words[i]) + "\" is not a number";
      return false;
    }
  }
  if (!(std::fabs(v[6]) < 1e5)) {
    why = "the Helmert shift's scale difference " + std::string(words[6]) + " ppm is beyond any datum's";
    return false;
  }
  const Rotation rotation = helmert.rotation;
  helmert = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], rotation};
  return true;
}

bool parse_rotation(std::string_view text, Rotation& rotation, std::string& why) {
  if (equal_nocase(text, "position-vector")) {
    rotation = Rotation::position_vector;
  } else if (equal_nocase(text, "coordinate-frame")) {
    rotation = Rotation::coordinate_frame;
  } else {
    why = "the rotation convention is position-vector (EPSG 9606) or coordinate-frame (EPSG 9607), not \"" +
          std::string(text) + "\"";
    return false;
  }
  return true;
}

bool parse_shifted_grid(std::string_view grid_text, std::string_view helmert_text,
                        std::string_view rotation_text, GridDefinition& grid, std::string& why) {
  if (!parse_grid(grid_text, grid, why)) return false;
  if (helmert_text.empty() && rotation_text.empty()) return true;
  if (helmert_text.empty()) {
    why = "a rotation convention goes with a Helmert shift, and none is given";
    return false;
  }
  if (rotation_text.empty()) {
    why = "a Helmert shift needs its rotation convention, position-vector or coordinate-frame "
          "(EPSG 9606 or 9607: the rotations' signs differ, and both are in use)";
    return false;
  }
  HelmertParameters helmert;
  if (!parse_rotation(rotation_text, helmert.rotation, why) || !parse_helmert(helmert_text, helmert, why))
    return false;
  grid.helmert = helmert;
  for (std::string_view w : split(helmert_text, " \t,")) append_word(grid.helmert_text, w);
  return true;
}

std::string_view rotation_name(Rotation rotation) {
  return rotation == Rotation::position_vector ? "position-vector" : "coordinate-frame";
}

std::string compact_decimal(double x, int decimals) {
  std::string s = fixed_text(x, decimals);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::vector<std::string> grid_lines(const GridDefinition& grid) {
  std::vector<std::string> lines;
  lines.push_back("Grid : " + grid.name + (grid.epsg != 0 ? " (EPSG:" + std::to_string(grid.epsg) + ")" : ""));
  std::string origin = "Origin : " + degrees_text(grid.latitude_of_origin);
  switch (grid.projection) {
    case Projection::transverse_mercator:
      lines.push_back("Transverse Mercator   Meridian : " + degrees_text(grid.central_meridian) +
                      "   Scale : " + compact_decimal(grid.scale_factor, 10));
      break;
    case Projection::lambert_conic_1sp:
      lines.push_back("Lambert conic   Scale : " + compact_decimal(grid.scale_factor, 10));
      origin += ", " + degrees_text(grid.central_meridian);
      break;
    case Projection::lambert_conic_2sp:
      lines.push_back("Lambert conic   Parallels : " + degrees_text(grid.standard_parallel_1) + ", " +
                      degrees_text(grid.standard_parallel_2));
      origin += ", " + degrees_text(grid.central_meridian);
      break;
  }
  lines.push_back(origin + "   False E : " + metres_text(grid.false_easting) +
                  "   False N : " + metres_text(grid.false_northing));
  lines.push_back("Ellipsoid : " + std::string(grid.ellipsoid.name));
  if (grid.helmert)
    lines.push_back("Datum shift : " + grid.helmert_text + " " + std::string(rotation_name(grid.helmert->rotation)));
  return lines;
}

}  // namespace survey_rt
