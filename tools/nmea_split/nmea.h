// The NMEA 0183 sentences of a logged line, as nmea_split reads them: the
// sentence after the first "$" of the line (any talker), its checksum, its
// fields, and the logger's time tag in the text before it.
#pragma once

#include <cstdint>
#include <string_view>

namespace nmea {

// The longest line read: a sentence has at most 82 characters, and what a
// logger writes before it (a time tag, a channel name) some 40 more.
inline constexpr std::size_t kMaxLine = 255;

enum class Kind : std::uint8_t { other, gga, rmc, gll, zda, dbt, dpt, dbs };

// Why a line holds no sound sentence (none: it does).
enum class Fault : std::uint8_t {
  none,
  too_long,      // longer than kMaxLine
  junk,          // a byte that is neither printable ASCII nor a tab
  no_sentence,   // no "$" in it
  checksum,      // "*hh" that does not match the bytes before it
  cut_short,     // fewer fields than its kind has, or "*" with less than two characters after it
  not_a_number,  // a field that is needed is empty or not a plain decimal number
  out_of_range,  // a field beyond its range (a minute of 60, a latitude of 91 degrees)
};
const char* fault_text(Fault fault);

// A number as the log wrote it: its value and the decimals to write it with.
struct Value {
  double value = 0;
  int decimals = 0;
  bool set = false;  // false: the field was empty
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  double second = 0;
  int decimals = 0;  // of the second
  bool set = false;
  double seconds() const { return static_cast<double>((hour * 60 + minute) * 60) + second; }
};

struct Sentence {
  Kind kind = Kind::other;
  TimeOfDay tag;   // the last hh:mm:ss[.f] in the text before the "$"
  TimeOfDay time;  // the receiver's time field (GGA, RMC, GLL, ZDA)
  bool fix = false;                 // GGA quality above 0, RMC and GLL status A
  Value latitude, longitude;        // decimal degrees, south and west negative
  Value depth;                      // metres (DBT, DPT, DBS); not set when the sounder gave none
  Value offset;                     // DPT: the transducer's offset, metres
  int year = 0, month = 0, day = 0;  // ZDA, RMC; 0 when the sentence gives no date
};

// The kind named by the sentence of a line, looking at its name only.
Kind kind_of(std::string_view line);

// Reads the line: text is its first bytes (all of them unless size, the
// length of the whole line, is beyond kMaxLine). Fills s and answers none
// when the line holds a sound sentence; the fields of the kinds above are
// checked, other sentences only found.
Fault read_sentence(std::string_view text, std::uint64_t size, Sentence& s);

}  // namespace nmea
