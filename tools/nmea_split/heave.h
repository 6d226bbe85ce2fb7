// The heave of a motion sensor in a logged NMEA stream, from the proprietary
// sentences that carry it. The layouts of Seapath's sentences (Kongsberg;
// as pynmea2's proprietary/sxn.py and the research ships' logger OpenRVDAS
// read them, docs/nmea_split.md):
//   $PSXN,23,roll,pitch,heading,heave*hh  roll in degrees (positive with the
//       port side up), pitch in degrees (bow up), heading in degrees true,
//       heave in metres, POSITIVE DOWN;
//   $PSXN,22,gyro-calibration,gyro-offset*hh  the gyro's calibration and
//       short-term offset in degrees: no heave;
//   $PSXN,20 (quality), 21 (an event), 24 (rates): no heave.
// So only PSXN,23 gives a heave; the others are sound sentences passed over.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "day_count.h"
#include "nmea.h"
#include "text_file.h"

namespace nmea {

// The fields read of a PSXN sentence: its message number and the four of
// PSXN,23.
inline constexpr int kPsxnFields = 5;

// The sign of the heave PSXN,23 gives, for join --heave-sign.
inline constexpr std::string_view kPsxnHeaveSign = "down";

// Reads the fields of a PSXN sentence (fields[0] its message number, at
// most kPsxnFields of them): a PSXN,23 sets s.heave from its fifth field,
// left unset when that is empty (the sensor gave none); other messages
// carry no heave.
Fault read_psxn(std::span<const std::string_view> fields, Sentence& s);

// Temp/Raw_Heave.txt, for join --heave: "hour minute second heave" a line,
// CR LF, in the order of the log. The time is the tag of the heave's line in
// a tagged log, the time the heave belongs to in the clock of the soundings'
// tags (not shifted as a fix is: join reads it as it stands); the heave as
// the sentence gives it, with its decimals. The file is written only for a
// log that has heave with times; an older one goes at the start of a split,
// so that no other log's heave is taken for this one's.
struct HeaveOutput {
  survey_rt::TextFile file;
  survey_rt::DayCount days;  // of the heave taken
  std::int64_t taken = 0;
  bool untimed = false;  // a heave without a time (an untagged log): not taken
};

// At the start of a split, the file closed: the older file removed, the
// counts cleared (and the screen's heave rows, when a split before this one
// showed them).
void start_heave(HeaveOutput& out);

// Whether a heave at time t goes back from the last one taken (the midnight
// rule of the logs).
bool heave_goes_back(const HeaveOutput& out, const TimeOfDay& t);

// Writes a heave record, creating the file at the first (its row on the
// screen with it), and counts it.
void write_heave(HeaveOutput& out, const Value& heave, const TimeOfDay& t);

// The heave's rows at the end of the split: the sign of the sentence for
// join, or why no heave was taken.
void show_heave(const HeaveOutput& out);

}  // namespace nmea
