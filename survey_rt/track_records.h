// PM/Points.txt read along its track: each record with its distance along
// the track from the first record (track.h). echo_clean1 draws the echo
// record at these distances, echo_flag flags it there, survey_plot plots it
// there and echo_clean2 finds the records again by them, so all of them walk
// the track here, the same way. Inline: the tools read a record in their main
// loops.
#pragma once

#include <string_view>

#include "text_file.h"
#include "track.h"
#include "xyz_records.h"

namespace survey_rt {

// The walk along the track: the distance to the record read last, and its
// position, where the next step starts.
struct Track {
  double distance = 0;
  double px = 0, py = 0;
};

// The track starts at the first record of the file at path, which f has open
// at its start; the file is then opened again, so that the first record read
// after this is the first one once more, with a step of 0. Followed by
// io_check.
inline void start_track(TextFile& f, std::string_view path, Track& t) {
  double z = 0;
  read_first_xyz(f, path, t.px, t.py, z);
  t.distance = 0;
}

// Reads the next record (read_xyz) and walks the step to it; followed by
// io_check.
inline void read_track_xyz(TextFile& f, Track& t, double& x, double& y, double& z) {
  read_xyz(f, x, y, z);
  t.distance = add_track_step(t.distance, t.px, t.py, x, y);
  t.px = x;
  t.py = y;
}

}  // namespace survey_rt
