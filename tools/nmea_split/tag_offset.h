// The offset of a logger's time tags from the receiver's times: tag -
// receiver time of the sentences that carry both, the logger's delay or its
// clock's offset from the receiver's.
#pragma once

#include <cstdint>
#include <vector>

#include "nmea.h"

namespace nmea_split {

// Tag - receiver time of a sentence with both, in seconds; one on each side
// of midnight counts the short way round.
double tag_lag(const nmea::Sentence& s);

// The lags of a whole log, in milliseconds, counted in a window of about a
// minute around the first one (65536 steps of 1 ms, 256 KiB for any log);
// the ones below it only as a count. The median is then exact to the
// millisecond while at least half of the lags lie in the window.
struct LagHistogram {
  std::vector<std::uint32_t> bins;
  std::int64_t centre = 0, below = 0, count = 0;
};
void add_lag(LagHistogram& h, double lag);
// The median lag in seconds (of an even count the lower middle one); false
// when it lies beyond the window.
bool median_lag(const LagHistogram& h, double& lag);

}  // namespace nmea_split
