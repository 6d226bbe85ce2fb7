// The outputs of survey_channel: the pay table for the client
// (Temp/Channel_Volumes.txt) and for a spreadsheet (Temp/Channel_Volumes.csv),
// the cross sections as a drawing and a picture (Temp/Sections.dxf,
// Temp/Sections.svg) and the channel in plan (Temp/Channel.dxf).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "channel.h"
#include "pay.h"
#include "text_file.h"

namespace survey_channel {

// A survey as read: its file and counts (surface::counts_text).
struct Source {
  std::string path;
  std::string counts;
};

// What the run was asked and what it found.
struct Run {
  std::string date;  // "YYYY-MM-DD hh:mm:ss UTC"
  std::string title;
  std::string channel_path;
  Channel channel;
  Source survey, before;
  bool dredged = false;
  double interval = 25, max_edge = 50;
  bool yards = false;
};

// The cubic yard, m3.
constexpr double kCubicYard = 0.764554857984;

// The quantities of the run's kind.
std::span<const Quantity> quantities(const Run& run);

void write_report(survey_rt::TextFile& f, const Run& run, const Figures& g);
void write_csv(survey_rt::TextFile& f, const Run& run, const Figures& g);
void write_sections_dxf(survey_rt::TextFile& f, const Run& run, const Figures& g);
void write_sections_svg(survey_rt::TextFile& f, const Run& run, const Figures& g);
void write_plan_dxf(survey_rt::TextFile& f, const Run& run, const Figures& g);

// A table of text: columns right-aligned in widths that fit their longest
// cell, two blanks at least between them (the first left_aligned columns
// left-aligned); a group's label stands over its columns, right-aligned to
// their end, which are widened for it when it is longer. Rows of fewer
// cells leave the rest blank.
struct Table {
  struct Group {
    std::size_t first = 0, count = 0;
    std::string label;
  };
  std::size_t left_aligned = 0;
  std::vector<Group> groups;
  std::vector<std::vector<std::string>> rows;
};
std::vector<std::string> table_lines(const Table& t);

}  // namespace survey_channel
