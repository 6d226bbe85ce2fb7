#include "svg.h"

#include <algorithm>
#include <cmath>

#include "fixed_notation.h"
#include "map_marks.h"
#include "stop.h"

namespace survey_rt {

namespace {

// viridis at 0, 1/8, ..., 1 (its published colour table).
constexpr std::array<int, 3> kViridis[9] = {{68, 1, 84},    {71, 45, 123}, {59, 82, 139},  {44, 114, 142},
                                             {33, 144, 140}, {39, 173, 129}, {93, 200, 99}, {170, 220, 50},
                                             {253, 231, 37}};

}  // namespace

std::string colour_along(std::span<const std::array<int, 3>> colours, double t) {
  const int last = static_cast<int>(colours.size()) - 1;
  t = std::clamp(t, 0.0, 1.0) * last;
  const int i = std::min(static_cast<int>(t), last - 1);
  const double f = t - i;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = "#";
  for (int c = 0; c < 3; ++c) {
    const int v = static_cast<int>(std::lround(colours[i][c] + f * (colours[i + 1][c] - colours[i][c])));
    text += kHex[v >> 4];
    text += kHex[v & 15];
  }
  return text;
}

std::string depth_colour(double t) { return colour_along(kViridis, t); }

int depth_level(double z, double low, double high) {
  if (!(high > low)) return kLevels - 1;
  const double t = (z - low) / (high - low);
  return std::clamp(static_cast<int>(std::lround(t * (kLevels - 1))), 0, kLevels - 1);
}

double round_up_nice(double v) {
  const double ten = std::pow(10.0, std::floor(std::log10(v)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * ten >= v * (1 - 1e-12)) return m * ten;
  return 10 * ten;
}

double round_down_nice(double v) {
  const double ten = std::pow(10.0, std::floor(std::log10(v)));
  for (const double m : {5.0, 2.0, 1.0})
    if (m * ten <= v * (1 + 1e-12)) return m * ten;
  return ten;
}

int decimals_of(double step) {
  int d = 0;
  while (d < 9 && std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) > 1e-6) ++d;
  return d;
}

std::string xml_text(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c == '&')
        out += "&amp;";
      else if (c == '<')
        out += "&lt;";
      else if (c == '>')
        out += "&gt;";
      else if (c == '"')
        out += "&quot;";
      else
        out += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    // A UTF-8 character of 2 to 4 bytes is kept whole (its lead byte gives
    // the length, every further byte is 10xxxxxx); any other byte is '?'.
    const std::size_t n = c >= 0xc2 && c <= 0xdf   ? 2
                          : c >= 0xe0 && c <= 0xef ? 3
                          : c >= 0xf0 && c <= 0xf4 ? 4
                                                   : 0;
    bool whole = n > 0 && i + n <= text.size();
    for (std::size_t k = 1; whole && k < n; ++k)
      whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
    if (whole) {
      out += text.substr(i, n);
      i += n;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

void svg_begin(TextFile& f, int width, int height) {
  write_str(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  end_line(f);
  write_str(
      f, "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"");
  write_int(f, width);
  write_str(f, "\" height=\"");
  write_int(f, height);
  write_str(f, "\" viewBox=\"0 0 ");
  write_int(f, width);
  write_char(f, ' ');
  write_int(f, height);
  write_str(f, "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"12\">");
  end_line(f);
  write_str(f, "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>");
  end_line(f);
  io_check();
}

void svg_begin_mm(TextFile& f, double width, double height) {
  write_str(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  end_line(f);
  const std::string w = fixed_text(width, 1), h = fixed_text(height, 1);
  write_str(f, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "mm\" height=\"" + h +
                   "mm\" viewBox=\"0 0 " + w + " " + h +
                   "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"3\">");
  end_line(f);
  write_str(f, "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>");
  end_line(f);
  io_check();
}

void svg_end(TextFile& f) {
  write_str(f, "</svg>");
  end_line(f);
  io_check();
}

void svg_number(TextFile& f, double v) { write_fixed(f, v, 0, 1); }

void svg_text(TextFile& f, double x, double y, std::string_view attrs, std::string_view text) {
  write_str(f, "<text x=\"");
  svg_number(f, x);
  write_str(f, "\" y=\"");
  svg_number(f, y);
  write_char(f, '"');
  if (!attrs.empty()) write_char(f, ' ');
  write_str(f, attrs);
  write_char(f, '>');
  write_str(f, xml_text(text));
  write_str(f, "</text>");
  end_line(f);
  io_check();
}

void svg_line(TextFile& f, double x1, double y1, double x2, double y2, std::string_view attrs) {
  write_str(f, "<path d=\"M");
  svg_number(f, x1);
  write_char(f, ' ');
  svg_number(f, y1);
  write_char(f, 'L');
  svg_number(f, x2);
  write_char(f, ' ');
  svg_number(f, y2);
  write_str(f, "\" ");
  write_str(f, attrs);
  write_str(f, "/>");
  end_line(f);
  io_check();
}

void svg_rect(TextFile& f, double x, double y, double w, double h, std::string_view attrs) {
  write_str(f, "<rect x=\"");
  svg_number(f, x);
  write_str(f, "\" y=\"");
  svg_number(f, y);
  write_str(f, "\" width=\"");
  svg_number(f, w);
  write_str(f, "\" height=\"");
  svg_number(f, h);
  write_str(f, "\" ");
  write_str(f, attrs);
  write_str(f, "/>");
  end_line(f);
  io_check();
}

void write_grid(TextFile& f, const Frame& frame) {
  const int right = frame.left + frame.width, bottom = frame.top + frame.height;
  each_tick(frame.x.low, frame.x.high, frame.x.step,
            [&](double v) { svg_line(f, frame.x.at(v), frame.top, frame.x.at(v), bottom, kGridInk); });
  each_tick(frame.y.low, frame.y.high, frame.y.step,
            [&](double v) { svg_line(f, frame.left, frame.y.at(v), right, frame.y.at(v), kGridInk); });
}

void write_frame(TextFile& f, const Frame& frame) {
  const int bottom = frame.top + frame.height;
  svg_rect(f, frame.left, frame.top, frame.width, frame.height,
           "fill=\"none\" stroke=\"#000000\" stroke-width=\"1.2\"");
  const int x_decimals = decimals_of(frame.x.step), y_decimals = decimals_of(frame.y.step);
  each_tick(frame.x.low, frame.x.high, frame.x.step, [&](double v) {
    svg_line(f, frame.x.at(v), bottom, frame.x.at(v), bottom + 5, kInk);
    svg_text(f, frame.x.at(v), bottom + 18,
             "class=\"tick-" + std::string(frame.x.name) + "\" text-anchor=\"middle\"", fixed_text(v, x_decimals));
  });
  each_tick(frame.y.low, frame.y.high, frame.y.step, [&](double v) {
    svg_line(f, frame.left - 5, frame.y.at(v), frame.left, frame.y.at(v), kInk);
    svg_text(f, frame.left - 8, frame.y.at(v),
             "class=\"tick-" + std::string(frame.y.name) + "\" text-anchor=\"end\" dy=\"0.35em\"",
             fixed_text(v, y_decimals));
  });
}

Marks begin_marks(TextFile& f, std::string attrs, std::string_view shape) {
  return Marks{&f, std::move(attrs), shape, 0};
}

void add_mark(Marks& m, int x, int y) {
  TextFile& f = *m.f;
  if (m.count == 0) {
    write_str(f, "<path ");
    write_str(f, m.attrs);
    write_str(f, " d=\"");
  } else if (m.count % 16 == 0) {
    end_line(f);  // lines of a readable length
  }
  write_char(f, 'M');
  write_int(f, x);
  write_char(f, ' ');
  write_int(f, y);
  write_str(f, m.shape);
  io_check();
  ++m.count;
}

void end_marks(Marks& m) {
  if (m.count == 0) return;
  write_str(*m.f, "\"/>");
  end_line(*m.f);
  io_check();
}

Marks begin_symbols(TextFile& f, std::string_view id, std::string_view shape) {
  write_str(f, "<defs>");
  io_check();
  return begin_marks(f, "id=\"" + std::string(id) + "\"", shape);
}

void end_symbols(Marks& m, std::string_view id, std::string_view ink) {
  TextFile& f = *m.f;
  end_marks(m);
  write_str(f, "</defs>");
  end_line(f);
  if (m.count > 0) {
    for (const std::string_view paint :
         {std::string_view("stroke=\"#ffffff\" stroke-width=\"3.5\" stroke-linecap=\"round\""), ink}) {
      write_str(f, "<use xlink:href=\"#");
      write_str(f, id);
      write_str(f, "\" fill=\"none\" ");
      write_str(f, paint);
      write_str(f, "/>");
      end_line(f);
    }
  }
  io_check();
}

// A bar of a round length (100 to 250 pixels), cut in four, its left end at
// (left, y), for a picture of scale metres a pixel.
void write_scale_bar(TextFile& f, double left, double y, double scale) {
  const ScaleBar bar = scale_bar(250, scale);
  for (int i = 0; i < 4; ++i)
    svg_rect(f, left + i * bar.length / 4, y, bar.length / 4, 6,
             i % 2 == 0 ? "fill=\"#000000\" stroke=\"#000000\"" : "fill=\"#ffffff\" stroke=\"#000000\"");
  svg_text(f, left, y + 20, "text-anchor=\"middle\"", "0");
  svg_text(f, left + bar.length / 2, y + 20, "text-anchor=\"middle\"", fixed_text(bar.metres / 2, bar.decimals));
  svg_text(f, left + bar.length, y + 20, "text-anchor=\"middle\"", fixed_text(bar.metres, bar.decimals) + " m");
}

void write_north_arrow(TextFile& f, double x, double y) {
  const NorthArrow a = north_arrow(x, y, 1);
  svg_text(f, x, a.letter, "text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"", "N");
  auto head = [&](const MarkPoint(&p)[3], std::string_view fill) {
    std::string d = "M";
    for (int i = 0; i < 3; ++i) {
      if (i > 0) d += 'L';
      d += fixed_text(p[i].x, 1);
      d += ' ';
      d += fixed_text(p[i].y, 1);
    }
    write_str(f, "<path d=\"" + d + "Z\" fill=\"" + std::string(fill) + "\" stroke=\"#000000\"/>");
    end_line(f);
  };
  head(a.dark, "#000000");
  head(a.light, "#ffffff");
  io_check();
  svg_text(f, x, a.caption, "text-anchor=\"middle\" font-size=\"11\"", "grid north");
}

MapLayout map_layout(double x_low, double x_high, double y_low, double y_high) {
  constexpr int kMaxWidth = 1000, kMaxHeight = 720;  // the frame at its largest
  constexpr int kMinWidth = 480, kMinHeight = 440;   // ... and at its smallest
  constexpr int kPad = 20;                           // between the extent and the frame
  constexpr double kFinest = 0.005;                  // metres a pixel at the most
  const auto even = [](double v) { return 2 * static_cast<int>(std::ceil(v / 2)); };
  MapLayout p;
  p.left = 92;
  p.top = 84;
  const double dw = x_high - x_low, dh = y_high - y_low;
  p.scale = std::max({dw / (kMaxWidth - 2 * kPad), dh / (kMaxHeight - 2 * kPad), kFinest});
  p.width = std::min(kMaxWidth, even(std::max<double>(kMinWidth, dw / p.scale + 2 * kPad)));
  p.height = std::min(kMaxHeight, even(std::max<double>(kMinHeight, dh / p.scale + 2 * kPad)));
  p.x0 = (x_low + x_high) / 2 - p.width * p.scale / 2;
  p.y0 = (y_low + y_high) / 2 - p.height * p.scale / 2;
  return p;
}

void write_colour_scale(TextFile& f, std::string_view title, std::string_view id, double low, double high, double x,
                        double y) {
  constexpr int kRamp = 220;
  svg_text(f, x, y, "font-weight=\"bold\"", title);
  write_str(f, "<defs><linearGradient id=\"" + std::string(id) + "\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">");
  end_line(f);
  for (int i = 0; i <= 8; ++i) {
    write_str(f, "<stop offset=\"" + fixed_text(i / 8.0, 3) + "\" stop-color=\"" + depth_colour(i / 8.0) + "\"/>");
    end_line(f);
  }
  write_str(f, "</linearGradient></defs>");
  end_line(f);
  io_check();
  const double top = y + 12, bottom = top + kRamp;
  svg_rect(f, x, top, 20, kRamp, "fill=\"url(#" + std::string(id) + ")\" stroke=\"#000000\" stroke-width=\"0.8\"");
  const double step = round_up_nice((high - low) * 26 / kRamp);
  each_tick(low, high, step, [&](double z) {
    const double v = bottom - (z - low) / (high - low) * kRamp;
    svg_line(f, x + 20, v, x + 25, v, kInk);
    svg_text(f, x + 29, v, "dy=\"0.35em\"", fixed_text(z, decimals_of(step)));
  });
}

}  // namespace survey_rt
