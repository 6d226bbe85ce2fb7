#include "spread.h"

namespace nmea_split {

nmea::TimeOfDay spread_time(Stretch& stretch) {
  ++stretch.placed;
  const double t = stretch.from + (stretch.to - stretch.from) * static_cast<double>(stretch.placed) /
                                      static_cast<double>(stretch.soundings + 1);
  return nmea::time_of_day(t);
}

namespace {

// A sounding of a stretch whose end is known.
void place(Stretch& stretch, const Held& h, const SpreadHooks& hooks) {
  if (stretch.has_end) {
    hooks.write(h, spread_time(stretch));
  } else {
    hooks.reject(h);
  }
}

void place_held(Spreading& s, const SpreadHooks& hooks) {
  for (const Held& h : s.held) place(s.stretch, h, hooks);
  s.held.clear();
}

}  // namespace

void take_sounding(Spreading& s, const Held& h, const SpreadHooks& hooks) {
  if (s.stretch.counted) {
    place(s.stretch, h, hooks);
    return;
  }
  s.held.push_back(h);
  if (s.held.size() > kHeld) {
    s.stretch.counted = true;
    s.stretch.soundings = static_cast<std::int64_t>(s.held.size());
    hooks.count_ahead(s.stretch);
    place_held(s, hooks);
  }
}

void end_stretch(Spreading& s, bool has_end, double to, const SpreadHooks& hooks) {
  if (!s.stretch.counted) {
    s.stretch.to = to;
    s.stretch.soundings = static_cast<std::int64_t>(s.held.size());
    s.stretch.has_end = has_end;
  }
  place_held(s, hooks);
}

}  // namespace nmea_split
