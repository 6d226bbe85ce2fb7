#include "tag_offset.h"

#include <algorithm>
#include <cmath>

#include "vector_queue.h"

namespace nmea_split {

namespace {

constexpr int kLagBins = 65536;

// The window's histogram: a lag counted in (d 1) or taken out of (d -1) its
// bin; lags beyond the histogram count in its first or last bin.
void count_lag(RunningOffset& o, std::int64_t ms, int d) {
  if (o.bins.empty()) {
    o.bins.assign(kLagBins, 0);
    o.centre = ms;
    o.at = kLagBins / 2;
    o.below = 0;
  }
  const std::int64_t bin = std::clamp<std::int64_t>(ms - o.centre + kLagBins / 2, 0, kLagBins - 1);
  std::uint32_t& n = o.bins[static_cast<std::size_t>(bin)];
  n = d > 0 ? n + 1 : d < 0 ? n - 1 : n;
  if (bin < o.at) o.below += d;
}

// The histogram made anew around the window's exact median, when the median
// has reached its first or last bin (a logger's clock that was set, or drifted
// for days), where lags beyond it may be counted.
void recentre(RunningOffset& o) {
  o.scratch.clear();
  for (std::size_t i = o.lags_from; i < o.lags.size(); ++i) o.scratch.push_back(o.lags[i].ms);
  const auto middle = o.scratch.begin() + static_cast<std::ptrdiff_t>((o.scratch.size() - 1) / 2);
  std::nth_element(o.scratch.begin(), middle, o.scratch.end());
  o.bins.clear();
  count_lag(o, *middle, 0);
  for (std::size_t i = o.lags_from; i < o.lags.size(); ++i) count_lag(o, o.lags[i].ms, 1);
}

void drop_oldest_lag(RunningOffset& o) {
  count_lag(o, o.lags[o.lags_from].ms, -1);
  ++o.lags_from;
}

// The oldest waiting fix released with the median of the lags within
// kHalfSpan seconds either side of its tag (the later ones are not in yet).
void release_oldest(RunningOffset& o, ReleaseFix release) {
  const WaitingFix f = o.waiting[o.waiting_from++];
  while (o.lags_from < o.lags.size() && o.lags[o.lags_from].time < f.tag - kHalfSpan) drop_oldest_lag(o);
  let_go(o.lags, o.lags_from);
  let_go(o.waiting, o.waiting_from);
  if (f.has_lag && o.lags_from < o.lags.size()) {
    release(f, f.tag - f.lag + static_cast<double>(median_ms(o)) / 1000.0);
  } else {
    release(f, f.tag);
  }
}

}  // namespace

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

std::int64_t median_ms(RunningOffset& o) {
  const auto rank = static_cast<std::int64_t>(o.lags.size() - o.lags_from + 1) / 2;
  for (;;) {
    while (o.below >= rank) o.below -= o.bins[static_cast<std::size_t>(--o.at)];
    while (o.below + o.bins[static_cast<std::size_t>(o.at)] < rank) o.below += o.bins[static_cast<std::size_t>(o.at++)];
    if (o.at > 0 && o.at < kLagBins - 1) return o.centre + o.at - kLagBins / 2;
    recentre(o);
  }
}

void add_lag(RunningOffset& o, double time, double lag, ReleaseFix release) {
  while (o.waiting_from < o.waiting.size() && o.waiting[o.waiting_from].tag + kHalfSpan < time)
    release_oldest(o, release);
  if (o.waiting_from == o.waiting.size())
    while (o.lags_from < o.lags.size() && o.lags[o.lags_from].time < time - kHalfSpan) drop_oldest_lag(o);
  const std::int64_t ms = std::llround(lag * 1000.0);
  o.lags.push_back({time, ms});
  count_lag(o, ms, 1);
  if (o.lags.size() - o.lags_from > kMostLags) drop_oldest_lag(o);
  let_go(o.lags, o.lags_from);
}

void wait_for_lags(RunningOffset& o, const WaitingFix& f, ReleaseFix release) {
  o.waiting.push_back(f);
  if (o.waiting.size() - o.waiting_from > kMostWaiting) release_oldest(o, release);
}

void release_all(RunningOffset& o, ReleaseFix release) {
  while (o.waiting_from < o.waiting.size()) release_oldest(o, release);
}

}  // namespace nmea_split
