// The line search of the DXF POINT scan (dxf_points.h): whole lines compared
// with a text, as take_line reads them, the usual lines sixteen bytes at a
// time.
#pragma once

#include <string_view>

#include "text_file.h"

namespace survey_rt {

// Takes lines (as take_line) until one equals text; false when the file ends
// (at_end) before such a line.
bool find_line(TextFile& f, std::string_view text);
// Takes lines until one equals text (1) or stop (2); 0 when the file ends
// before such a line.
int find_line(TextFile& f, std::string_view text, std::string_view stop);
// The longest line before a found line that line_before_reads reads.
constexpr std::size_t kMaxLineBefore = 64;
// After find_line found a line that equals found: whether the line before it,
// its blanks and tabs on both sides left out, reads word (of no line end);
// false when the found line is the first, or when the line before is longer
// than kMaxLineBefore bytes.
bool line_before_reads(const TextFile& f, std::string_view found, std::string_view word);

}  // namespace survey_rt
