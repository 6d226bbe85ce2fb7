// The name of the survey folder the tool runs in, the default title of the
// pictures and reports.
#pragma once

#include <string>

namespace survey_rt {

// The working folder's own name (its last part); "survey" where it has none
// (a root folder) or cannot be told.
std::string survey_folder_name();

}  // namespace survey_rt
