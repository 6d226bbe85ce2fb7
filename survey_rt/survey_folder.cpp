#include "survey_folder.h"

#include <filesystem>
#include <system_error>

namespace survey_rt {

std::string survey_folder_name() {
  std::error_code error;
  const std::string name = std::filesystem::current_path(error).filename().string();
  return name.empty() ? "survey" : name;
}

}  // namespace survey_rt
