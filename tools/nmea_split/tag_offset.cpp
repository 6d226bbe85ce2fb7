#include "tag_offset.h"

#include <cmath>

namespace nmea_split {

namespace {
constexpr int kLagBins = 65536;
}

double tag_lag(const nmea::Sentence& s) {
  double lag = s.tag.seconds() - s.time.seconds();
  if (lag > 43200.0) lag -= 86400.0;
  if (lag < -43200.0) lag += 86400.0;
  return lag;
}

void add_lag(LagHistogram& h, double lag) {
  const std::int64_t ms = std::llround(lag * 1000.0);
  if (h.count++ == 0) {
    h.bins.assign(kLagBins, 0);
    h.centre = ms;
  }
  const std::int64_t bin = ms - h.centre + kLagBins / 2;
  if (bin < 0) {
    ++h.below;
  } else if (bin < kLagBins) {
    ++h.bins[static_cast<std::size_t>(bin)];
  }
}

bool median_lag(const LagHistogram& h, double& lag) {
  std::int64_t rank = (h.count + 1) / 2 - h.below;
  if (rank <= 0) return false;
  for (int bin = 0; bin < kLagBins; ++bin) {
    rank -= h.bins[static_cast<std::size_t>(bin)];
    if (rank <= 0) {
      lag = static_cast<double>(h.centre + bin - kLagBins / 2) / 1000.0;
      return true;
    }
  }
  return false;
}

}  // namespace nmea_split
