// The running offset of the tags against a plain model: for every fix, the
// lower middle of the sorted lags whose tags lie within 150 s either side of
// its own, on logs of jittering tags, a drifting clock, a clock that is set,
// stuck tags and fixes without a receiver time; fixes released in the order
// they came, every one of them; memory held to the caps.
#include "tag_offset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using nmea_split::RunningOffset;
using nmea_split::WaitingFix;

struct Released {
  std::int64_t line;
  double time;
};
std::vector<Released> released;

void keep(const WaitingFix& f, double time) { released.push_back({f.line, time}); }

// A position sentence of a log: the time of its tag, tag - receiver time, and
// whether it is a fix taken (else only its lag counts: no fix, below quality).
struct Sentence {
  double tag, lag;
  bool fix = true;
  bool has_lag = true;
};

// The model's time of every fix, in order.
std::vector<double> model(const std::vector<Sentence>& log) {
  std::vector<double> times;
  for (const Sentence& f : log) {
    if (!f.fix) continue;
    if (!f.has_lag) {
      times.push_back(f.tag);
      continue;
    }
    std::vector<std::int64_t> window;
    for (const Sentence& s : log)
      if (s.has_lag && std::fabs(s.tag - f.tag) <= nmea_split::kHalfSpan) window.push_back(std::llround(s.lag * 1000));
    std::sort(window.begin(), window.end());
    times.push_back(f.tag - f.lag + static_cast<double>(window[(window.size() - 1) / 2]) / 1000);
  }
  return times;
}

std::vector<Released> run(const std::vector<Sentence>& log, RunningOffset& o) {
  released.clear();
  std::int64_t line = 0;
  for (const Sentence& s : log) {
    ++line;
    if (s.has_lag) nmea_split::add_lag(o, s.tag, s.lag, keep);
    if (s.fix) nmea_split::wait_for_lags(o, {{}, {}, s.tag, s.lag, s.has_lag, line}, keep);
  }
  nmea_split::release_all(o, keep);
  return released;
}

// A fix a period for the seconds given, its tag lag + drift x time + jitter
// (uniform, +-jitter) after its receiver time.
std::vector<Sentence> fixes(double seconds, double period, double lag, double drift, double jitter, int seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-jitter, jitter);
  std::vector<Sentence> log;
  for (double t = 0; t < seconds; t += period) {
    const double l = lag + drift * t + noise(random);
    log.push_back({t + l, l});
  }
  return log;
}

TEST(RunningOffset, MedianOfTheWindowAroundEachFix) {
  std::vector<Sentence> outage = fixes(1200, 1, 0.15, 0, 0.05, 2);
  for (std::size_t i = 300; i < 400; ++i) outage[i].fix = false;  // no fix, its lag still counts
  std::vector<Sentence> set_clock = fixes(900, 1, 0.2, 0, 0.03, 3);
  for (std::size_t i = 450; i < set_clock.size(); ++i) {  // the logger's clock set 75 s on
    set_clock[i].tag += 75;
    set_clock[i].lag += 75;
  }
  std::vector<Sentence> gll = fixes(400, 1, 0.15, 0, 0.05, 4);
  for (std::size_t i = 0; i < gll.size(); i += 7) gll[i].has_lag = false;  // NMEA 1.5 GLL: its tag
  struct Case {
    std::string name;
    std::vector<Sentence> log;
  };
  const Case cases[] = {
      {"one fix", {{36000.15, 0.15}}},
      {"1 Hz, jitter of 50 ms", fixes(1800, 1, 0.15, 0, 0.05, 1)},
      {"10 Hz, clock 37.4 s off drifting 0.2 s an hour", fixes(600, 0.1, 37.4, 0.2 / 3600, 0.05, 5)},
      {"a clock drifting 40 s a day for three days (the histogram moves)",
       fixes(3 * 86400, 30, -20, 40.0 / 86400, 0.01, 6)},
      {"an outage of 100 s", outage},
      {"a clock set 75 s on", set_clock},
      {"a lag of exactly 150 s either side", {{1000, 0.1}, {1150, 0.5}, {1300, 0.3}, {1300.001, 9}}},
      {"some without a receiver time", gll},
  };
  for (const Case& c : cases) {
    RunningOffset o;
    const std::vector<Released> got = run(c.log, o);
    const std::vector<double> expected = model(c.log);
    ASSERT_EQ(got.size(), expected.size()) << c.name;
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (i > 0) {
        ASSERT_LT(got[i - 1].line, got[i].line) << c.name;
      }
      ASSERT_NEAR(got[i].time, expected[i], 1e-6) << c.name << ", fix " << i;
    }
  }
}

TEST(RunningOffset, JitterAndDriftDropOut) {
  // 1 Hz fixes tagged 0.15 s +- 0.05 s late by a clock 37.4 s off drifting
  // 0.2 s an hour: each fix's time in the logger's clock is within 10 ms of
  // its receiver time + the clock's offset at that time + 0.15 s.
  const std::vector<Sentence> log = fixes(7200, 1, 37.55, 0.2 / 3600, 0.05, 7);
  RunningOffset o;
  const std::vector<Released> got = run(log, o);
  ASSERT_EQ(got.size(), log.size());
  double worst = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const double t = log[i].tag - log[i].lag;  // the receiver's time
    worst = std::max(worst, std::fabs(got[i].time - (t + 37.55 + 0.2 / 3600 * t)));
  }
  EXPECT_LT(worst, 0.010);
  EXPECT_GT(worst, 0.0);
}

TEST(RunningOffset, MemoryHeldToTheCaps) {
  // A logger whose tags stand still: the fixes cannot wait for the lags of
  // 150 s after them, the lags of 150 s before them are all there is.
  RunningOffset o;
  released.clear();
  const std::int64_t n = 200000;
  std::size_t most_waiting = 0, most_lags = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    nmea_split::add_lag(o, 5000, 0.001 * static_cast<double>(i % 64), keep);
    nmea_split::wait_for_lags(o, {{}, {}, 5000, 0.001 * static_cast<double>(i % 64), true, i}, keep);
    most_waiting = std::max(most_waiting, o.waiting.size());
    most_lags = std::max(most_lags, o.lags.size());
  }
  nmea_split::release_all(o, keep);
  EXPECT_EQ(static_cast<std::int64_t>(released.size()), n);
  EXPECT_LE(most_waiting, 2 * nmea_split::kMostWaiting + 1024);
  EXPECT_LE(most_lags, 2 * nmea_split::kMostLags + 1024);
  // The last fix's lag is 63 ms; the window, the last 65536 lags, holds 0
  // to 63 ms 1024 times each: of an even count the lower middle, 31 ms.
  EXPECT_NEAR(released.back().time, 5000 - 0.063 + 0.031, 1e-9);
}

}  // namespace
