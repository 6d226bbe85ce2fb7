// Which sentences of a log give its positions and its depths. The positions
// come from one kind of sentence, GGA, GNS, RMC or GLL, the one with the most
// real fixes (two kinds of one receiver may disagree by a second), or the one
// --position names; the depths from DBT when the log holds one that gives a
// depth, else DPT, else DBS (a sounder that sends two kinds would give every
// sounding twice). A first quick pass over the log finds the depth kind and
// guesses the position kind from the log's first lines; the main pass counts
// the position sentences of the whole log for the rare log where the guess
// was wrong.
#pragma once

#include <cstdint>

#include "nmea.h"
#include "text_file.h"

namespace nmea_split {

using nmea::Kind;

bool is_position(Kind k);
// GGA 0, GNS 1, RMC 2, GLL 3.
int position_index(Kind k);
bool is_depth(Kind k);

// A position sentence that counts for its kind: a real fix with a time.
bool usable(const nmea::Sentence& s);

// The position sentences by kind (GGA, GNS, RMC, GLL): the sound ones and the
// real fixes with a time.
struct KindCensus {
  std::int64_t read[4] = {}, real[4] = {};
};
void count_kind(KindCensus& census, const nmea::Sentence& s);

// The kind with the most real fixes, or when none has one, the most sound
// sentences (a log of no real fix then says why); kinds within 10 % of the
// most are a tie, which the order GGA, GNS, RMC, GLL breaks. Other: none.
Kind best_kind(const KindCensus& census);

// The lines the first pass guesses the position kind from.
inline constexpr std::int64_t kGuessLines = 16384;

struct LogKinds {
  Kind depth = Kind::other, position = Kind::other;
};

// The first pass over the log, from its start: the depth kind, and the
// position kind guessed from the first kGuessLines lines (chosen: the kind
// --position names, else Kind::other). The pass ends at the first DBT that
// gives a depth once the guess is made.
LogKinds choose_kinds(survey_rt::TextFile& log, Kind chosen);

}  // namespace nmea_split
