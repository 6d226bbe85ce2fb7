// A tool's whole run on arbitrary input files, in process: the tool's main
// procedure (its main.cpp compiled in with main renamed) runs in a survey
// folder made afresh for every input, with its console input from a file,
// and a run-time stop or halt caught where the process would have ended.
//
// Input: segments separated by the byte 0x1E. The first is the console input
// (typed answers, one a line); each next one is the content of the tool's
// next input file, in the order of Tool::inputs; a file without a segment is
// not there.
//
// Checked for every input: the tool ends (libFuzzer's -timeout catches a
// hang) with status 0 and nothing on the standard error, or with one of the
// run-time errors its inputs can cause and the stop message for it; every
// file it opened is closed again; and a second run on the same input gives
// the same status, message and output files, so nothing is carried over from
// one run to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "text_file.h"

namespace survey_fuzz {

struct Tool {
  const char* name;
  std::vector<std::string> inputs;  // paths in the survey folder, in segment order
  int (*main)();
  // Closes the tool's files and sets its file-scope state as at program start.
  void (*reset)();
  // The typed answers name files (dxf2txt): "/" and "\" in them become "_",
  // so nothing outside the survey folder is touched.
  bool typed_names = false;
  // A wrong command line stops the tool with status 1 and a message that
  // begins with its name and a colon.
  bool stops_on_wrong_call = false;
};

int run_tool(const Tool& tool, const std::uint8_t* data, std::size_t size);

// Runs a tool's main with the command-line arguments of the file "args" in
// the current folder, one a line (a CR or an LF ends it; "/" and "\" made
// "_", as in typed names); no arguments when there is no such file.
int run_with_arguments(int (*main)(int, char**), const char* name);

// Brings the tool's text files to closed, as at program start.
void reset_files(std::initializer_list<survey_rt::TextFile*> files);

}  // namespace survey_fuzz
