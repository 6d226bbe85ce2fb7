// Temp/Surface.svg: the plan of the surface, in the style of survey_plot's
// plan: the contours coloured by level (the major ones bolder and labelled
// with their depth), the TIN's outline, the tracks faint; grid ticks, a scale
// bar, a north arrow and the legend on the right. Every line is thinned to
// the picture's pixels (a vertex in the pixel of the one before is left out),
// so the file's size follows the picture, not the survey.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "outputs.h"
#include "stop.h"
#include "svg.h"

using namespace survey_rt;
using surface::Contour;
using surface::Point2;
using surface::Tin;

namespace survey_surface {

namespace {

constexpr int kPanel = 270;  // the legend's room right of the map
constexpr std::string_view kTrackInk = "stroke=\"#b0b0b0\" stroke-width=\"0.7\"";
constexpr std::string_view kOutlineInk = "stroke=\"#000000\" stroke-width=\"1\"";

// A length as short as it reads back: "50", "0.25".
std::string metres_text(double v) {
  std::string text = dxf_real(v);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text;
}

std::string rotated(double angle, double x, double y) {
  return "transform=\"rotate(" + fixed_text(angle, 1) + " " + fixed_text(x, 1) + " " + fixed_text(y, 1) + ")\"";
}

struct Heights {
  double low = 0, high = 1;
};

std::string level_ink(double level, const Heights& h, bool major) {
  return "stroke=\"" + depth_colour((level - h.low) / (h.high - h.low)) + "\" stroke-width=\"" +
         (major ? "1.8" : "0.8") + "\"";
}

// A path of lines, each given by its pixels: one <path>, or none when no
// line has two pixels.
struct Path {
  TextFile* f = nullptr;
  std::string attrs;
  bool open = false;
};
void add_line(Path& p, const std::vector<Pixel>& pixels) {
  if (pixels.size() < 2) return;
  if (!p.open) {
    write_str(*p.f, "<path fill=\"none\" stroke-linejoin=\"round\" stroke-linecap=\"round\" " + p.attrs + " d=\"");
    p.open = true;
  }
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    write_char(*p.f, i == 0 ? 'M' : 'L');
    write_int(*p.f, pixels[i].x);
    write_char(*p.f, ' ');
    write_int(*p.f, pixels[i].y);
  }
  end_line(*p.f);
  io_check();
}
void end_path(Path& p) {
  if (p.open) {
    write_str(*p.f, "\"/>");
    end_line(*p.f);
    io_check();
  }
  p.open = false;
}

// A line's pixels, each once in a row.
std::vector<Pixel> thinned(const Layout& layout, const std::vector<Point2>& points) {
  std::vector<Pixel> pixels;
  for (const Point2& p : points) {
    const Pixel px = pixel_of(layout, p.x, p.y);
    if (pixels.empty() || !(pixels.back() == px)) pixels.push_back(px);
  }
  return pixels;
}

// The map frame: eastings labelled at least 110 pixels apart, northings 60.
Frame map_frame(const Layout& p) {
  return {p.left, p.top, p.width, p.height,
          {p.x0, p.x0 + p.width * p.scale, round_up_nice(110 * p.scale),
           [&p](double easting) { return p.left + (easting - p.x0) / p.scale; }, "e"},
          {p.y0, p.y0 + p.height * p.scale, round_up_nice(60 * p.scale),
           [&p](double northing) { return p.top + p.height - (northing - p.y0) / p.scale; }, "n"}};
}

void write_legend(TextFile& f, const Settings& s, double x, double y) {
  auto sample = [&](double row, std::string_view ink, std::string_view text) {
    svg_line(f, x, row, x + 24, row, ink);
    svg_text(f, x + 32, row, "dy=\"0.35em\"", text);
  };
  sample(y, "stroke=\"" + depth_colour(0.5) + "\" stroke-width=\"0.8\"",
         "contour every " + metres_text(s.interval) + " m");
  sample(y + 22, "stroke=\"" + depth_colour(0.5) + "\" stroke-width=\"1.8\"",
         "major contour every " + metres_text(s.interval * s.major) + " m,");
  svg_text(f, x + 32, y + 36, "dy=\"0.35em\"", "labelled with its depth (-z)");
  sample(y + 58, kOutlineInk, "TIN outline (edges up to " + metres_text(s.max_edge) + " m)");
  sample(y + 80, kTrackInk, "survey track");
}

}  // namespace

Layout picture_layout(const Tin& tin) {
  double xl = std::numeric_limits<double>::infinity(), yl = xl, xh = -xl, yh = -xl;
  for (const surface::Triangle& t : tin.triangles)
    for (int i = 0; i < 3; ++i) {
      const surface::Vertex& v = corner(tin, t, i);
      xl = std::min(xl, v.x), xh = std::max(xh, v.x), yl = std::min(yl, v.y), yh = std::max(yh, v.y);
    }
  if (!(xh >= xl)) xl = xh = yl = yh = 0;
  return map_layout(xl, xh, yl, yh);
}

Pixel pixel_of(const Layout& p, double x, double y) {
  return {p.left + static_cast<int>(std::lround((x - p.x0) / p.scale)),
          p.top + p.height - static_cast<int>(std::lround((y - p.y0) / p.scale))};
}

void write_picture(TextFile& f, const Layout& p, const Tin& tin, const std::vector<Contour>& contours,
                   const std::vector<Track>& tracks, const Settings& s) {
  Heights h;
  h.low = h.high = tin.vertices.empty() ? 0 : tin.vertices[0].z;
  for (const surface::Vertex& v : tin.vertices) h.low = std::min(h.low, v.z), h.high = std::max(h.high, v.z);
  if (!(h.high > h.low)) h.low -= 0.5, h.high += 0.5;

  const int panel = p.left + p.width + 40;
  const std::string counts = std::to_string(tin.vertices.size()) + " vertices, " +
                             std::to_string(tin.triangles.size()) + " triangles kept, " +
                             std::to_string(tin.trimmed) + " trimmed; " + std::to_string(contours.size()) +
                             " contour lines";
  svg_begin(f, std::max(panel + kPanel, p.left + text_width(counts.size()) + 20), p.top + p.height + 100);
  svg_text(f, p.left, 30, "font-size=\"18\" font-weight=\"bold\"", "Survey surface: " + s.title);
  svg_text(f, p.left, 50, "", counts);
  svg_text(f, p.left, 68, "",
           "Contours of the TIN coloured by level, z " + fixed_text(h.low, 2) + " m to " + fixed_text(h.high, 2) + " m");
  const Frame frame = map_frame(p);
  write_grid(f, frame);

  Path tracks_path{&f, std::string(kTrackInk)};
  for (const Track& t : tracks) add_line(tracks_path, simplified_line(t));
  end_path(tracks_path);

  Path outline_path{&f, std::string(kOutlineInk)};
  for (const auto& loop : surface::outline(tin)) add_line(outline_path, simplified_line(thinned(p, loop)));
  end_path(outline_path);

  // One path a level; the labels of the major lines after all of them.
  struct Label {
    double x, y, angle;
    std::string text;
  };
  std::vector<Label> labels;
  for (std::size_t i = 0; i < contours.size();) {
    const bool major = is_major(contours[i], s.major);
    Path level{&f, level_ink(contours[i].level, h, major)};
    const std::int64_t step = contours[i].step;
    for (; i < contours.size() && contours[i].step == step; ++i) {
      const std::vector<Pixel> pixels = simplified_line(thinned(p, contours[i].points));
      add_line(level, pixels);
      if (!major || pixels.size() < 2) continue;
      const Pixel a = pixels[pixels.size() / 2 - (pixels.size() > 2 ? 1 : 0)], b = pixels[pixels.size() / 2];
      if (std::hypot(pixels.front().x - pixels.back().x, pixels.front().y - pixels.back().y) < 40 &&
          surface::line_length(contours[i].points) / p.scale < 80)
        continue;  // too small to carry a label
      double angle = std::atan2(b.y - a.y, b.x - a.x) * 180 / 3.141592653589793;
      if (angle > 90) angle -= 180;
      if (angle < -90) angle += 180;
      labels.push_back({(a.x + b.x) / 2.0, (a.y + b.y) / 2.0, angle, fixed_text(0.0 - contours[i].level, 1)});
    }
    end_path(level);
  }
  for (const Label& l : labels)
    svg_text(f, l.x, l.y,
             "text-anchor=\"middle\" dy=\"0.35em\" font-size=\"10\" stroke=\"#ffffff\" stroke-width=\"3\" "
             "paint-order=\"stroke\" " +
                 rotated(std::round(l.angle), l.x, l.y),
             l.text);

  write_frame(f, frame);
  svg_text(f, p.left + p.width / 2.0, p.top + p.height + 36, "text-anchor=\"middle\"", "Easting (m)");
  const double middle = p.top + p.height / 2.0;
  svg_text(f, 20, middle, "text-anchor=\"middle\" " + rotated(-90, 20, middle), "Northing (m)");
  write_scale_bar(f, p.left, p.top + p.height + 56, p.scale);
  write_north_arrow(f, panel + 20, p.top);
  write_colour_scale(f, "Contour level z (m)", "levels", h.low, h.high, panel, p.top + 110);
  write_legend(f, s, panel, p.top + 372);
  svg_end(f);
}

}  // namespace survey_surface
