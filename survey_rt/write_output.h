// An output file written in one go, its name shown on the screen's list of
// outputs as it is written. It is written under its temporary name
// (run_outputs.h): finish_outputs gives it its name once every output of the
// run is written.
#pragma once

#include <string_view>

#include "console.h"
#include "run_outputs.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {

// Creates the file's temporary (run_outputs.h), writes it through write(f)
// and closes it; a failure is the run-time stop.
template <class Write>
void write_file(std::string_view path, Write write) {
  TextFile f;
  create_run_output(f, path);
  write(f);
  close_run_output(f);
}

// write_file, showing path at column 14 of the screen's row first.
template <class Write>
void write_output(int row, std::string_view path, Write write) {
  show_at(14, row, path);
  write_file(path, write);
}

}  // namespace survey_rt
