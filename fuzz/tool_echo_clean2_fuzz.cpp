// echo_clean2's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then Temp/Clr_Rec.dxf, PM/Points.txt.
#define main echo_clean2_main
#include "../tools/echo_clean2/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&dxf_file, &kept_file, &points_file, &clean_file, &script_file});
  found = records = kept = 0;
  x = y = z = r = c = h = 0;
  track = Track{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A binary drawing stops the tool as a wrong call does: status 1 and a
  // message that begins with its name.
  static const survey_fuzz::Tool tool{
      "echo_clean2", {"Temp/Clr_Rec.dxf", "PM/Points.txt"}, echo_clean2_main, reset, false, true};
  return survey_fuzz::run_tool(tool, data, size);
}
