// Temp/Channel_Volumes.txt and Temp/Channel_Volumes.csv: the pay table by
// station interval, the TIN's figures beside the average end areas.
#include <algorithm>
#include <cmath>

#include "fixed_notation.h"
#include "outputs.h"
#include "stop.h"

using namespace survey_rt;

namespace survey_channel {

namespace {

constexpr std::size_t kGap = 2;  // blanks between two columns at least

void line(TextFile& f, std::string_view text) {
  write_str(f, text);
  end_line(f);
}

std::string two(double v) { return fixed_text(v, 2); }

// A volume or area: an integral of what is never negative, so a rounding
// error below 0 is 0.
std::string amount(double v) { return two(std::max(0.0, v)); }
// The difference of two figures as they are written.
std::string difference(double a, double b) {
  return two(fixed_value(std::max(0.0, a), 2) - fixed_value(std::max(0.0, b), 2));
}

// The sums of the intervals' figures.
Amounts total(const std::vector<Amounts>& by_interval) {
  Amounts sum{0, 0, 0, 0};
  for (const Amounts& a : by_interval)
    for (std::size_t q = 0; q < sum.size(); ++q) sum[q] += a[q];
  return sum;
}

// The table of the quantities first .. first + count - 1 by interval, each
// by the TIN, by average end areas and their difference, in m3 divided by
// unit.
Table volume_table(const Run& run, const Figures& g, std::size_t first, std::size_t count, double unit) {
  Table t;
  t.rows.push_back({"from", "to"});
  for (std::size_t q = first; q < first + count; ++q) {
    t.groups.push_back({2 + 3 * (q - first), 3, std::string(quantities(run)[q].name)});
    for (const char* head : {"TIN", "AEA", "AEA - TIN"}) t.rows[0].push_back(head);
  }
  auto figures = [&](std::vector<std::string>& row, const Amounts& tin, const Amounts& aea) {
    for (std::size_t q = first; q < first + count; ++q) {
      row.push_back(amount(tin[q] / unit));
      row.push_back(amount(aea[q] / unit));
      row.push_back(difference(aea[q] / unit, tin[q] / unit));
    }
  };
  for (std::size_t k = 0; k < g.aea.size(); ++k) {
    std::vector<std::string> row{two(g.stations[k]), two(g.stations[k + 1])};
    figures(row, g.plan.by_interval[k], g.aea[k]);
    t.rows.push_back(row);
  }
  std::vector<std::string> row{"total", ""};
  figures(row, total(g.plan.by_interval), total(g.aea));
  t.rows.push_back(row);
  return t;
}

void write_table(TextFile& f, const Table& t) {
  for (const std::string& text : table_lines(t)) line(f, text);
}

}  // namespace

std::span<const Quantity> quantities(const Run& run) {
  if (run.dredged) return kDredged;
  return kCondition;
}

std::vector<std::string> table_lines(const Table& t) {
  std::size_t columns = 0;
  for (const auto& row : t.rows) columns = std::max(columns, row.size());
  std::vector<std::size_t> width(columns, 0);
  for (const auto& row : t.rows)
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  for (const Table::Group& g : t.groups) {
    std::size_t span = kGap * (g.count - 1);
    for (std::size_t c = g.first; c < g.first + g.count; ++c) span += width[c];
    if (g.label.size() > span) width[g.first] += g.label.size() - span;
  }
  std::vector<std::size_t> start(columns, 0);  // each column's first character
  for (std::size_t c = 1; c < columns; ++c) start[c] = start[c - 1] + width[c - 1] + kGap;
  std::vector<std::string> lines;
  if (!t.groups.empty()) {
    std::string text;
    for (const Table::Group& g : t.groups) {
      const std::size_t last = g.first + g.count - 1, end = start[last] + width[last];
      text.resize(std::max(text.size(), end - g.label.size()), ' ');
      text += g.label;
    }
    lines.push_back(text);
  }
  for (const auto& row : t.rows) {
    std::string text;
    for (std::size_t c = 0; c < row.size(); ++c) {
      text.resize(start[c], ' ');
      if (c < t.left_aligned)
        text += row[c];
      else
        text += std::string(width[c] - row[c].size(), ' ') + row[c];
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    lines.push_back(text);
  }
  return lines;
}

void write_report(TextFile& f, const Run& run, const Figures& g) {
  const Channel& c = run.channel;
  const auto names = quantities(run);
  line(f, "Channel pay volumes: " + run.title);
  line(f, "");
  line(f, "Run          " + run.date);
  line(f, "Survey       " + run.survey.path + (run.dredged ? " (after the works)" : " (condition survey)"));
  line(f, "             " + run.survey.counts);
  if (run.dredged) {
    line(f, "Before       " + run.before.path + " (the survey before the works)");
    line(f, "             " + run.before.counts);
  }
  line(f, "Channel      " + run.channel_path + ": " + std::to_string(c.points.size()) + " points, " +
              two(g.alignment.s.back() - g.alignment.s.front()) + " m of centreline from station " + two(c.start));
  line(f, "Sections     " + std::to_string(g.stations.size()) + " at stations " + two(g.stations.front()) + " to " +
              two(g.stations.back()) + ": every " + two(run.interval) + " m and at the reaches' ends");
  line(f, "");

  Table reaches;
  reaches.rows.push_back({"reach", "line", "from", "to", "bottom", "left", "right", "slope left", "slope right",
                          "over-depth"});
  for (std::size_t i = 0; i < c.reaches.size(); ++i) {
    const Reach& r = c.reaches[i];
    reaches.rows.push_back({std::to_string(i + 1), std::to_string(r.line), two(r.from), two(r.to), two(r.level),
                            two(r.left), two(r.right), two(r.slope_left), two(r.slope_right), two(r.overdepth)});
  }
  write_table(f, reaches);
  line(f, "The bottom at its height (z, up positive) from LEFT m left to RIGHT m right of the centreline");
  line(f, "(looking towards growing stations); the side slopes rise the metres across given per metre up");
  line(f, "(0: vertical) until they meet the seabed; the pay line is the template lowered by the");
  line(f, "over-depth. At a reach's end the template changes as a step.");

  const std::size_t per_table = 2;
  for (const double unit : run.yards ? std::vector<double>{1, kCubicYard} : std::vector<double>{1}) {
    for (std::size_t first = 0; first < names.size(); first += per_table) {
      line(f, "");
      line(f, std::string(run.dredged ? "Dredged, " : "Condition, ") + (unit == 1 ? "m3" : "yd3 (1 yd3 = 0.764554857984 m3)") +
                  " by station interval:");
      write_table(f, volume_table(run, g, first, std::min(per_table, names.size() - first), unit));
    }
  }

  line(f, "");
  line(f, "Cross sections, areas in m2:");
  Table sections;
  sections.rows.push_back({"station", "reach"});
  for (const Quantity& q : names) sections.rows[0].push_back(std::string(q.short_name));
  std::string missing;
  for (const Section& s : g.sections) {
    std::vector<std::string> row{two(s.station), std::to_string(s.reach + 1)};
    for (std::size_t q = 0; q < names.size(); ++q) row.push_back(amount(s.area[q]));
    if (!s.covered) {
      row.push_back("not reached by the survey");
      missing += (missing.empty() ? "" : ", ") + two(s.station);
    }
    sections.rows.push_back(row);
  }
  write_table(f, sections);
  if (!missing.empty()) {
    line(f, "");
    line(f, "The survey" + std::string(run.dredged ? "s do" : " does") + " not reach the sections at " + missing +
                ": their areas count as 0 in the average end areas.");
  }

  line(f, "");
  line(f, "Method: the survey is the Delaunay triangulation (TIN) of its points, positions to the");
  line(f, "centimetre, trimmed of the triangles with an edge longer than " + two(run.max_edge) + " m. A point of the");
  line(f, "plan belongs to the station of its nearest point on the centreline, at its distance from it.");
  line(f, "TIN: the quantities integrated over the plan between the interval's sections, exact on the");
  line(f, "overlay of the TIN" + std::string(run.dredged ? "s" : "") +
              " with the template's break lines; around a bend's point, where the offset is");
  line(f, "the distance from it, the template is taken on wedges of half a degree (within a millionth).");
  line(f, "AEA: the stations' difference times the mean of the areas of the two sections, each the exact");
  line(f, "profile of the TIN along the section line. Both count between the lines where the pay line");
  line(f, "meets the seabed" + std::string(run.dredged ? " before the works" : "") +
              ": over the bottom and where the pay line lies under it on the slopes. A shoal");
  line(f, "between two sections counts in the TIN's figure but not in the average end areas.");
  io_check();
}

void write_csv(TextFile& f, const Run& run, const Figures& g) {
  const auto names = quantities(run);
  write_str(f, "station_from,station_to");
  for (const Quantity& q : names) write_str(f, "," + std::string(q.column) + "_m3," + std::string(q.column) + "_aea_m3");
  end_line(f);
  auto figures = [&](const Amounts& tin, const Amounts& aea) {
    for (std::size_t q = 0; q < names.size(); ++q) write_str(f, "," + amount(tin[q]) + "," + amount(aea[q]));
    end_line(f);
  };
  for (std::size_t k = 0; k < g.aea.size(); ++k) {
    write_str(f, two(g.stations[k]) + "," + two(g.stations[k + 1]));
    figures(g.plan.by_interval[k], g.aea[k]);
  }
  write_str(f, "total,");
  figures(total(g.plan.by_interval), total(g.aea));
  io_check();
}

}  // namespace survey_channel
