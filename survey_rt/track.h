// The distance along the track of a point list: the running sum of the
// straight steps between consecutive records in the XY plane. echo_clean1
// draws the echo record at these distances and echo_clean2 finds the records
// again by them, so both must add the very same doubles in the same order.
#pragma once

namespace survey_rt {

// d plus the straight step from (px, py) to (x, y): the two squared
// differences added, the square root taken, the result added to d.
double add_track_step(double d, double px, double py, double x, double y);

}  // namespace survey_rt
