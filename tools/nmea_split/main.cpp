// nmea_split: splits an NMEA 0183 log, as a logger records the receiver and
// the echo sounder, into the two logs that join reads: the fixes in
// Temp/Raw_Pos.txt ("latitude longitude hour minute second") and the
// soundings in Temp/Raw_Dpt.txt ("depth hour minute second"), CR LF, in log
// order. Every line it cannot use goes to Temp/Nmea_Rejected.txt with its
// number and the reason. The log is named as the argument or at the prompt.
//
// Positions come from GGA (with a fix), RMC and GLL (status A); the depths
// from one kind of sentence, DBT when the log holds any, else DPT, else DBS
// (a sounder that sends two kinds would give every sounding twice); a first
// pass over the log finds which. When the lines carry a logger's time tag
// before the "$" (the first sound sentence tells), every fix and sounding
// takes its line's tag. Otherwise the fixes take the receiver's times and the
// soundings between two fixes take times spread evenly between theirs: they
// wait in memory for the fix after them, up to a few thousand; for a longer
// stretch (an outage of the receiver) a second reader of the log counts the
// rest ahead, so memory stays the same for any log.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "day_count.h"
#include "nmea.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;
using nmea::Kind;

namespace {

// What the screen counts, each at its place: the lines and what became of
// them, then the rejected lines by reason (a reason may have several texts in
// Temp/Nmea_Rejected.txt).
enum Count {
  kLines, kPositions, kDepths, kNoFix, kNoDepth, kSameFix, kIgnored, kRejected,
  kChecksum, kCutShort, kBadField, kTooLong, kTimeBack, kNoTime, kJunk, kNotNmea, kCounts
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
enum class Use : std::uint8_t { end, blank, rejected, ignored, date, no_fix, no_depth, same_fix, position, depth };

struct Line {
  nmea::Sentence s;
  Count reason = kChecksum;  // of a rejected line
  const char* why = "";
  double when = 0;  // a taken line's time, seconds from the midnight before the first
};

// One pass of reading the log: where it is and what decides which lines it
// takes.
struct Reader {
  TextFile* file = nullptr;
  std::int64_t line = 0;
  DayCount days;  // of the lines taken
  bool fix_time_set = false;  // the receiver's time of the last fix taken
  double fix_time = 0;
};

enum class Times : std::uint8_t { undecided, tagged, untagged };

TextFile log_file, lead_file, pos_file, dpt_file, rejected_file;
std::string log_name;
Kind depth_kind = Kind::other;
Times times = Times::undecided;
Reader main_reader, lead_reader;

int counts[kCounts] = {};

// The soundings between the last fix and the next (untagged logs): up to
// kHeld of them are held until the next fix; when more come, the second
// reader counts the stretch to its end and each is written as it comes.
struct Held {
  nmea::Value depth, offset;
  std::int64_t line = 0;
};
constexpr std::size_t kHeld = 4096;
std::vector<Held> held;

struct Stretch {
  double from = 0, to = 0;                 // the times of the fixes around it
  std::int64_t soundings = 0, placed = 0;
  bool counted = false;                    // by the second reader, before its end
  bool has_end = false;                    // a fix comes after it
};
Stretch stretch;

// The survey date: the first and the last one met (ZDA, RMC).
int first_date = 0, last_date = 0;  // yyyymmdd

// The differences tag - receiver time, in milliseconds, counted in a window
// of about a minute around the first one; the ones below it only as a count.
// The median is then exact to the millisecond while at least half of the
// differences lie in the window.
constexpr int kLagBins = 65536;
std::vector<std::uint32_t> lag_bins;
std::int64_t lag_centre = 0, lag_below = 0, lags = 0;

// DPT: the least and greatest transducer offset met.
nmea::Value offset_low, offset_high;

[[noreturn]] void usage(std::string_view problem) {
  halt_with_message(1, "nmea_split: " + std::string(problem) + "\nusage: nmea_split [LOG]");
}

bool is_position(Kind k) { return k == Kind::gga || k == Kind::rmc || k == Kind::gll; }

bool is_depth(Kind k) { return k == Kind::dbt || k == Kind::dpt || k == Kind::dbs; }

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

// Reads the next line and tells what it is; a fix or a sounding it takes gets
// its time. Both readers of an untagged log take the same lines.
Use next_line(Reader& r, Line& l) {
  std::string_view text;
  std::uint64_t size = 0;
  const bool got = take_raw_line(*r.file, nmea::kMaxLine, text, size);
  io_check();
  if (!got) return Use::end;
  ++r.line;
  if (size <= nmea::kMaxLine && blank(text)) return Use::blank;
  const nmea::Fault fault = nmea::read_sentence(text, size, l.s);
  if (fault != nmea::Fault::none) return reject(l, reason_of(fault), nmea::fault_text(fault));
  const Kind k = l.s.kind;
  if (k == Kind::other || (is_depth(k) && k != depth_kind)) return Use::ignored;
  if (times == Times::undecided) times = l.s.tag.set ? Times::tagged : Times::untagged;
  if (times == Times::tagged && !l.s.tag.set) return reject(l, kNoTime, "no time tag");
  if (k == Kind::zda) return Use::date;
  const bool fix = is_position(k);
  if (fix && !l.s.fix) return Use::no_fix;
  if (!fix && !l.s.depth.set) return Use::no_depth;
  if (!fix && times == Times::untagged) return Use::depth;  // timed between the fixes

  const nmea::TimeOfDay& t = times == Times::tagged ? l.s.tag : l.s.time;
  if (!t.set) return reject(l, kNoTime, "no receiver time");
  // A time below the last one is a midnight passed or a time that goes back.
  const double seconds = t.seconds();
  if (r.days.any && seconds < r.days.last && !is_next_day(r.days, seconds))
    return reject(l, kTimeBack, "time goes back");
  // GGA and RMC of one fix: the first one is taken.
  if (fix && l.s.time.set && r.fix_time_set && l.s.time.seconds() == r.fix_time) return Use::same_fix;
  l.when = count_days(r.days, seconds);
  if (!fix) return Use::depth;
  r.fix_time_set = l.s.time.set;
  r.fix_time = l.s.time.seconds();
  return Use::position;
}

// -- the first pass: which sentences give the depths

Kind choose_depth_kind() {
  bool dpt = false, dbs = false;
  std::string_view text;
  std::uint64_t size = 0;
  nmea::Sentence s;
  while (take_raw_line(log_file, nmea::kMaxLine, text, size)) {
    const Kind k = nmea::kind_of(text);
    if (k != Kind::dbt && (k != Kind::dpt || dpt) && (k != Kind::dbs || dbs)) continue;
    if (nmea::read_sentence(text, size, s) != nmea::Fault::none) continue;
    if (k == Kind::dbt) return k;
    (k == Kind::dpt ? dpt : dbs) = true;
  }
  io_check();
  return dpt ? Kind::dpt : dbs ? Kind::dbs : Kind::other;
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

void write_position(const nmea::Sentence& s) {
  write_fixed(pos_file, s.latitude.value, 0, s.latitude.decimals);
  write_char(pos_file, ' ');
  write_fixed(pos_file, s.longitude.value, 0, s.longitude.decimals);
  write_char(pos_file, ' ');
  write_time(pos_file, times == Times::tagged ? s.tag : s.time);
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

// -- untagged logs: the soundings between two fixes

// The k-th of n soundings between the fixes at t1 and t2 is taken at
// t1 + k (t2 - t1) / (n + 1), to the millisecond.
nmea::TimeOfDay spread_time() {
  ++stretch.placed;
  const double t = stretch.from + (stretch.to - stretch.from) * static_cast<double>(stretch.placed) /
                                      static_cast<double>(stretch.soundings + 1);
  const std::int64_t ms = std::llround(t * 1000.0) % 86400000;
  nmea::TimeOfDay time;
  time.hour = static_cast<int>(ms / 3600000);
  time.minute = static_cast<int>(ms / 60000 % 60);
  time.second = static_cast<double>(ms % 60000) / 1000.0;
  time.decimals = 3;
  time.set = true;
  return time;
}

// A sounding of a stretch whose end is known.
void place(const Held& h) {
  if (stretch.has_end) {
    write_depth(h.depth, h.offset, spread_time());
  } else {
    write_rejected(h.line, kNoTime, "sounding after the last fix");
  }
}

void place_held() {
  for (const Held& h : held) place(h);
  held.clear();
}

// Counts the soundings of the stretch from the main reader's place to the
// next fix with the second reader: it passes over the lines read so far,
// then takes the lines as the main reader will (with a copy of its state).
void count_ahead() {
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
  stretch.counted = true;
  stretch.soundings = static_cast<std::int64_t>(held.size());
  Line l;
  for (Use use; (use = next_line(lead_reader, l)) != Use::end;) {
    if (use == Use::depth) ++stretch.soundings;
    if (use == Use::position) {
      stretch.to = l.when;
      stretch.has_end = true;
      return;
    }
  }
}

// A sounding after the first fix: placed at once in a stretch already
// counted, else held; one more than kHeld held has the stretch counted.
void take_sounding(const Held& h) {
  if (stretch.counted) {
    place(h);
    return;
  }
  held.push_back(h);
  if (held.size() > kHeld) {
    count_ahead();
    place_held();
  }
}

// The end of the stretch, at a fix taken at time to, or at the end of the log
// (has_end false): the soundings still held are placed.
void end_stretch(bool has_end, double to) {
  if (!stretch.counted) {
    stretch.to = to;
    stretch.soundings = static_cast<std::int64_t>(held.size());
    stretch.has_end = has_end;
  }
  place_held();
}

// -- what the screen tells at the end

void note_date(const nmea::Sentence& s) {
  if (s.year == 0) return;
  last_date = (s.year * 100 + s.month) * 100 + s.day;
  if (first_date == 0) first_date = last_date;
}

void note_lag(const nmea::Sentence& s) {
  if (times != Times::tagged || !s.tag.set || !s.time.set) return;
  double lag = s.tag.seconds() - s.time.seconds();
  if (lag > 43200.0) lag -= 86400.0;  // one on each side of midnight
  if (lag < -43200.0) lag += 86400.0;
  const std::int64_t ms = std::llround(lag * 1000.0);
  if (lags++ == 0) {
    lag_bins.assign(kLagBins, 0);
    lag_centre = ms;
  }
  const std::int64_t bin = ms - lag_centre + kLagBins / 2;
  if (bin < 0) {
    ++lag_below;
  } else if (bin < kLagBins) {
    ++lag_bins[static_cast<std::size_t>(bin)];
  }
}

// The median lag in seconds (of an even count the lower middle one); false
// when it lies beyond the window.
bool median_lag(double& lag) {
  std::int64_t rank = (lags + 1) / 2 - lag_below;
  if (rank <= 0) return false;
  for (int bin = 0; bin < kLagBins; ++bin) {
    rank -= lag_bins[static_cast<std::size_t>(bin)];
    if (rank <= 0) {
      lag = static_cast<double>(lag_centre + bin - kLagBins / 2) / 1000.0;
      return true;
    }
  }
  return false;
}

// A sentence of the receiver: its date and the lag of the logger's tag.
void note_receiver(const nmea::Sentence& s) {
  note_date(s);
  note_lag(s);
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
    write_str(con, "none in the log (no ZDA, no RMC)");
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
  } else if (lags == 0) {
    write_str(con, "the logger's tags; no receiver time to compare");
  } else if (median_lag(lag)) {
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
  io_check();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) usage("one log at a time");
  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      NMEA SPLIT");
  show_line("      ----------");
  show_at(7, 6, "Log (*.*) : ");
  if (argc == 2) {
    log_name = argv[1];
    write_str(con, log_name);
    io_check();
  } else {
    log_name = read_typed_line();
  }
  if (log_name.empty()) {
    show_at(7, 12, "No log named: nothing done.");
    show_line("");
    halt_with_message(1, "nmea_split: no log named");
  }
  open_input(log_file, log_name);
  io_check();
  show_at(7, 8, "Write : Temp/Raw_Pos.txt");
  create_output(pos_file, "Temp/Raw_Pos.txt");
  io_check();
  show_at(15, 9, "Temp/Raw_Dpt.txt");
  create_output(dpt_file, "Temp/Raw_Dpt.txt");
  io_check();
  show_at(15, 10, "Temp/Nmea_Rejected.txt");
  create_output(rejected_file, "Temp/Nmea_Rejected.txt");
  io_check();

  depth_kind = choose_depth_kind();
  open_input(log_file, log_name);
  io_check();
  main_reader.file = &log_file;
  held.reserve(kHeld + 1);

  for (int c = 0; c < kCounts; ++c) show(static_cast<Count>(c));
  Line l;
  for (Use use; (use = next_line(main_reader, l)) != Use::end;) {
    switch (use) {
      case Use::end:
      case Use::blank: break;
      case Use::rejected: write_rejected(main_reader.line, l.reason, l.why); break;
      case Use::ignored: add(kIgnored); break;
      case Use::no_depth: add(kNoDepth); break;
      case Use::date: note_receiver(l.s); break;
      case Use::no_fix:
        note_receiver(l.s);
        add(kNoFix);
        break;
      case Use::same_fix:
        note_receiver(l.s);
        add(kSameFix);
        break;
      case Use::position:
        note_receiver(l.s);
        write_position(l.s);
        if (times == Times::untagged) {
          end_stretch(true, l.when);
          stretch = {.from = l.when};  // the next one
        }
        break;
      case Use::depth:
        if (times == Times::tagged) {
          write_depth(l.s.depth, l.s.offset, l.s.tag);
        } else if (counts[kPositions] == 0) {
          write_rejected(main_reader.line, kNoTime, "sounding before the first fix");
        } else {
          take_sounding({l.s.depth, l.s.offset, main_reader.line});
        }
        break;
    }
    add(kLines);
  }
  end_stretch(false, 0);  // the soundings after the last fix

  close_file(log_file);
  io_check();
  if (lead_file.mode != FileMode::closed) {
    close_file(lead_file);
    io_check();
  }
  close_file(pos_file);
  io_check();
  close_file(dpt_file);
  io_check();
  close_file(rejected_file);
  io_check();
  show_summary();
  show_at(7, 24, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
