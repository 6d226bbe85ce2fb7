#include "run_date.h"

#include <cstdio>
#include <ctime>

namespace survey_rt {

std::string run_date() {
  const std::time_t t = std::time(nullptr);
  const std::tm* u = std::gmtime(&t);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", u->tm_year + 1900, u->tm_mon + 1, u->tm_mday,
                u->tm_hour, u->tm_min, u->tm_sec);
  return text;
}

}  // namespace survey_rt
