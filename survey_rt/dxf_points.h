// The POINT scan of ASCII DXF drawings: a line scan, not a DXF parser. Every
// line that reads "POINT" starts a point; the lines of the wanted group codes
// (" 10", " 20" and maybe " 30", right-aligned in three characters as most
// CAD programs write them) are then searched for one after the other, and the
// number on the line after each is the point's value.
//
// When the POINT line follows a line that reads 0 with any blanks or tabs
// around it (group code 0: it names an entity's type), the entity is read as
// pairs of lines, a code line and its value line: code lines are compared
// with their blanks and tabs trimmed (so "10", " 10" and "10\t" are all code
// 10, as writers that do not right-align their codes put them), a value line
// is never taken for a code, and the search ends at the next code 0, where
// the next entity starts: codes after the first two that the entity lacks are
// 0 (a 2D drawing's points have no code 30), and a point that lacks one of the
// first two is dropped. A POINT line after any other line (a layer named
// POINT) is followed by a search line by line for the exact code lines.
#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "text_file.h"

namespace survey_rt {

// Scans file from its current position to its end. For each point found,
// on_point gets one value per code, in code order, before any further line is
// read (after its last value line, or after the code line 0 that ended its
// entity). Every read is followed by io_check, so a value line that holds no
// number stops the tool. When the file ends while a code line is searched for,
// the incomplete point is dropped and the scan ends.
void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point);

// Whether the file, at its start, is a binary DXF drawing (its first line
// "AutoCAD Binary DXF", then CR LF and byte 26), which no text scan can read.
// Reads ahead without consuming anything.
bool is_binary_dxf(TextFile& file);

// A group-code line without the blanks and tabs on either side.
std::string_view trim_code(std::string_view line);

}  // namespace survey_rt
