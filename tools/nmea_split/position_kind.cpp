#include "position_kind.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "stop.h"

namespace nmea_split {

bool is_position(Kind k) { return k == Kind::gga || k == Kind::gns || k == Kind::rmc || k == Kind::gll; }

int position_index(Kind k) { return k == Kind::gga ? 0 : k == Kind::gns ? 1 : k == Kind::rmc ? 2 : 3; }

bool is_depth(Kind k) { return k == Kind::dbt || k == Kind::dpt || k == Kind::dbs; }

bool usable(const nmea::Sentence& s) { return s.fix && s.real && (s.time.set || s.tag.set); }

void count_kind(KindCensus& census, const nmea::Sentence& s) {
  ++census.read[position_index(s.kind)];
  if (usable(s)) ++census.real[position_index(s.kind)];
}

namespace {

// Of counts by kind, the kind with the most; kinds within 10 % of the most
// are a tie, which the order GGA, GNS, RMC, GLL breaks. Other: all 0.
Kind most(const std::int64_t (&counts_of)[4]) {
  constexpr Kind kOrder[4] = {Kind::gga, Kind::gns, Kind::rmc, Kind::gll};
  const std::int64_t top = *std::max_element(std::begin(counts_of), std::end(counts_of));
  for (int i = 0; i < 4 && top > 0; ++i)
    if (counts_of[i] * 10 >= top * 9) return kOrder[i];
  return Kind::other;
}

}  // namespace

Kind best_kind(const KindCensus& census) {
  const Kind k = most(census.real);
  return k != Kind::other ? k : most(census.read);
}

// The depth kind is DBT when a sound DBT gives a depth, else DPT, else DBS
// (else the first of them that is sound: its empty ones then count as "No
// depth").
LogKinds choose_kinds(survey_rt::TextFile& log, Kind chosen) {
  bool sound[3] = {}, deep[3] = {};  // DBT, DPT, DBS
  KindCensus census;
  const bool count_fixes = chosen == Kind::other;
  std::string_view text;
  std::uint64_t size = 0;
  nmea::Sentence s;
  for (std::int64_t line = 0; nmea::take_log_line(log, line, text, size); ++line) {
    const bool guess = count_fixes && line < kGuessLines;
    if (deep[0] && !guess) break;
    bool more = false;
    const Kind k = nmea::kind_of(text, more);
    const int d = k == Kind::dbt ? 0 : k == Kind::dpt ? 1 : k == Kind::dbs ? 2 : -1;
    if (!(d >= 0 && !deep[d]) && !(guess && is_position(k)) && !more) continue;
    nmea::LineSentences parts;  // a line may hold several (a lost line end)
    for (nmea::Fault fault = nmea::first_sentence(parts, text, size, s);;
         fault = nmea::next_sentence(parts, s)) {
      if (fault == nmea::Fault::none && is_position(s.kind) && guess) {
        count_kind(census, s);
      } else if (fault == nmea::Fault::none && is_depth(s.kind)) {
        const int i = s.kind == Kind::dbt ? 0 : s.kind == Kind::dpt ? 1 : 2;
        sound[i] = true;
        deep[i] = deep[i] || s.depth.set;
      }
      if (parts.rest.empty()) break;
    }
  }
  survey_rt::io_check();
  constexpr Kind kDepthKinds[3] = {Kind::dbt, Kind::dpt, Kind::dbs};
  LogKinds kinds;
  for (int i = 0; i < 3 && kinds.depth == Kind::other; ++i)
    if (deep[i]) kinds.depth = kDepthKinds[i];
  for (int i = 0; i < 3 && kinds.depth == Kind::other; ++i)
    if (sound[i]) kinds.depth = kDepthKinds[i];
  kinds.position = count_fixes ? best_kind(census) : chosen;
  return kinds;
}

}  // namespace nmea_split
