#include "input_option.h"

#include "command_line.h"
#include "platform.h"
#include "stop.h"
#include "text_file.h"

namespace survey_rt {

namespace {

// The folder's name without the separators after it ("../before/" is
// "../before"), so that a file's name can follow it.
std::string without_trailing_separators(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && (f.back() == '/' || f.back() == '\\')) f.pop_back();
  return f;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

InputOption points_option(std::string_view tool, std::string_view usage, std::string_view option,
                          const std::string& value) {
  if (platform::path_kind(value) != platform::PathKind::folder) return {value, false};
  const std::string folder = without_trailing_separators(value);
  const std::string points = folder + "/PM/PointsCl.txt";
  if (platform::path_kind(points) == platform::PathKind::file) return {points, true};
  const bool survey = platform::path_kind(folder + "/PM") == platform::PathKind::folder;
  bad_call(tool, usage,
           std::string(option) + " wants a file of x y z points, and " + quoted(value) + " is a " +
               (survey ? "survey folder without PM/PointsCl.txt (run echo_clean2 there first)"
                       : "folder, not a survey folder with PM/PointsCl.txt"));
}

std::string file_option(std::string_view tool, std::string_view usage, std::string_view option,
                        const std::string& value, std::string_view what) {
  if (platform::path_kind(value) == platform::PathKind::folder)
    bad_call(tool, usage, std::string(option) + " wants " + std::string(what) + ", and " + quoted(value) + " is a folder");
  return value;
}

std::string shown_name(const InputOption& input) {
  return input.survey_folder ? input.path + "  (survey folder)" : input.path;
}

bool cleaned_points_present(std::string_view path) {
  TextFile probe;
  if (!open_input_if_present(probe, path)) return false;
  close_file(probe);
  io_check();
  return true;
}

}  // namespace survey_rt
