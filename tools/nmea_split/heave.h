// The heave of a motion sensor in a logged NMEA stream, from the proprietary
// sentences that carry it. The layouts, as Kongsberg documents its Seapath
// and MRU outputs (and as the NMEA readers of research ships' data take
// them, e.g. pynmea2's proprietary/sxn.py):
//   $PSXN,23,roll,pitch,heading,heave*hh  roll in degrees (positive with the
//       port side up), pitch in degrees (bow up), heading in degrees true,
//       heave in metres, POSITIVE DOWN;
//   $PSXN,22,gyro-calibration,gyro-offset*hh  the gyro's calibration and
//       short-term offset in degrees: no heave;
//   $PSXN,20 (quality), 21 (an event), 24 (rates): no heave.
// So only PSXN,23 gives a heave; the others are sound sentences passed over.
#pragma once

#include <span>
#include <string_view>

#include "nmea.h"

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

}  // namespace nmea
