// nmea_split: splits an NMEA 0183 log, as a logger records the receiver and
// the echo sounder, into the two logs that join reads: the fixes in
// Temp/Raw_Pos.txt ("latitude longitude hour minute second") and the
// soundings in Temp/Raw_Dpt.txt ("depth hour minute second"), CR LF, in log
// order. Every line it cannot use goes to Temp/Nmea_Rejected.txt with its
// number and the reason. The log is named as the argument or at the prompt.
//
// Positions come from one kind of sentence and depths from one kind
// (position_kind.h); the fixes of the qualities --quality lists are taken.
// Every fix is written stamped a second after its own time in the
// soundings' clock, for join counts a fix one second before its stamp. When
// the lines carry a logger's time tag before the "$" (the first sound
// sentence tells), every sounding takes its line's tag, and a fix its
// receiver time carried into the logger's clock by the running median of
// tag - receiver time, less the receiver's output delay --fix-delay
// (tag_offset.h). Otherwise the fixes' own times are the receiver's, and the
// soundings between two fixes take times spread evenly between theirs plus
// --fix-delay, when the fixes' sentences came (spread.h).
//
// With --rtk-tide H it also writes the water level that an RTK receiver
// measures, in Temp/Tide_Rtk.txt (rtk_level.h).
//
// The heave of a motion sensor in a tagged log (Seapath's PSXN,23) goes to
// Temp/Raw_Heave.txt for join --heave (heave.h).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "console.h"
#include "day_count.h"
#include "heave.h"
#include "nmea.h"
#include "number_grammar.h"
#include "position_kind.h"
#include "rtk_level.h"
#include "spread.h"
#include "stop.h"
#include "tag_offset.h"
#include "text_file.h"

using namespace survey_rt;
using namespace nmea_split;
using nmea::Kind;

namespace {

// What the screen counts, each at its place: the lines and what became of
// them, then the rejected lines by reason (a reason may have several texts in
// Temp/Nmea_Rejected.txt). The last four are shown once they count
// something (Below quality also with --quality): a log without such lines
// keeps the screen it always had.
enum Count {
  kLines, kPositions, kDepths, kNoFix, kNoDepth, kSameFix, kIgnored, kRejected,
  kChecksum, kCutShort, kBadField, kTooLong, kTimeBack, kNoTime, kJunk, kNotNmea,
  kNotReal, kBelowQuality, kRecovered, kSplitLines, kCounts
};

struct Counter {
  int x, y;
  const char* label;
};
constexpr Counter kCounters[kCounts] = {
    {7, 12, "Lines     : "}, {7, 13, "Positions : "}, {7, 14, "Depths    : "}, {7, 15, "No fix    : "},
    {7, 16, "No depth  : "}, {7, 17, "Same fix  : "}, {7, 18, "Ignored   : "}, {36, 12, "Rejected  : "},
    {36, 13, "checksum  : "}, {36, 14, "cut short : "}, {36, 15, "bad field : "}, {36, 16, "too long  : "},
    {59, 13, "time back : "}, {59, 14, "no time   : "}, {59, 15, "junk      : "}, {59, 16, "not NMEA  : "},
    {36, 17, "not real  : "}, {7, 19, "Below qual: "}, {36, 19, "Recovered : "}, {59, 19, "Split line: "},
};

Count reason_of(nmea::Fault fault) {
  switch (fault) {
    case nmea::Fault::checksum: return kChecksum;
    case nmea::Fault::cut_short: return kCutShort;
    case nmea::Fault::too_long: return kTooLong;
    case nmea::Fault::junk: return kJunk;
    case nmea::Fault::no_sentence: return kNotNmea;
    default: return kBadField;
  }
}

// What a line is to the split.
enum class Use : std::uint8_t {
  end, blank, rejected, ignored, other_fix, date, no_fix, not_real, below_quality, no_depth, same_fix, position, depth,
  heave, untimed_heave
};

// A sentence of the log's line, or the line itself when it holds none (a
// line may hold several: nmea::next_sentence).
struct Line {
  nmea::Sentence s;
  Count reason = kChecksum;  // of a rejected line
  const char* why = "";
  double when = 0;  // a taken line's time, seconds from the midnight before the first
  bool line_ends = true;  // the line's last sentence
};

// One pass of reading the log: where it is and what decides which lines it
// takes.
struct Reader {
  TextFile* file = nullptr;
  std::int64_t line = 0;
  nmea::LineSentences sentences;  // of the line read last
  DayCount days;  // of the lines taken
  bool fix_time_set = false;  // the receiver's time of the last fix taken
  double fix_time = 0;
};

enum class Times : std::uint8_t { undecided, tagged, untagged };

// The options as typed (for the screen), each empty when not given, and what
// they say.
struct Options {
  std::string quality, position, rtk_tide, datum, rtk_window, fix_delay;
  bool accepted[10] = {false, true, true, true, true, true, false, false, false, false};  // GGA codes
  Kind position_kind = Kind::other;
  RtkRule rtk;
  double delay = 0;  // --fix-delay: seconds from a fix's time to its sentence leaving the receiver
};

TextFile log_file, lead_file, pos_file, dpt_file, rejected_file, tide_file;
nmea::HeaveOutput heave_output;
std::string log_name;
Options options;
Kind depth_kind = Kind::other, position_kind = Kind::other;
Times times = Times::undecided;
Reader main_reader, lead_reader;

int counts[kCounts] = {};

// The soundings between the last fix and the next (untagged logs).
Spreading spreading;

// The survey date: the first and the last one met (ZDA, RMC).
int first_date = 0, last_date = 0;  // yyyymmdd

// The differences tag - receiver time of the whole log, for the screen, and
// the running ones that place the fixes of a tagged log.
LagHistogram lags;
RunningOffset running_offset;
double last_fix_stamp = 0;  // of the last fix written (tagged logs), seconds from the first midnight

// DPT: the least and greatest transducer offset met.
nmea::Value offset_low, offset_high;

// The sentences met that may carry a date, for the screen when none did.
std::int64_t zdas = 0, rmcs = 0;

// The position sentences of the main pass by kind.
KindCensus census;

// The RTK water level.
RtkLevel rtk;

[[noreturn]] void usage(std::string_view problem) {
  halt_with_message(1, "nmea_split: " + std::string(problem) +
                           "\nusage: nmea_split [--quality LIST] [--position GGA|GNS|RMC|GLL] [--fix-delay S] "
                           "[--rtk-tide H [--datum D] [--rtk-window S]] [LOG]");
}

// A number of metres or seconds given to an option, by the runtime's number rules.
double number_option(std::string_view name, std::string_view text, const char* what) {
  double value = 0;
  if (!parse_real(text, value) || !std::isfinite(value))
    usage(std::string(name) + " needs " + what + ", not \"" + std::string(text) + "\"");
  return value;
}

// --quality: GGA's codes of the fixes taken, 1 to 9, separated by commas
// ("4", "2,4,5").
void read_quality(const std::string& text) {
  std::fill(std::begin(options.accepted), std::end(options.accepted), false);
  bool good = !text.empty();
  for (std::size_t i = 0; good && i < text.size(); i += 2) {
    good = text[i] >= '1' && text[i] <= '9' && (i + 1 == text.size() || (text[i + 1] == ',' && i + 2 < text.size()));
    if (good) options.accepted[text[i] - '0'] = true;
  }
  if (!good) usage("--quality needs fix qualities 1 to 9 separated by commas, not \"" + text + "\"");
}

void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (!name.starts_with("--")) {
      if (!log_name.empty()) usage("one log at a time");
      log_name = name;
      if (log_name.empty()) usage("an empty log name");
      continue;
    }
    std::string* const text = name == "--quality"      ? &options.quality
                              : name == "--position"   ? &options.position
                              : name == "--rtk-tide"   ? &options.rtk_tide
                              : name == "--datum"      ? &options.datum
                              : name == "--rtk-window" ? &options.rtk_window
                              : name == "--fix-delay"  ? &options.fix_delay
                                                       : nullptr;
    if (text == nullptr) usage("unknown option \"" + std::string(name) + "\"");
    if (i + 1 == argc) usage(std::string(name) + " needs a value");
    if (!text->empty()) usage(std::string(name) + " given twice");
    *text = argv[++i];
    if (name == "--quality") {
      read_quality(*text);
    } else if (name == "--position") {
      options.position_kind = *text == "GGA" ? Kind::gga : *text == "GNS" ? Kind::gns
                              : *text == "RMC" ? Kind::rmc : *text == "GLL" ? Kind::gll : Kind::other;
      if (options.position_kind == Kind::other)
        usage("--position needs GGA, GNS, RMC or GLL, not \"" + *text + "\"");
    } else if (name == "--rtk-tide") {
      options.rtk.antenna = number_option(name, *text, "the antenna's height in metres");
    } else if (name == "--datum") {
      options.rtk.datum = number_option(name, *text, "the datum's height in metres");
    } else if (name == "--fix-delay") {
      options.delay = number_option(name, *text, "a number of seconds");
      if (options.delay < 0 || options.delay > 10) usage("--fix-delay needs 0 to 10 seconds");
    } else {
      const double window = number_option(name, *text, "a number of seconds");
      if (window < 1 || window > 86400) usage("--rtk-window needs 1 to 86400 seconds");
      options.rtk.half_window = static_cast<std::int64_t>(window / 2);
    }
  }
  if (options.rtk_tide.empty() && !(options.datum.empty() && options.rtk_window.empty()))
    usage("--datum and --rtk-window go with --rtk-tide");
}

bool blank(std::string_view text) {
  for (char c : text)
    if (c != ' ' && c != '\t') return false;
  return true;
}

Use reject(Line& l, Count reason, const char* why) {
  l.reason = reason;
  l.why = why;
  return Use::rejected;
}

// A Seapath sentence with a heave: taken at its line's tag in a tagged log
// (one still undecided too); in an untagged log it has no time.
Use heave_use(Line& l) {
  if (!l.s.heave.set) return Use::ignored;
  if (times == Times::untagged || !l.s.tag.set)
    return times == Times::tagged ? reject(l, kNoTime, "no time tag") : Use::untimed_heave;
  return nmea::heave_goes_back(heave_output, l.s.tag) ? reject(l, kTimeBack, "time goes back") : Use::heave;
}

// Reads the next sentence, from the next line when the last one has none
// left, and tells what it is; a fix or a sounding it takes gets its time.
// Both readers of an untagged log take the same sentences.
Use next_line(Reader& r, Line& l) {
  nmea::Fault fault = nmea::Fault::none;
  if (!r.sentences.rest.empty()) [[unlikely]] {
    fault = nmea::next_sentence(r.sentences, l.s);
  } else {
    std::string_view text;
    std::uint64_t size = 0;
    const bool got = nmea::take_log_line(*r.file, r.line, text, size);
    io_check();
    if (!got) return Use::end;
    ++r.line;
    l.line_ends = true;
    if (size <= nmea::kMaxLine && blank(text)) return Use::blank;
    fault = nmea::first_sentence(r.sentences, text, size, l.s);
  }
  l.line_ends = r.sentences.rest.empty();
  if (fault != nmea::Fault::none) return reject(l, reason_of(fault), nmea::fault_text(fault));
  const Kind k = l.s.kind;
  if (k == Kind::other || (is_depth(k) && k != depth_kind)) return Use::ignored;
  if (k == Kind::psxn) return heave_use(l);
  const bool fix = is_position(k);
  if (fix && &r == &main_reader) count_kind(census, l.s);
  if (fix && k != position_kind) return Use::other_fix;
  if (times == Times::undecided) times = l.s.tag.set ? Times::tagged : Times::untagged;
  if (times == Times::tagged && !l.s.tag.set) return reject(l, kNoTime, "no time tag");
  if (k == Kind::zda) return Use::date;
  if (fix && !l.s.fix) return Use::no_fix;
  if (fix && !l.s.real) return Use::not_real;
  if (fix && !options.accepted[std::min(l.s.quality, 9)]) return Use::below_quality;
  if (!fix && !l.s.depth.set) return Use::no_depth;
  if (!fix && times == Times::untagged) return Use::depth;  // timed between the fixes

  const nmea::TimeOfDay& t = times == Times::tagged ? l.s.tag : l.s.time;
  if (!t.set) return reject(l, kNoTime, "no receiver time");
  // A time below the last one is a midnight passed or a time that goes back.
  const double seconds = t.seconds();
  if (r.days.any && seconds < r.days.last && !is_next_day(r.days, seconds))
    return reject(l, kTimeBack, "time goes back");
  // A fix sent twice: the first one is taken.
  if (fix && l.s.time.set && r.fix_time_set && l.s.time.seconds() == r.fix_time) return Use::same_fix;
  l.when = count_days(r.days, seconds);
  if (!fix) return Use::depth;
  r.fix_time_set = l.s.time.set;
  r.fix_time = l.s.time.seconds();
  return Use::position;
}

// -- writing

void show(Count c) { show_count(kCounters[c].x, kCounters[c].y, kCounters[c].label, counts[c], 9); }

void add(Count c) {
  ++counts[c];
  show(c);
}

void write_time(TextFile& f, const nmea::TimeOfDay& t) {
  write_int(f, t.hour);
  write_char(f, ' ');
  write_int(f, t.minute);
  write_char(f, ' ');
  write_fixed(f, t.second, 0, t.decimals);
  end_line(f);
  io_check();
}

// A fix, stamped a second after its own time: join counts it a second
// before its stamp.
void write_position(const nmea::Value& latitude, const nmea::Value& longitude, const nmea::TimeOfDay& stamp) {
  write_fixed(pos_file, latitude.value, 0, latitude.decimals);
  write_char(pos_file, ' ');
  write_fixed(pos_file, longitude.value, 0, longitude.decimals);
  write_char(pos_file, ' ');
  write_time(pos_file, stamp);
  add(kPositions);
}

void note_offset(const nmea::Value& offset) {
  if (!offset.set) return;
  if (!offset_low.set || offset.value < offset_low.value) offset_low = offset;
  if (!offset_high.set || offset.value > offset_high.value) offset_high = offset;
}

void write_depth(const nmea::Value& depth, const nmea::Value& offset, const nmea::TimeOfDay& t) {
  write_fixed(dpt_file, depth.value, 0, depth.decimals);
  write_char(dpt_file, ' ');
  write_time(dpt_file, t);
  note_offset(offset);
  add(kDepths);
}

void write_rejected(std::int64_t line, Count reason, std::string_view why) {
  char number[24];
  const auto end = std::to_chars(number, number + sizeof number, line).ptr;
  write_str(rejected_file, std::string_view(number, static_cast<std::size_t>(end - number)));
  write_char(rejected_file, ' ');
  write_str(rejected_file, why);
  end_line(rejected_file);
  io_check();
  add(kRejected);
  add(reason);
}

// -- tagged logs: the fixes at their receiver times in the logger's clock

// A fix whose window of lags is complete, at time in the logger's clock: its
// own time is that less --fix-delay. A stamp below the last one goes back
// (a receiver time that went back, a logger's clock that was set back).
void write_waiting_fix(const WaitingFix& f, double time) {
  const double stamp = time - options.delay + 1;
  if (counts[kPositions] > 0 && stamp < last_fix_stamp) {
    write_rejected(f.line, kTimeBack, "time goes back");
    return;
  }
  last_fix_stamp = stamp;
  write_position(f.latitude, f.longitude, nmea::time_of_day(stamp));
}

// A sentence of the position kind with a tag and a receiver time gives its
// lag to the running offset, at its tag's time; a tag that goes back gives
// none.
void note_running_lag(const nmea::Sentence& s) {
  if (times != Times::tagged || !s.tag.set || !s.time.set) return;
  const DayCount& days = main_reader.days;
  const double tag = s.tag.seconds();
  const bool next_day = is_next_day(days, tag);
  if (days.any && tag < days.last && !next_day) return;
  add_lag(running_offset, tag + days.offset + (next_day ? 86400.0 : 0.0), tag_lag(s), write_waiting_fix);
}

// A fix taken in a tagged log (at time, its tag's) waits for the lags after it.
void take_tagged_fix(const nmea::Sentence& s, double time) {
  const bool has_lag = s.time.set;
  if (has_lag) add_lag(running_offset, time, tag_lag(s), write_waiting_fix);
  wait_for_lags(running_offset, {s.latitude, s.longitude, time, has_lag ? tag_lag(s) : 0.0, has_lag, main_reader.line},
                write_waiting_fix);
}

// -- untagged logs: the soundings between two fixes

void write_held(const Held& h, const nmea::TimeOfDay& t) { write_depth(h.depth, h.offset, t); }

void reject_held(const Held& h) { write_rejected(h.line, kNoTime, "sounding after the last fix"); }

// Counts the soundings of the stretch from the main reader's place to the
// next fix with the second reader: it passes over the lines read so far,
// then takes the lines as the main reader will (with a copy of its state).
void count_ahead(Stretch& stretch) {
  if (lead_file.mode == FileMode::closed) {
    open_input(lead_file, log_name);
    io_check();
  }
  std::string_view text;
  std::uint64_t size = 0;
  for (; lead_reader.line < main_reader.line; ++lead_reader.line) {
    take_raw_line(lead_file, nmea::kMaxLine, text, size);
    io_check();
  }
  lead_reader = main_reader;
  lead_reader.file = &lead_file;
  Line l;
  for (Use use; (use = next_line(lead_reader, l)) != Use::end;) {
    if (use == Use::depth) ++stretch.soundings;
    if (use == Use::position) {
      stretch.to = l.when + options.delay;
      stretch.has_end = true;
      return;
    }
  }
}

constexpr SpreadHooks kSpreadHooks = {write_held, reject_held, count_ahead};

// -- what the screen tells at the end

void note_date(const nmea::Sentence& s) {
  if (s.year == 0) return;
  last_date = (s.year * 100 + s.month) * 100 + s.day;
  if (first_date == 0) first_date = last_date;
}

void note_lag(const nmea::Sentence& s) {
  if (times == Times::tagged && s.tag.set && s.time.set) add_lag(lags, tag_lag(s));
}

// A sentence of the receiver: its date and the lag of the logger's tag.
void note_receiver(const nmea::Sentence& s) {
  if (s.kind == Kind::zda) ++zdas;
  if (s.kind == Kind::rmc) ++rmcs;
  note_date(s);
  note_lag(s);
}

// An RTK fix (GGA of quality 4 with its altitude) of the receiver, at the
// log's time for its fixes.
void note_rtk(const nmea::Sentence& s) {
  if (options.rtk_tide.empty() || s.kind != Kind::gga || s.quality != 4 || !s.altitude.set) return;
  const nmea::TimeOfDay& t = times == Times::tagged ? s.tag : s.time;
  if (times == Times::undecided || !t.set) return;
  add_rtk_fix(rtk, options.rtk, tide_file, t.seconds(), s.altitude.value);
}

std::string date_text(int yyyymmdd) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", yyyymmdd / 10000 % 10000, yyyymmdd / 100 % 100,
                yyyymmdd % 100);
  return text;
}

void show_summary() {
  TextFile& con = console_output();
  goto_xy(7, 20);
  write_str(con, "Date   : ");
  if (first_date == 0) {
    write_str(con, zdas > 0 ? "none in the log (ZDA without a date, " : "none in the log (no ZDA, ");
    write_str(con, rmcs > 0 ? "RMC without a date)" : "no RMC)");
  } else {
    write_str(con, date_text(first_date));
    if (last_date != first_date) write_str(con, " to " + date_text(last_date));
  }
  goto_xy(7, 21);
  write_str(con, "Times  : ");
  double lag = 0;
  if (times == Times::untagged) {
    write_str(con, "the receiver's; soundings' times interpolated between fixes");
  } else if (times == Times::undecided) {
    write_str(con, "none (no sentence taken)");
  } else if (lags.count == 0) {
    write_str(con, "the logger's tags; no receiver time to compare");
  } else if (median_lag(lags, lag)) {
    write_str(con, "the logger's tags; tag - receiver time ");
    if (lag >= 0) write_char(con, '+');
    write_fixed(con, lag, 0, 3);
    write_str(con, " s (median)");
  } else {
    write_str(con, "the logger's tags; tag - receiver time jumps by over 30 s");
  }
  goto_xy(7, 22);
  write_str(con, "Depths : ");
  switch (depth_kind) {
    case Kind::dbt: write_str(con, "DBT, below the transducer"); break;
    case Kind::dbs: write_str(con, "DBS, below the surface: set Ant_Depth to 0"); break;
    case Kind::dpt:
      write_str(con, "DPT, below the transducer; offset ");
      if (!offset_low.set) {
        write_str(con, "not given");
      } else {
        write_fixed(con, offset_low.value, 0, offset_low.decimals);
        if (offset_high.value != offset_low.value) {
          write_str(con, " to ");
          write_fixed(con, offset_high.value, 0, offset_high.decimals);
        }
        write_str(con, " m, not applied");
      }
      break;
    default: write_str(con, "none in the log (no DBT, DPT, DBS)"); break;
  }
  goto_xy(7, 23);
  write_str(con, "Fixes  : ");
  constexpr const char* kNames[4] = {"GGA", "GNS", "RMC", "GLL"};
  if (position_kind == Kind::other) {
    write_str(con, "none in the log (no GGA, GNS, RMC, GLL)");
  } else {
    write_str(con, kNames[position_index(position_kind)]);
    write_str(con, options.position.empty() ? ", quality " : " (--position), quality ");
    write_str(con, options.quality.empty() ? "1,2,3,4,5" : options.quality);
    if (!options.fix_delay.empty()) {
      write_str(con, "; --fix-delay ");
      write_fixed(con, options.delay, 0, 3);
      write_str(con, " s");
    }
  }
  if (!options.rtk_tide.empty()) {
    goto_xy(33, 11);
    if (rtk.levels == 0) {
      write_str(con, "no level: " + std::to_string(rtk.fixes) + " RTK fixes");
    } else {
      write_int(con, rtk.levels);
      write_str(con, rtk.levels == 1 ? " level, " : " levels, ");
      write_fixed(con, rtk.low, 0, 3);
      write_str(con, " to ");
      write_fixed(con, rtk.high, 0, 3);
      write_str(con, " m");
    }
  }
  io_check();
}

// -- the split

// The output files, created anew.
void create_outputs() {
  show_at(7, 8, "Write : Temp/Raw_Pos.txt");
  create_output(pos_file, "Temp/Raw_Pos.txt");
  io_check();
  show_at(15, 9, "Temp/Raw_Dpt.txt");
  create_output(dpt_file, "Temp/Raw_Dpt.txt");
  io_check();
  show_at(15, 10, "Temp/Nmea_Rejected.txt");
  create_output(rejected_file, "Temp/Nmea_Rejected.txt");
  io_check();
  if (!options.rtk_tide.empty()) {
    show_at(15, 11, "Temp/Tide_Rtk.txt");
    create_output(tide_file, "Temp/Tide_Rtk.txt");
    io_check();
  }
  nmea::start_heave(heave_output);
}

void close_outputs() {
  for (TextFile* f : {&pos_file, &dpt_file, &rejected_file, &tide_file, &heave_output.file}) {
    if (f->mode == FileMode::closed) continue;
    close_file(*f);
    io_check();
  }
}

// What a pass of the split leaves behind, back to the start.
void reset_split() {
  times = Times::undecided;
  main_reader = {};
  lead_reader = {};
  std::fill(std::begin(counts), std::end(counts), 0);
  spreading = {};
  first_date = last_date = 0;
  lags = {};
  running_offset = {};
  last_fix_stamp = 0;
  offset_low = offset_high = {};
  zdas = rmcs = 0;
  census = {};
  rtk = {};
}

// The main pass: every line of the log read, taken, counted or rejected.
void split() {
  open_input(log_file, log_name);
  io_check();
  main_reader.file = &log_file;
  spreading.held.reserve(kHeld + 1);
  for (int c = 0; c < kNotReal; ++c) show(static_cast<Count>(c));
  if (!options.quality.empty()) show(kBelowQuality);
  Line l;
  bool parts = false, recovered = false;  // of the line's sentences before its last
  for (Use use; (use = next_line(main_reader, l)) != Use::end;) {
    switch (use) {
      case Use::end:
      case Use::blank: break;
      case Use::rejected: write_rejected(main_reader.line, l.reason, l.why); break;
      case Use::ignored: add(kIgnored); break;
      case Use::heave: nmea::write_heave(heave_output, l.s.heave, l.s.tag); break;
      case Use::untimed_heave:
        heave_output.untimed = true;
        add(kIgnored);
        break;
      case Use::no_depth: add(kNoDepth); break;
      case Use::date: note_receiver(l.s); break;
      case Use::other_fix:
        note_receiver(l.s);
        note_rtk(l.s);
        add(kIgnored);
        break;
      case Use::no_fix:
        note_receiver(l.s);
        note_running_lag(l.s);
        add(kNoFix);
        break;
      case Use::not_real:  // its receiver time and date still count
        note_receiver(l.s);
        note_running_lag(l.s);
        write_rejected(main_reader.line, kNotReal, "not a real fix");
        break;
      case Use::below_quality:
        note_receiver(l.s);
        note_running_lag(l.s);
        note_rtk(l.s);
        add(kBelowQuality);
        break;
      case Use::same_fix:
        note_receiver(l.s);
        add(kSameFix);
        break;
      case Use::position:
        note_receiver(l.s);
        note_rtk(l.s);
        if (times == Times::tagged) {
          take_tagged_fix(l.s, l.when);
        } else {  // the soundings after a fix came when its sentence did
          write_position(l.s.latitude, l.s.longitude, nmea::second_later(l.s.time));
          end_stretch(spreading, true, l.when + options.delay, kSpreadHooks);
          spreading.stretch = {.from = l.when + options.delay};  // the next one
        }
        break;
      case Use::depth:
        if (times == Times::tagged) {
          write_depth(l.s.depth, l.s.offset, l.s.tag);
        } else if (counts[kPositions] == 0) {
          write_rejected(main_reader.line, kNoTime, "sounding before the first fix");
        } else {
          take_sounding(spreading, {l.s.depth, l.s.offset, main_reader.line}, kSpreadHooks);
        }
        break;
    }
    if (!l.line_ends) [[unlikely]] {
      parts = true;
      recovered = recovered || l.s.recovered;
      continue;
    }
    if ((l.s.recovered && use != Use::blank) || recovered) add(kRecovered);
    if (parts) [[unlikely]] {
      add(kSplitLines);
      parts = recovered = false;
    }
    add(kLines);
  }
  end_stretch(spreading, false, 0, kSpreadHooks);  // the soundings after the last fix
  release_all(running_offset, write_waiting_fix);
  if (!options.rtk_tide.empty()) write_last_levels(rtk, options.rtk, tide_file);
  close_file(log_file);
  io_check();
  if (lead_file.mode != FileMode::closed) {
    close_file(lead_file);
    io_check();
  }
}

// Whether the log's first line is UTF-16 text: its byte-order mark, or
// ASCII with a zero byte before or after every character.
bool utf16(std::string_view first) {
  if (first.starts_with("\xFF\xFE") || first.starts_with("\xFE\xFF")) return true;
  return first.size() >= 4 && ((first[0] != 0 && first[1] == 0 && first[2] != 0 && first[3] == 0) ||
                               (first[0] == 0 && first[1] != 0 && first[2] == 0 && first[3] != 0));
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
  clear_screen();
  show_line("");
  show_line("");
  show_line("      NMEA SPLIT");
  show_line("      ----------");
  log_name = ask_name(6, "Log (*.*) : ", log_name, "nmea_split", "log");
  open_input(log_file, log_name);
  io_check();
  std::string_view first;
  std::uint64_t size = 0;
  take_raw_line(log_file, nmea::kMaxLine, first, size);
  io_check();
  if (utf16(first)) {
    show_at(7, 12, "The log is UTF-16 text: save it as ASCII or UTF-8. Nothing done.");
    show_line("");
    halt_with_message(1, "nmea_split: " + log_name + " is UTF-16 text, not ASCII");
  }
  create_outputs();
  open_input(log_file, log_name);
  io_check();
  const LogKinds kinds = choose_kinds(log_file, options.position_kind);
  depth_kind = kinds.depth;
  position_kind = kinds.position;
  split();
  if (options.position.empty()) {
    // The kind of the whole log, when the first lines guessed another one:
    // the split once more, from the start.
    const Kind kind = best_kind(census);
    if (kind != position_kind) {
      position_kind = kind;
      close_outputs();
      for (Count c : {kNotReal, kBelowQuality, kRecovered, kSplitLines})
        if (counts[c] > 0) show_at(kCounters[c].x, kCounters[c].y, std::string(21, ' '));
      reset_split();
      create_outputs();
      split();
    }
  }
  close_outputs();
  show_summary();
  nmea::show_heave(heave_output);
  show_at(7, 24, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
