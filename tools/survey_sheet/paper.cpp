#include "paper.h"

#include <cmath>

#include "stop.h"
#include "svg.h"

namespace survey_sheet {

using survey_rt::PdfPage;
using survey_rt::Rgb;

namespace {

constexpr double kPi = 3.141592653589793;

double anchor_share(Anchor a) { return a == Anchor::start ? 0 : a == Anchor::middle ? 0.5 : 1; }

// Where a text's baseline starts on the page.
Pt text_start(const Text& t) {
  const double back = anchor_share(t.anchor) * text_length(t), a = t.angle * kPi / 180;
  return {t.at.x - back * std::cos(a), t.at.y + back * std::sin(a)};
}

bool same(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The PDF page being made and the graphics state it has, so that a colour
// or a width is written only when it changes.
struct PdfPen {
  PdfPage page;
  bool known = false;  // the state below holds
  Rgb fill, stroke;
  double width = -1, on = -1, off = -1;
  bool round = false;

  double y(double v) const { return page.height - v; }
  void fill_colour(const Rgb& c) {
    if (known && same(c, fill)) return;
    set_state();
    survey_rt::pdf_fill_colour(page, c);
    fill = c;
  }
  void ink(const Ink& k) {
    set_state();
    if (!same(k.colour, stroke)) survey_rt::pdf_stroke_colour(page, stroke = k.colour);
    if (k.width != width) survey_rt::pdf_line_width(page, width = k.width);
    if (k.dash_on != on || k.dash_off != off) survey_rt::pdf_dash(page, on = k.dash_on, off = k.dash_off);
    if (k.round != round) survey_rt::pdf_round_ends(page, round = k.round);
  }
  // After a restore the state is the page's first one: black, a unit wide,
  // solid, square ends.
  void set_state() {
    if (known) return;
    known = true;
    fill = stroke = Rgb{};
    width = 1;  // a unit of user space, here a millimetre
    on = off = 0;
    round = false;
  }
  void path(const std::vector<Pt>& points, bool closed) {
    survey_rt::pdf_move(page, points[0].x, y(points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i) survey_rt::pdf_line(page, points[i].x, y(points[i].y));
    if (closed) survey_rt::pdf_close(page);
  }
};

std::string hex(const Rgb& c) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = "#";
  for (const double v : {c.r, c.g, c.b}) {
    const int n = static_cast<int>(std::lround(std::fmax(0, std::fmin(1, v)) * 255));
    text += kHex[n >> 4];
    text += kHex[n & 15];
  }
  return text;
}

std::string ink_attrs(const Ink& k) {
  std::string a = "stroke=\"" + hex(k.colour) + "\" stroke-width=\"" + survey_rt::pdf_number(k.width) + "\"";
  if (k.round) a += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  if (k.dash_on > 0 && k.dash_off > 0)
    a += " stroke-dasharray=\"" + survey_rt::pdf_number(k.dash_on) + " " + survey_rt::pdf_number(k.dash_off) + "\"";
  return a;
}

void svg_path_data(survey_rt::TextFile& f, const std::vector<Pt>& points, bool closed) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    survey_rt::write_char(f, i == 0 ? 'M' : 'L');
    survey_rt::write_str(f, survey_rt::pdf_number(points[i].x));
    survey_rt::write_char(f, ' ');
    survey_rt::write_str(f, survey_rt::pdf_number(points[i].y));
  }
  if (closed) survey_rt::write_char(f, 'Z');
}

}  // namespace

double text_length(const Text& t) { return survey_rt::font_width(t.font, survey_rt::win_ansi(t.text)) * t.size; }

void write_pdf_page(survey_rt::PdfDocument& doc, const Page& page) {
  PdfPen pen;
  pen.page = survey_rt::pdf_page_of(page.width, page.height);
  for (const Item& item : page.items) {
    if (const Lines* l = std::get_if<Lines>(&item)) {
      pen.ink(l->ink);
      for (const std::vector<Pt>& line : l->lines) {
        if (line.size() < 2) continue;
        pen.path(line, l->closed);
        survey_rt::pdf_stroke(pen.page);
      }
    } else if (const Area* a = std::get_if<Area>(&item)) {
      if (a->corners.size() < 3) continue;
      pen.fill_colour(a->fill);
      if (a->outlined) pen.ink(a->ink);
      pen.path(a->corners, true);
      if (a->outlined)
        survey_rt::pdf_fill_stroke(pen.page);
      else
        survey_rt::pdf_fill(pen.page);
    } else if (const Text* t = std::get_if<Text>(&item)) {
      pen.fill_colour(t->colour);
      const Pt start = text_start(*t);
      survey_rt::pdf_text(pen.page, t->font, t->size, start.x, pen.y(start.y), t->angle, survey_rt::win_ansi(t->text));
    } else if (const Clip* c = std::get_if<Clip>(&item)) {
      survey_rt::pdf_save(pen.page);
      survey_rt::pdf_clip(pen.page, c->left, pen.y(c->top + c->height), c->width, c->height);
    } else {
      survey_rt::pdf_restore(pen.page);
      pen.known = false;
    }
  }
  survey_rt::pdf_page(doc, pen.page);
}

void write_svg_page(survey_rt::TextFile& f, const Page& page) {
  using survey_rt::pdf_number;
  using survey_rt::write_str;
  survey_rt::svg_begin_mm(f, page.width, page.height);
  write_str(f, "<g font-family=\"Helvetica, Arial, sans-serif\">");
  survey_rt::end_line(f);
  int clips = 0;
  for (const Item& item : page.items) {
    if (const Lines* l = std::get_if<Lines>(&item)) {
      bool open = false;
      for (const std::vector<Pt>& line : l->lines) {
        if (line.size() < 2) continue;
        if (!open) write_str(f, "<path fill=\"none\" " + ink_attrs(l->ink) + " d=\"");
        open = true;
        svg_path_data(f, line, l->closed);
        survey_rt::end_line(f);
      }
      if (open) write_str(f, "\"/>");
    } else if (const Area* a = std::get_if<Area>(&item)) {
      if (a->corners.size() < 3) continue;
      write_str(f, "<path fill=\"" + hex(a->fill) + "\"" + (a->outlined ? " " + ink_attrs(a->ink) : "") + " d=\"");
      svg_path_data(f, a->corners, true);
      write_str(f, "\"/>");
    } else if (const Text* t = std::get_if<Text>(&item)) {
      write_str(f, "<text x=\"" + pdf_number(t->at.x) + "\" y=\"" + pdf_number(t->at.y) + "\" font-size=\"" +
                       pdf_number(t->size) + "\" fill=\"" + hex(t->colour) + "\"");
      if (t->font == survey_rt::PdfFont::bold) write_str(f, " font-weight=\"bold\"");
      if (t->anchor != Anchor::start)
        write_str(f, t->anchor == Anchor::middle ? " text-anchor=\"middle\"" : " text-anchor=\"end\"");
      if (t->angle != 0)
        write_str(f, " transform=\"rotate(" + pdf_number(-t->angle) + " " + pdf_number(t->at.x) + " " +
                         pdf_number(t->at.y) + ")\"");
      write_str(f, ">" + survey_rt::xml_text(t->text) + "</text>");
    } else if (const Clip* c = std::get_if<Clip>(&item)) {
      const std::string id = "map" + std::to_string(++clips);
      write_str(f, "<clipPath id=\"" + id + "\"><rect x=\"" + pdf_number(c->left) + "\" y=\"" + pdf_number(c->top) +
                       "\" width=\"" + pdf_number(c->width) + "\" height=\"" + pdf_number(c->height) +
                       "\"/></clipPath><g clip-path=\"url(#" + id + ")\">");
    } else {
      write_str(f, "</g>");
    }
    survey_rt::end_line(f);
    survey_rt::io_check();
  }
  write_str(f, "</g>");
  survey_rt::end_line(f);
  survey_rt::svg_end(f);
}

}  // namespace survey_sheet
