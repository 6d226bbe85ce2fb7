#include "pair_table.h"

#include <string>

#include "number_grammar.h"
#include "stop.h"

namespace survey_rt {

namespace {

// The next word of a line (bytes above 32), from pos on; empty at its end.
std::string_view next_word(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && static_cast<unsigned char>(line[pos]) <= 32) ++pos;
  const std::size_t start = pos;
  while (pos < line.size() && static_cast<unsigned char>(line[pos]) > 32) ++pos;
  return line.substr(start, pos - start);
}

}  // namespace

std::vector<TablePair> read_pair_table(TextFile& file, std::string_view name) {
  std::vector<TablePair> table;
  for (long line = 1; !at_end_checked(file); ++line) {
    const std::string_view text = take_line(file);
    io_check();
    std::size_t pos = 0;
    const std::string_view first = next_word(text, pos);
    if (first.empty()) continue;
    TablePair pair;
    pair.line = line;
    if (!parse_real(first, pair.first) || !parse_real(next_word(text, pos), pair.second)) {
      io_fail(kInvalidNumber, "read_real", std::string(name) + ", line " + std::to_string(line));
      io_check();
    }
    table.push_back(pair);
  }
  return table;
}

std::vector<TablePair> read_pair_table(std::string_view path) {
  TextFile file;
  open_input(file, path);
  io_check();
  std::vector<TablePair> table = read_pair_table(file, path);
  close_file(file);
  io_check();
  return table;
}

}  // namespace survey_rt
