#include "corrections.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace join_corrections {

namespace {

// The samples of a table as two columns: the first ascending (a repeated
// one allowed when steps are), the second above 0 when it is a speed.
bool make_columns(const std::vector<survey_rt::TablePair>& table, bool steps, const char* first_name,
                  const char* second_name, std::vector<double>& first, std::vector<double>& second,
                  std::string& why) {
  if (table.empty()) {
    why = "no line of two numbers";
    return false;
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    const survey_rt::TablePair& p = table[i];
    const std::string line = "line " + std::to_string(p.line) + ": ";
    if (!std::isfinite(p.first) || !std::isfinite(p.second)) {
      why = line + "a number that is not finite";
    } else if (i > 0 && (p.first < first.back() || (!steps && p.first == first.back()))) {
      why = line + "a " + first_name + (steps ? " above" : " not above") + " the one of the line before";
    } else if (std::string_view(second_name) == "speed" && !(p.second > 0)) {
      why = line + "a speed of 0 or less";
    }
    if (!why.empty()) return false;
    first.push_back(p.first);
    second.push_back(p.second);
  }
  return true;
}

// The time to run over dz metres from a point of speed v in a piece of
// gradient g, and the metres run in time t from there.
double piece_time(double v, double g, double dz) { return g == 0 ? dz / v : std::log1p(g * dz / v) / g; }
double piece_depth(double v, double g, double t) { return g == 0 ? v * t : v * std::expm1(g * t) / g; }

}  // namespace

SoundSpeedProfile make_profile(const std::vector<survey_rt::TablePair>& table, std::string& why) {
  SoundSpeedProfile p;
  if (!make_columns(table, true, "depth", "speed", p.depth, p.speed, why)) p = {};
  return p;
}

SquatTable make_squat_table(const std::vector<survey_rt::TablePair>& table, std::string& why) {
  SquatTable t;
  if (!make_columns(table, false, "speed", "squat", t.knots, t.metres, why)) t = {};
  return t;
}

double depth_below_transducer(const SoundSpeedProfile& profile, double draft, double set_speed, double reading) {
  const std::vector<double>& depth = profile.depth;
  const std::vector<double>& speed = profile.speed;
  double t = reading / set_speed;  // one way
  double z = draft;
  // The pieces from the transducer down: above the first sample the first
  // speed, then each piece between two samples; a step has no thickness.
  for (auto i = static_cast<std::size_t>(std::upper_bound(depth.begin(), depth.end(), z) - depth.begin());
       i < depth.size(); ++i) {
    if (i > 0 && depth[i] == depth[i - 1]) continue;  // a step: the speed below it from here on
    const double g = i == 0 ? 0 : (speed[i] - speed[i - 1]) / (depth[i] - depth[i - 1]);
    const double v = i == 0 ? speed[0] : speed[i - 1] + g * (z - depth[i - 1]);
    const double time = piece_time(v, g, depth[i] - z);
    if (t <= time) return z + piece_depth(v, g, t) - draft;
    t -= time;
    z = depth[i];
  }
  return z + speed.back() * t - draft;
}

double squat_at(const SquatTable& table, double knots) {
  const std::vector<double>& k = table.knots;
  const std::vector<double>& m = table.metres;
  if (!(knots > k.front())) return std::isnan(knots) ? knots : m.front();
  if (knots >= k.back()) return m.back();
  const auto i = static_cast<std::size_t>(std::upper_bound(k.begin(), k.end(), knots) - k.begin());
  return m[i - 1] + (knots - k[i - 1]) * (m[i] - m[i - 1]) / (k[i] - k[i - 1]);
}

double ground_speed(double latitude1, double longitude1, double latitude2, double longitude2, double seconds) {
  if (!(seconds > 0)) return 0;
  constexpr double kA = 6378137.0;                      // WGS 84: semi-major axis, m
  constexpr double kF = 1 / 298.257223563;              // flattening
  constexpr double kE2 = kF * (2 - kF);                 // first eccentricity squared
  constexpr double kRadian = std::numbers::pi / 180.0;
  const double mean = (latitude1 + latitude2) / 2 * kRadian;
  const double s = std::sin(mean);
  const double w2 = 1 - kE2 * s * s;
  const double prime = kA / std::sqrt(w2);              // N, in the prime vertical
  const double meridian = prime * (1 - kE2) / w2;       // M, in the meridian
  double east = longitude2 - longitude1;
  if (east > 180) east -= 360;  // across the antimeridian, the short way
  if (east < -180) east += 360;
  const double north_m = (latitude2 - latitude1) * kRadian * meridian;
  const double east_m = east * kRadian * prime * std::cos(mean);
  return std::hypot(north_m, east_m) / seconds;
}

}  // namespace join_corrections
