// The offset of a logger's time tags from the receiver's times: tag -
// receiver time of the sentences that carry both, the logger's delay or its
// clock's offset from the receiver's: over the whole log for the screen, and
// running, for the fixes of a tagged log.
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

// The running offset. A logger's tags jitter (serial buffers, a busy
// computer) and its clock drifts, so a fix of a tagged log is not taken at
// its tag but at its receiver time carried into the logger's clock: plus the
// median lag of the position sentences whose tags lie within kHalfSpan
// seconds either side of the fix's tag. A fix therefore waits until the
// lags of the kHalfSpan seconds after it are in (or the log ends), and is
// then released in the order of the log. The lags of the window are counted
// by the millisecond in a histogram whose median moves with them, so a fix
// costs the same whatever the window holds.
inline constexpr double kHalfSpan = 150;  // seconds
// At most this many fixes wait, and this many lags are held (a logger whose
// tags stand still): beyond them the oldest fix is released at once, and the
// oldest lag let go of.
inline constexpr std::size_t kMostWaiting = 4096, kMostLags = 65536;

// A fix of a tagged log waiting for the lags after it.
struct WaitingFix {
  nmea::Value latitude, longitude;
  double tag = 0;        // seconds from the midnight before the log's first line
  double lag = 0;        // tag - receiver time
  bool has_lag = false;  // false: no receiver time (NMEA 1.5 GLL)
  std::int64_t line = 0;
};

struct RunningOffset {
  struct Lag {
    double time = 0;  // of its tag, as a fix's
    std::int64_t ms = 0;
  };
  std::vector<Lag> lags;  // the window, oldest first, from lags_from on
  std::size_t lags_from = 0;
  std::vector<WaitingFix> waiting;  // from waiting_from on
  std::size_t waiting_from = 0;
  std::vector<std::uint32_t> bins;  // the window's lags by the millisecond, from centre - 32.768 s
  std::int64_t centre = 0;
  std::int64_t at = 0, below = 0;  // a bin next to the median, and the lags in the bins under it
  std::vector<std::int64_t> scratch;
};

// A fix released: its time in the logger's clock, in seconds from the
// midnight before the log's first line: its receiver time plus the median lag
// of its window, or its tag when it has no receiver time.
using ReleaseFix = void (*)(const WaitingFix& f, double time);

// The lag of a position sentence whose tag lies at time (seconds from the
// midnight before the log's first line); the fixes whose window it passes
// are released first.
void add_lag(RunningOffset& o, double time, double lag, ReleaseFix release);
// A fix taken (after its own lag, when it has one), to wait for its window.
void wait_for_lags(RunningOffset& o, const WaitingFix& f, ReleaseFix release);
// Releases the fixes still waiting (at the end of the log).
void release_all(RunningOffset& o, ReleaseFix release);
// The median of the lags in the window, in milliseconds (of an even count
// the lower middle one); the window must hold a lag.
std::int64_t median_ms(RunningOffset& o);

}  // namespace nmea_split
