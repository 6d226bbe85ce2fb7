// dat_reduce's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then PM/Out.Dat.
#define main dat_reduce_main
#include "../tools/dat_reduce/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&dat_file, &txt_file, &scr_file});
  kept = labels = 0;
  highest = lowest = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"dat_reduce", {"PM/Out.Dat"}, dat_reduce_main, reset};
  return survey_fuzz::run_tool(tool, data, size);
}
