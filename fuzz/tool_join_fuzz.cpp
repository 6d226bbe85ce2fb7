// join's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then Temp/Raw_Pos.txt,
// Temp/Raw_Dpt.txt, args (the command line, one argument a line: options),
// Tide.txt (a water-level series for --tide Tide.txt), then the tables of the
// depth corrections: Heave.txt (--heave), Sv.txt (--sv-profile) and Squat.txt
// (--squat).
#define main join_main
#include "../tools/join/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&pos_file, &dpt_file, &data_file, &tide.file, &heave.file});
  pos_days = {};
  dpt_days = {};
  for (Series* s : {&tide, &heave}) {
    s->days = {};
    s->time1 = s->value1 = s->time2 = s->value2 = 0;
  }
  positions = depths = points = in_gaps = no_tide = no_heave = 0;
  options = {};
  profile = {};
  squat_table = {};
  window_speed = speed_low = speed_high = squat_sum = 0;
  squatted = squat_row = 0;
}

int run() { return survey_fuzz::run_with_arguments(join_main, "join"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{
      "join", {"Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt", "args", "Tide.txt", "Heave.txt", "Sv.txt", "Squat.txt"},
      run, reset, false, true};
  return survey_fuzz::run_tool(tool, data, size);
}
