// utm_points's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then PM/La_Lo_De.txt, args (the
// command line, one argument a line: --grid and the shift) and PM/Grid.txt.
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
  grid_option.clear();
  helmert_option.clear();
  rotation_option.clear();
  grid_given = use_grid = false;
  grid = {};
}

// --help prints the usage and ends the process there, so it is not run in
// the fuzzer's process.
int run_main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") return 0;
  return utm_points_main(argc, argv);
}

int run() { return survey_fuzz::run_with_arguments(run_main, "utm_points"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{
      "utm_points", {"PM/La_Lo_De.txt", "args", "PM/Grid.txt"}, run, reset, false, true};
  return survey_fuzz::run_tool(tool, data, size);
}
