// join's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then Temp/Raw_Pos.txt,
// Temp/Raw_Dpt.txt, args (the command line, one argument a line: options)
// and Tide.txt (a water-level series for --tide Tide.txt).
#define main join_main
#include "../tools/join/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&pos_file, &dpt_file, &data_file, &tide_file});
  pos_days = {};
  dpt_days = {};
  tide_days = {};
  positions = depths = points = in_gaps = no_tide = 0;
  options = {};
  tide1 = tide2 = {};
}

int run() { return survey_fuzz::run_with_arguments(join_main, "join"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{
      "join", {"Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt", "args", "Tide.txt"}, run, reset, false, true};
  return survey_fuzz::run_tool(tool, data, size);
}
