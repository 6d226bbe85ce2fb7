// Reading and checking the channel file.
#include <cmath>
#include <string>

#include "ascii_case.h"
#include "channel.h"
#include "fixed_notation.h"
#include "number_grammar.h"
#include "text_file.h"

namespace survey_channel {

namespace {

constexpr double kMaxTurn = 90;         // degrees at one point, not reached
constexpr double kStationSlack = 0.005;  // metres a reach may end beyond the centreline

std::string two(double v) { return survey_rt::fixed_text(v, 2); }

// The words of a line, its comment left off.
std::vector<std::string_view> words_of(std::string_view line) {
  line = line.substr(0, line.find('#'));
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

struct Keyword {
  std::string_view name, numbers;  // the numbers' names, for the message
  std::size_t count;
};
constexpr Keyword kKeywords[] = {
    {"point", "X Y", 2},
    {"start", "S", 1},
    {"reach", "FROM TO LEVEL LEFT RIGHT SLOPE_LEFT SLOPE_RIGHT OVERDEPTH", 8},
};

// The turn from direction (ax, ay) to (bx, by), degrees, left positive.
double turn_degrees(double ax, double ay, double bx, double by) {
  return std::atan2(ax * by - ay * bx, ax * bx + ay * by) * 180 / 3.141592653589793;
}

}  // namespace

double centreline_length(const Channel& c) {
  double length = 0;
  for (std::size_t i = 1; i < c.points.size(); ++i)
    length += std::hypot(c.points[i].x - c.points[i - 1].x, c.points[i].y - c.points[i - 1].y);
  return length;
}

ChannelCheck check_channel(const std::vector<std::string>& lines) {
  ChannelCheck check;
  Channel& c = check.channel;
  bool start_given = false;
  auto refuse = [&](int line, std::string why) {
    check.line = line;
    check.why = std::move(why);
    return check;
  };
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const int line = static_cast<int>(n + 1);
    const std::vector<std::string_view> words = words_of(lines[n]);
    if (words.empty()) continue;
    const Keyword* keyword = nullptr;
    for (const Keyword& k : kKeywords)
      if (survey_rt::equal_nocase(words[0], k.name)) keyword = &k;
    if (keyword == nullptr)
      return refuse(line, "\"" + std::string(words[0]) + "\" is not a keyword: a line is point X Y, start S or reach " +
                              std::string(kKeywords[2].numbers));
    if (words.size() - 1 != keyword->count)
      return refuse(line, std::string(keyword->name) + " wants " + std::to_string(keyword->count) +
                              (keyword->count == 1 ? " number (" : " numbers (") + std::string(keyword->numbers) +
                              "), not " + std::to_string(words.size() - 1));
    double v[8] = {};
    for (std::size_t i = 1; i < words.size(); ++i)
      if (!survey_rt::parse_real(words[i], v[i - 1]) || !std::isfinite(v[i - 1]))
        return refuse(line, "\"" + std::string(words[i]) + "\" is not a finite number");

    if (keyword == &kKeywords[0]) {
      if (std::fabs(v[0]) > surface::kMaxCoordinate || std::fabs(v[1]) > surface::kMaxCoordinate)
        return refuse(line, "a point beyond 1e12 m");
      if (!c.points.empty() && c.points.back().x == v[0] && c.points.back().y == v[1])
        return refuse(line, "the point repeats the one before");
      c.points.push_back({v[0], v[1]});
      c.point_lines.push_back(line);
      continue;
    }
    if (keyword == &kKeywords[1]) {
      if (start_given) return refuse(line, "a second start");
      if (std::fabs(v[0]) > 1e9) return refuse(line, "a start station beyond 1e9 m");
      start_given = true;
      c.start = v[0];
      continue;
    }
    Reach r{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], line};
    if (!(r.to > r.from)) return refuse(line, "the reach ends at " + two(r.to) + ", not after its start " + two(r.from));
    if (r.left < 0 || r.right < 0)
      return refuse(line, "LEFT and RIGHT are the bottom's extent from the centreline, 0 or more");
    if (r.slope_left < 0 || r.slope_right < 0 || r.slope_left > 1e4 || r.slope_right > 1e4)
      return refuse(line, "a side slope is metres across per metre up, from 0 (a vertical side) to 10000");
    if (r.overdepth < 0 || r.overdepth > 1e4) return refuse(line, "the over-depth is metres, from 0 to 10000");
    if (std::fabs(r.level) > 1e6 || std::fabs(r.from) > 1e9 || std::fabs(r.to) > 1e9 || r.left > 1e6 || r.right > 1e6)
      return refuse(line, "a number out of range");
    if (!c.reaches.empty()) {
      const Reach& before = c.reaches.back();
      if (r.from < before.from)
        return refuse(line, "the reaches are out of order: this one starts before the reach of line " +
                                std::to_string(before.line));
      if (r.from < before.to)
        return refuse(line, "the reach overlaps the one of line " + std::to_string(before.line) + ", which ends at " +
                                two(before.to));
      if (r.from > before.to)
        return refuse(line, "a gap from " + two(before.to) + " (the end of the reach of line " +
                                std::to_string(before.line) + ") to " + two(r.from));
    }
    c.reaches.push_back(r);
  }

  if (c.points.size() < 2)
    return refuse(c.point_lines.empty() ? 0 : c.point_lines.back(),
                  "a centreline needs two points or more, the file has " + std::to_string(c.points.size()));
  for (std::size_t i = 1; i + 1 < c.points.size(); ++i) {
    const surface::Point2 &a = c.points[i - 1], &b = c.points[i], &d = c.points[i + 1];
    const double turn = turn_degrees(b.x - a.x, b.y - a.y, d.x - b.x, d.y - b.y);
    if (std::fabs(turn) >= kMaxTurn)
      return refuse(c.point_lines[i], "the centreline turns by " + survey_rt::fixed_text(std::fabs(turn), 1) +
                                          " degrees at this point; a turn of 90 degrees or more wants more points");
  }
  if (c.reaches.empty()) return refuse(0, "no reach: the template is given by reach lines");
  const double end = c.start + centreline_length(c);
  Reach& first = c.reaches.front();
  Reach& last = c.reaches.back();
  if (first.from < c.start - kStationSlack)
    return refuse(first.line, "the reach starts at " + two(first.from) + ", before the centreline's first station " +
                                  two(c.start));
  if (last.to > end + kStationSlack)
    return refuse(last.line, "the reach ends at " + two(last.to) + ", beyond the centreline's last station " + two(end));
  first.from = std::max(first.from, c.start);
  last.to = std::min(last.to, end);
  if (!(last.to > last.from) || !(first.to > first.from))
    return refuse(last.line, "the reach has no length within the centreline's stations");
  return check;
}

ChannelCheck read_channel(std::string_view path) {
  using namespace survey_rt;
  TextFile f;
  open_input(f, path);
  io_check();
  std::vector<std::string> lines;
  while (!at_end_checked(f)) {
    lines.emplace_back(take_line(f));
    io_check();
  }
  close_file(f);
  io_check();
  return check_channel(lines);
}

}  // namespace survey_channel
