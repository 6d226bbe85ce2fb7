// depth_filter's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, Temp/Data.txt, then args (the
// command line, one argument a line: --cm).
#define main depth_filter_main
#include "../tools/depth_filter/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&data_file, &list_file});
  min_depth = max_depth = min_distance = max_slope = 0;
  record = reference = {};
  records_read = points_written = 0;
  cm = false;
}

int run() { return survey_fuzz::run_with_arguments(depth_filter_main, "depth_filter"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"depth_filter", {"Temp/Data.txt", "args"}, run, reset, false, true};
  return survey_fuzz::run_tool(tool, data, size);
}
