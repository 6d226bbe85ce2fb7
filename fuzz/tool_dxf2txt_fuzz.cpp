// dxf2txt's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then drawing.dxf, then args (the
// command line, one argument a line: the options of --survey).
#define main dxf2txt_main
#include "../tools/dxf2txt/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&dxf_file, &txt_file});
  dxf_name.clear();
  txt_name.clear();
  points = 0;
  survey = with_layer = false;
  options = {};
  drawing = {};
}

int run() { return survey_fuzz::run_with_arguments(dxf2txt_main, "dxf2txt"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"dxf2txt", {"drawing.dxf", "args"}, run, reset, true, true};
  return survey_fuzz::run_tool(tool, data, size);
}
