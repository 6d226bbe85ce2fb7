// The water level that an RTK receiver measures (--rtk-tide): the altitude
// of its fixes of quality 4, less the antenna's height above the waterline
// and the datum's height, smoothed by a running median over a window of
// seconds so that the boat's heave drops out; one level for each whole
// second that has an RTK fix, written ("hour minute second level", as join
// --tide reads it) when at least half of the window's seconds have one.
// Only the window's heights are held, so memory does not grow with the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "day_count.h"
#include "text_file.h"

namespace nmea_split {

struct RtkRule {
  double antenna = 0, datum = 0;  // metres
  std::int64_t half_window = 30;  // seconds on either side of a level
};

// The heights of the fixes of quality 4 that the levels still to be written
// need (a window's worth, oldest first), the seconds that wait for their
// level, and what was written. The two queues are vectors read from an index
// on, moved to their start now and then: they keep the room they took, so a
// log of any length takes no more.
struct RtkLevel {
  struct Height {
    std::int64_t second = 0;  // whole seconds from the midnight before the first
    double metres = 0;
  };
  std::vector<Height> heights;
  std::vector<std::int64_t> waiting;
  std::size_t heights_from = 0, waiting_from = 0;
  std::vector<double> window_heights;
  survey_rt::DayCount days;
  int levels = 0;
  std::int64_t fixes = 0;
  double low = 0, high = 0;
};

// An RTK fix at this time of day (seconds) with the antenna at this altitude;
// one whose time goes back is passed over. Writes the levels whose window
// has ended.
void add_rtk_fix(RtkLevel& r, const RtkRule& rule, survey_rt::TextFile& tide, double time_of_day,
                 double altitude);

// Writes the levels still waiting (at the end of the log).
void write_last_levels(RtkLevel& r, const RtkRule& rule, survey_rt::TextFile& tide);

}  // namespace nmea_split
