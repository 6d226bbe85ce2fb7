// Untagged logs: the soundings between two fixes take times spread evenly
// between the fixes' times, the k-th of n at t1 + k (t2 - t1) / (n + 1), to
// the millisecond. They wait in memory for the fix after them, up to kHeld of
// them; for a longer stretch (an outage of the receiver) the split counts the
// rest of the stretch ahead with a second reader of the log, and each
// sounding is written as it comes, so memory stays the same for any log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "nmea.h"

namespace nmea_split {

// A sounding waiting for its time, and its line in the log.
struct Held {
  nmea::Value depth, offset;
  std::int64_t line = 0;
};
inline constexpr std::size_t kHeld = 4096;

// The soundings between the last fix and the next.
struct Stretch {
  double from = 0, to = 0;  // the times of the fixes around it
  std::int64_t soundings = 0, placed = 0;
  bool counted = false;     // by the second reader, before its end
  bool has_end = false;     // a fix comes after it
};

struct Spreading {
  std::vector<Held> held;
  Stretch stretch;
};

// What the spreading needs of the split: a sounding written at its time, one
// rejected as after the last fix, and the rest of the stretch counted ahead
// (its soundings added to stretch.soundings, its end set when a fix ends it).
struct SpreadHooks {
  void (*write)(const Held& h, const nmea::TimeOfDay& t);
  void (*reject)(const Held& h);
  void (*count_ahead)(Stretch& stretch);
};

// The time of the stretch's next sounding.
nmea::TimeOfDay spread_time(Stretch& stretch);

// A sounding after the first fix: placed at once in a stretch already
// counted, else held; one more than kHeld held has the stretch counted.
void take_sounding(Spreading& s, const Held& h, const SpreadHooks& hooks);

// The end of the stretch, at a fix taken at time to, or at the end of the log
// (has_end false): the soundings still held are placed.
void end_stretch(Spreading& s, bool has_end, double to, const SpreadHooks& hooks);

}  // namespace nmea_split
