// utm_points's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then PM/La_Lo_De.txt.
#define main utm_points_main
#include "../tools/utm_points/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&list_file, &points_file, &points_scr, &poly_scr});
  survey = {};
  central_parallel = false_easting = false_northing = 0;
  record = {};
  plane = {};
  reduced_depth = 0;
  points_counter = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"utm_points", {"PM/La_Lo_De.txt"}, utm_points_main, reset};
  return survey_fuzz::run_tool(tool, data, size);
}
