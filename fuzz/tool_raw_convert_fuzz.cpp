// raw_convert's whole run on arbitrary input files (see tool_harness.h); the
// segments of an input: the console answers, then PM/Raw.Txt.
#define main raw_convert_main
#include "../tools/raw_convert/main.cpp"
#undef main

#include "tool_harness.h"

namespace {

void reset() {
  survey_fuzz::reset_files({&raw_file, &data_file});
  records = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const survey_fuzz::Tool tool{"raw_convert", {"PM/Raw.Txt"}, raw_convert_main, reset};
  return survey_fuzz::run_tool(tool, data, size);
}
