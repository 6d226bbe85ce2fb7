// The output files of a run, all or none: a stop never leaves a file that
// could be taken for this run's output.
//
//   start_outputs  before the run reads anything: removes every file that
//                  bears an output's name (in any letter case), so that no
//                  result of an earlier run is left to read as this run's;
//   create_run_output, close_run_output
//                  write each output under a temporary name beside it,
//                  NAME.part, which no tool reads;
//   finish_outputs once every output is written: gives each its name.
//
// Any stop in between (the run-time stop, halt, halt_with_message) closes and
// removes the temporary files and any output already named; a process killed
// in between leaves at most NAME.part files. A file that cannot be removed
// (on Windows: held open by another program) is the run-time stop, before
// anything is read.
#pragma once

#include <initializer_list>
#include <string_view>

#include "text_file.h"

namespace survey_rt {

// Removes the files named in outputs, but never one of inputs (the same
// file under any name: a tool may read the file it is to write over).
void start_outputs(std::initializer_list<std::string_view> outputs, std::initializer_list<std::string_view> inputs);
// Creates the temporary file of the output path and opens it on f; followed
// by io_check.
void create_run_output(TextFile& f, std::string_view path);
// Closes f, opened by create_run_output; followed by io_check.
void close_run_output(TextFile& f);
// Gives every output created its name, in the order they were created; a
// failure is the run-time stop. From here on a stop leaves them.
void finish_outputs();

}  // namespace survey_rt
