// The date and time of a run, as the reports for the client write it.
#pragma once

#include <string>

namespace survey_rt {

// Now, in UTC: "2026-12-07 23:25:44 UTC".
std::string run_date();

}  // namespace survey_rt
