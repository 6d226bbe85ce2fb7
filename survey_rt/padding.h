// The blanks in front of a text right-aligned in a width: the one rule of
// write_str, write_char, write_int, write_fixed and the counters on screen.
#pragma once

#include <cstddef>

namespace survey_rt {

// The blanks that right-align n characters in w: w - n when w is larger,
// else none (the text is never cut; a width of 0 or less asks for none).
inline std::size_t padding(int w, std::size_t n) {
  return w > 0 && static_cast<std::size_t>(w) > n ? static_cast<std::size_t>(w) - n : 0;
}

}  // namespace survey_rt
