// ASCII letter case, for the words and names that the tools compare without
// regard to it ("Inf", the commands of a script, file names).
#pragma once

#include <string_view>

namespace survey_rt {

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Whether a and b are equal without regard to ASCII letter case.
inline bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

}  // namespace survey_rt
