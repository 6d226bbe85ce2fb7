// A contour in a DXF drawing, as Temp/Contours.dxf and the survey sheet's
// drawing hold it.
#pragma once

#include "surface.h"
#include "text_file.h"

namespace surface {

// The contour as a 2D polyline at its level's elevation (a closed one with
// the closed flag, its last point, the first again, left out), on the layer
// CONTOUR_MAJOR when it is a major one (every major-th level), else CONTOUR.
void dxf_contour(survey_rt::TextFile& f, const Contour& c, int major);

}  // namespace surface
