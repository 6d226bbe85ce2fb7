// Temp/QC_Report.html: the crossline check as one self-contained page for the
// client (inline CSS and SVG, no script, A4 when printed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qc.h"
#include "text_file.h"

namespace survey_qc {

// What the report shows: the run, its inputs, lines and crossings.
struct Report {
  std::string title, date;
  std::string points_path, crosslines_path;  // crosslines_path empty: from the points
  const Records* main = nullptr;             // the records of the points file
  const Records* cross = nullptr;            // those of the crosslines (main when from the points)
  const std::vector<Line>* main_lines = nullptr;
  const std::vector<Line>* cross_lines = nullptr;  // main_lines when from the points
  std::int32_t count[4] = {};                      // lines of each Kind
  double main_length = 0, cross_length = 0;        // metres
  const std::vector<Crossing>* crossings = nullptr;
  Stats stats;
  std::vector<std::string> along_track;  // the along-track shift, a sentence a line
  LineRules rules;
  Steps steps;                     // between the records, and the gaps among them
  double dominant = 0;             // the dominant heading (radians, as Line::heading)
  double main_heading = 0;         // --main-heading, degrees from grid north,
  bool heading_given = false;      // when given
  int order = 2;  // the order drawn on the histogram (index of kOrderTable)
};

void write_report(survey_rt::TextFile& f, const Report& r);

}  // namespace survey_qc
