// The midnight rule of the logs, which carry times of day and no date: a log
// keeps a day offset that grows by a day whenever a record's time of day lies
// more than 12 hours below that of the record taken just before it, so a
// survey past midnight keeps its order (join's logs and tide series,
// nmea_split's fixes and soundings). Inline: the tools time every record.
#pragma once

namespace survey_rt {

struct DayCount {
  double offset = 0;  // seconds from the midnight before the first record
  double last = 0;    // the time of day of the record taken last
  bool any = false;   // a record was taken
};

// Whether a record at this time of day (seconds) falls on the day after the
// record taken last.
inline bool is_next_day(const DayCount& days, double time_of_day) {
  return days.any && days.last - time_of_day > 43200.0;
}

// Takes a record at this time of day: its time in seconds from the midnight
// before the first record.
inline double count_days(DayCount& days, double time_of_day) {
  if (is_next_day(days, time_of_day)) days.offset += 86400.0;
  days.last = time_of_day;
  days.any = true;
  return time_of_day + days.offset;
}

}  // namespace survey_rt
