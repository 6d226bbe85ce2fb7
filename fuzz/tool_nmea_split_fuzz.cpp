// nmea_split's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then Log.nmea and args (the
// command line, one argument a line; without it the log is named at the
// prompt).
#define main nmea_split_main
#include "../tools/nmea_split/main.cpp"
#undef main

#include <algorithm>
#include <iterator>

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&log_file, &lead_file, &pos_file, &dpt_file, &rejected_file, &tide_file,
                            &heave_output.file});
  heave_output.days = {};
  heave_output.taken = 0;
  heave_output.untimed = false;
  log_name.clear();
  options = {};
  depth_kind = position_kind = Kind::other;
  reset_split();
}

int run() { return survey_fuzz::run_with_arguments(nmea_split_main, "nmea_split"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"nmea_split", {"Log.nmea", "args"}, run, reset, true, true};
  return survey_fuzz::run_tool(tool, data, size);
}
