// join's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then Temp/Raw_Pos.txt, Temp/Raw_Dpt.txt.
#define main join_main
#include "../tools/join/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&pos_file, &dpt_file, &data_file});
  pos_days = {};
  dpt_days = {};
  positions = depths = points = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"join", {"Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt"}, join_main, reset};
  return survey_fuzz::run_tool(tool, data, size);
}
