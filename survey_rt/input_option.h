// The input file that an option names (--points, --against, --crosslines,
// --boundary ...), checked while the options are read. Surveyors name
// another survey by its folder: a survey folder given for a file of points
// stands for its cleaned points, FOLDER/PM/PointsCl.txt, and the screen says
// so; any other folder is refused as a wrong call, with what the option
// wants. A name that is no folder is taken as it is (a missing file is the
// run-time stop when it is opened).
#pragma once

#include <string>
#include <string_view>

namespace survey_rt {

// The file to read, and whether a survey folder was given for it.
struct InputOption {
  std::string path;
  bool survey_folder = false;
};

// The file of x y z points that an option's value names: the value itself,
// or FOLDER/PM/PointsCl.txt for a survey folder that holds one. Any other
// folder ends the tool as a wrong call (bad_call of command_line.h).
InputOption points_option(std::string_view tool, std::string_view usage, std::string_view option,
                          const std::string& value);

// The file that an option wants for something other than points (what: "a
// file of the boundary's corners, x y a line"): a folder ends the tool as a
// wrong call.
std::string file_option(std::string_view tool, std::string_view usage, std::string_view option,
                        const std::string& value, std::string_view what);

// The name to show on the screen: the path, and "  (survey folder)" after it
// when a folder was given.
std::string shown_name(const InputOption& input);

// Whether the cleaned points that a tool reads without --points are there
// (a file that is there but cannot be opened is the run-time stop). Without
// them the tools stop with these words on the screen and the standard error.
bool cleaned_points_present(std::string_view path);
inline constexpr std::string_view kNoCleanedPointsShown = "Stopped: PM/PointsCl.txt is missing.";
inline constexpr std::string_view kNoCleanedPoints =
    "PM/PointsCl.txt is missing: run echo_clean2 first, or name the points with --points FILE";

}  // namespace survey_rt
