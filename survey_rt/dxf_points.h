// The POINT scan of ASCII DXF drawings: a line scan, not a DXF parser. Every
// line that reads "POINT" starts a point; the lines of the wanted group codes
// (" 10", " 20" and maybe " 30", right-aligned in three characters as CAD
// programs write them) are then searched for one after the other, and the
// number on the line after each is the point's value. When the POINT line
// follows a line "  0" (group code 0: it names an entity's type), the search
// ends at the next line "  0", where the next entity starts: codes after the
// first two that the entity lacks are 0 (a 2D drawing's points have no " 30"),
// and a point that lacks one of the first two is dropped.
#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "text_file.h"

namespace survey_rt {

// Scans file from its current position to its end. For each point found,
// on_point gets one value per code, in code order, before any further line is
// read (after its last value line, or after the line "  0" that ended its
// entity). Every read is followed by io_check, so a value line that holds no
// number stops the tool. When the file ends while a code line is searched for,
// the incomplete point is dropped and the scan ends.
void scan_dxf_points(TextFile& file, std::span<const std::string_view> codes,
                     const std::function<void(std::span<const double>)>& on_point);

}  // namespace survey_rt
