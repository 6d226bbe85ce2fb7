#include "rtk_level.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stop.h"
#include "vector_queue.h"

using namespace survey_rt;

namespace nmea_split {

namespace {

// The level of a second: the median of the heights within the half window
// on either side of it, written when at least half of the window's seconds
// have an RTK fix.
void write_level(RtkLevel& r, const RtkRule& rule, TextFile& tide, std::int64_t second) {
  r.window_heights.clear();
  std::int64_t seconds = 0, last = std::numeric_limits<std::int64_t>::min();
  for (std::size_t i = r.heights_from; i < r.heights.size(); ++i) {
    const RtkLevel::Height& h = r.heights[i];
    if (h.second < second - rule.half_window || h.second > second + rule.half_window) continue;
    r.window_heights.push_back(h.metres);
    if (h.second != last) ++seconds;
    last = h.second;
  }
  if (seconds * 2 < 2 * rule.half_window + 1) return;
  const std::size_t n = r.window_heights.size();
  const auto middle = r.window_heights.begin() + static_cast<std::ptrdiff_t>(n / 2);
  std::nth_element(r.window_heights.begin(), middle, r.window_heights.end());
  double median = *middle;
  if (n % 2 == 0) median = (median + *std::max_element(r.window_heights.begin(), middle)) / 2;
  const double level = median - rule.antenna - rule.datum;
  const std::int64_t of_day = second % 86400;
  write_int(tide, static_cast<int>(of_day / 3600));
  write_char(tide, ' ');
  write_int(tide, static_cast<int>(of_day / 60 % 60));
  write_char(tide, ' ');
  write_int(tide, static_cast<int>(of_day % 60));
  write_char(tide, ' ');
  write_fixed(tide, level, 0, 3);
  end_line(tide);
  io_check();
  if (r.levels == 0 || level < r.low) r.low = level;
  if (r.levels == 0 || level > r.high) r.high = level;
  ++r.levels;
}

// Writes the levels of the seconds whose window ends before the second
// "before", and lets go of the heights no level still to be written needs.
void write_levels_before(RtkLevel& r, const RtkRule& rule, TextFile& tide, std::int64_t before) {
  for (; r.waiting_from < r.waiting.size() && r.waiting[r.waiting_from] + rule.half_window < before;
       ++r.waiting_from)
    write_level(r, rule, tide, r.waiting[r.waiting_from]);
  const std::int64_t needed =
      (r.waiting_from < r.waiting.size() ? r.waiting[r.waiting_from] : before) - rule.half_window;
  while (r.heights_from < r.heights.size() && r.heights[r.heights_from].second < needed) ++r.heights_from;
  let_go(r.waiting, r.waiting_from);
  let_go(r.heights, r.heights_from);
}

}  // namespace

void add_rtk_fix(RtkLevel& r, const RtkRule& rule, TextFile& tide, double time_of_day, double altitude) {
  if (r.days.any && time_of_day < r.days.last && !is_next_day(r.days, time_of_day)) return;
  const auto second = static_cast<std::int64_t>(std::floor(count_days(r.days, time_of_day)));
  ++r.fixes;
  write_levels_before(r, rule, tide, second);
  r.heights.push_back({second, altitude});
  if (r.waiting_from == r.waiting.size() || r.waiting.back() != second) r.waiting.push_back(second);
}

void write_last_levels(RtkLevel& r, const RtkRule& rule, TextFile& tide) {
  write_levels_before(r, rule, tide, std::numeric_limits<std::int64_t>::max());
}

}  // namespace nmea_split
