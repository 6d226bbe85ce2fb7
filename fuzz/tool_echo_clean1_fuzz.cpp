// echo_clean1's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then PM/Points.txt.
#define main echo_clean1_main
#include "../tools/echo_clean1/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&points_file, &script_file});
  x = y = z = 0;
  track = Track{};
  records = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"echo_clean1", {"PM/Points.txt"}, echo_clean1_main, reset};
  return survey_fuzz::run_tool(tool, data, size);
}
