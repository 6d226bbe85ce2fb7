// The NMEA 0183 sentences of a logged line, as nmea_split reads them: the
// sentence after the first "$" of the line (any talker), its checksum, its
// fields, and the logger's time tag in the text before it; or, when that is
// no sound sentence of a kind read here, one with a valid checksum that
// follows other text on the line (a lost line end, a receiver's binary frame).
// A line of several sentences, each with its right checksum (a lost line
// end), gives them one after the other.
#pragma once

#include <cstdint>
#include <string_view>

#include "text_file.h"

namespace nmea {

// The longest line read: a sentence has at most 82 characters, and what a
// logger writes before it (a time tag, a channel name) some 40 more.
inline constexpr std::size_t kMaxLine = 255;

// psxn: Seapath's proprietary sentences (heave.h).
enum class Kind : std::uint8_t { other, gga, gns, rmc, gll, zda, dbt, dpt, dbs, psxn };

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
  unit,          // a unit letter that is not its field's (f, M, F of DBT and DBS)
  negative_depth,
};
const char* fault_text(Fault fault);

// A number as the log wrote it: its value and the decimals to write it with.
struct Value {
  double value = 0;
  int decimals = 0;
  bool set = false;  // false: the field was empty
};

// A field that holds a plain decimal, "-"? digits ("." digits)?, read as the
// runtime reads numbers; an empty field leaves v unset.
Fault read_decimal(std::string_view field, Value& v);

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  double second = 0;
  int decimals = 0;  // of the second
  bool set = false;
  double seconds() const { return static_cast<double>((hour * 60 + minute) * 60) + second; }
};

// The time of day of a time in seconds from a midnight (before or after
// it: the time of day all the same), to the millisecond: three decimals.
TimeOfDay time_of_day(double seconds);

// The time of day a second after t, with its decimals (past midnight: the
// next day's).
TimeOfDay second_later(TimeOfDay t);

struct Sentence {
  Kind kind = Kind::other;
  TimeOfDay tag;   // the last hh:mm:ss[.f] in the text before the "$"
  TimeOfDay time;  // the receiver's time field (GGA, RMC, GLL, ZDA)
  bool fix = false;                 // a fix claimed: GGA quality above 0, GNS a mode but N, RMC and GLL status A
  // The fix's quality as GGA codes it; RMC, GLL and GNS mode letters count
  // as A 1, D 2, P 3, R 4, F 5 (no mode field: 1). Not a real fix (real
  // false): GGA 6, 7, 8 and codes above 9, modes E, M, S, N and letters unknown.
  int quality = 0;
  bool real = false;
  Value altitude;                   // GGA of quality 4: the antenna's altitude in metres (field 9)
  Value latitude, longitude;        // decimal degrees, south and west negative
  Value depth;                      // metres (DBT, DPT, DBS); not set when the sounder gave none
  Value offset;                     // DPT: the transducer's offset, metres
  Value heave;                      // PSXN,23: the heave, metres, positive down (heave.h)
  int year = 0, month = 0, day = 0;  // ZDA, RMC; 0 when the sentence gives no date
  bool recovered = false;            // the sentence followed other text on its line
  // Where the line's next sentence begins, when one follows this one's right
  // checksum on the line (a lost line end); 0: none.
  std::size_t rest = 0;
};

// The kind named by the sentence of a line, looking at its name only, and
// (more) whether a "$" that starts a sentence follows it on the line.
Kind kind_of(std::string_view line, bool& more);

// Reads the line: text is its first bytes (all of them unless size, the
// length of the whole line, is beyond kMaxLine). Fills s and answers none
// when the line holds a sound sentence; the fields of the kinds above are
// checked, other sentences only found. When the sentence at the line's first
// "$" or "!" is not sound or of no kind read here, the first "$" after it
// that starts a sentence of a kind read here with its checksum there and
// right is read instead (s.recovered); its tag is then the last time in the
// printable text at the start of the line. fix_only: of a position sentence only what tells a
// fix (its checksum, fix, quality, time; the tag when it has no time).
// Of a line of several sentences (LineSentences), the first, s.rest telling
// where the next begins.
Fault read_sentence(std::string_view text, std::uint64_t size, Sentence& s, bool fix_only = false);

// The sentences of a line, one at a time. A lost line end leaves two
// sentences or more on one line ("$SDDPT,3.9,0.4,*75$SDMTW,39.1,C*0F"): the
// line is cut after each sentence whose "*hh" is right when another "$" or
// "!" sentence follows it (printable text between is passed over), and each
// part is read as read_sentence reads a line, the sentences after the first
// with the line's tag (the last time in the printable text at its start).
// A sentence of a kind read here whose "*hh" is wrong is cut from the next
// too, and rejected (Fault::checksum), unless it holds a "$" or "!" of its
// own (cut short, the "*hh" then the next one's). (A sentence of a kind not
// read here is cut from one that follows it only when that one begins with
// "$".)
struct LineSentences {
  std::string_view rest;  // the parts not read yet
  TimeOfDay tag;          // the line's, once it is cut
};
void start_rest(LineSentences& line, std::string_view text, std::size_t rest);
// The line's first sentence, as read_sentence reads it.
inline Fault first_sentence(LineSentences& line, std::string_view text, std::uint64_t size, Sentence& s) {
  const Fault fault = read_sentence(text, size, s);
  if (s.rest != 0) [[unlikely]] start_rest(line, text, s.rest);
  return fault;
}
// The line's next sentence after the first (line.rest not empty), as
// read_sentence reads it.
Fault next_sentence(LineSentences& line, Sentence& s);

// Takes the log's next line (line: its number from 0) as take_raw_line does,
// its first kMaxLine bytes in text and its length in size; the UTF-8
// byte-order mark that an editor may put at the start of a file is passed
// over.
bool take_log_line(survey_rt::TextFile& f, std::int64_t line, std::string_view& text, std::uint64_t& size);

}  // namespace nmea
