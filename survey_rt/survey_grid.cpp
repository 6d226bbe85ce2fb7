#include "survey_grid.h"

#include "ascii_case.h"
#include "grid_text.h"
#include "point_list.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {
namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

GridFile read_grid_file(GridDefinition& grid, std::string& why) {
  TextFile f;
  if (!open_input_if_present(f, kGridFile)) return GridFile::absent;
  if (io_pending() == kPathNotFound) {
    io_clear();
    return GridFile::absent;
  }
  io_check();
  // The three texts and the line each stood on.
  std::string texts[3];
  long lines[3] = {};
  constexpr std::string_view kKeys[3] = {"Grid", "Helmert", "Rotation"};
  long line = 0;
  bool refused = false;
  while (!refused && !at_end_checked(f)) {
    const std::string text(take_line(f));
    io_check();
    ++line;
    const std::string_view content = trimmed(text);
    if (content.empty()) continue;
    const std::size_t colon = content.find(':');
    const std::string_view key = trimmed(content.substr(0, colon == std::string_view::npos ? 0 : colon));
    int k = 0;
    while (k < 3 && !equal_nocase(key, kKeys[k])) ++k;
    if (colon == std::string_view::npos || k == 3 || lines[k] != 0) {
      why = "line " + std::to_string(line) + ": \"" + std::string(content) + "\" " +
            (k < 3 && lines[k] != 0 ? "gives the " + std::string(kKeys[k]) + " again"
                                    : "is none of the lines Grid:, Helmert: and Rotation:");
      refused = true;
    } else {
      texts[k] = trimmed(content.substr(colon + 1));
      lines[k] = line;
    }
  }
  close_file(f);
  io_check();
  if (refused) return GridFile::refused;
  if (lines[0] == 0) {
    why = "no line Grid: in it";
    return GridFile::refused;
  }
  if (!parse_shifted_grid(texts[0], texts[1], texts[2], grid, why)) {
    why = "line " + std::to_string(lines[0]) + ": " + why;
    return GridFile::refused;
  }
  return GridFile::read;
}

void write_grid_file(const GridDefinition& grid) {
  TextFile f;
  create_output(f, kGridFile);
  write_str(f, "Grid: " + grid.text);
  end_line(f);
  if (grid.helmert) {
    write_str(f, "Helmert: " + grid.helmert_text);
    end_line(f);
    write_str(f, "Rotation: " + std::string(rotation_name(grid.helmert->rotation)));
    end_line(f);
  }
  close_file(f);
}

void chain_false_origin(double meridian, double scale, double& false_easting, double& false_northing) {
  false_easting = 0;
  false_northing = 0;
  if (scale == 1.0) {
    if (meridian == 27.0) {
      false_easting = 9500113.804;
      false_northing = 122.463;
    } else if (meridian == 24.0) {
      false_easting = -999995.235;
      false_northing = 0.698;
    }
  }
}

GridDefinition chain_grid(double meridian, double scale) {
  GridDefinition grid;
  grid.name = "Transverse Mercator of the parameter line (meridian " + compact_decimal(meridian, 7) +
              ", scale " + compact_decimal(scale, 10) + ")";
  grid.projection = Projection::transverse_mercator;
  grid.central_meridian = meridian;
  grid.scale_factor = scale;
  chain_false_origin(meridian, scale, grid.false_easting, grid.false_northing);
  grid.ellipsoid = chain_ellipsoid();
  return grid;
}

std::optional<Grid> load_survey_grid(std::string_view tool) {
  GridDefinition grid;
  std::string why;
  switch (read_grid_file(grid, why)) {
    case GridFile::read: return make_grid(grid);
    case GridFile::refused: halt_with_message(1, std::string(tool) + ": " + std::string(kGridFile) + ", " + why);
    case GridFile::absent: break;
  }
  TextFile f;
  if (!open_input_if_present(f, "PM/La_Lo_De.txt") || io_result() != 0) return std::nullopt;
  const SurveyParameters survey = read_point_list_header(f);
  const bool read = io_result() == 0;
  close_file(f);
  io_check();
  if (!read) return std::nullopt;
  return make_grid(chain_grid(survey.meridian, survey.scale_projection));
}

}  // namespace survey_rt
