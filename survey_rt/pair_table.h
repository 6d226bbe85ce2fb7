// A small table of two numbers a line, typed by hand or exported from an
// instrument: a sound-velocity cast ("depth speed"), a squat table ("knots
// metres"), a bar check ("depth reading"). Numbers by the tools' rules
// (number_grammar.h), separated by blanks or tabs; anything after the second
// number of a line is ignored (a note); blank lines are passed over, so a
// table saved with an empty last line reads the same.
#pragma once

#include <string_view>
#include <vector>

#include "text_file.h"

namespace survey_rt {

struct TablePair {
  double first = 0;
  double second = 0;
  long line = 0;  // from 1, for messages
};

// Reads the whole table at path. A missing file, or a line whose first two
// words are not two numbers, stops the tool (run-time error 2, 3 or 106,
// the file and line named).
std::vector<TablePair> read_pair_table(std::string_view path);

// The same from a file open for reading, to its end (name for the messages);
// the file is left open.
std::vector<TablePair> read_pair_table(TextFile& file, std::string_view name);

}  // namespace survey_rt
