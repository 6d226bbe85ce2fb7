// A page of the survey sheet as what is drawn on it, in millimetres of
// paper from its top left corner (y downwards), written either as a page of
// the PDF document or as an SVG picture of the same size.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "pdf.h"
#include "text_file.h"

namespace survey_sheet {

struct Pt {
  double x = 0, y = 0;
};

// How a line is drawn: colour, width (mm), dashes (mm on, mm off; 0 for
// none), round ends and joins or square ones.
struct Ink {
  survey_rt::Rgb colour;
  double width = 0.25;
  double dash_on = 0, dash_off = 0;
  bool round = true;
};

// Lines of one ink, each open or closed.
struct Lines {
  Ink ink;
  std::vector<std::vector<Pt>> lines;
  bool closed = false;
};
// A filled shape, its outline drawn in the ink when outlined.
struct Area {
  std::vector<Pt> corners;
  survey_rt::Rgb fill;
  bool outlined = false;
  Ink ink;
};
// A text (UTF-8) of font size size (mm, the em), its baseline through at,
// which is its start, middle or end; turned by angle degrees counter-clockwise
// about at.
enum class Anchor { start, middle, end };
struct Text {
  Pt at;
  double size = 2.5;
  double angle = 0;
  survey_rt::PdfFont font = survey_rt::PdfFont::regular;
  Anchor anchor = Anchor::start;
  std::string text;
  survey_rt::Rgb colour;
};
// What follows, up to the next Unclip, is cut to the rectangle.
struct Clip {
  double left = 0, top = 0, width = 0, height = 0;
};
struct Unclip {};

using Item = std::variant<Lines, Area, Text, Clip, Unclip>;

struct Page {
  double width = 0, height = 0;
  std::vector<Item> items;
};

// The page's length of a text in its font and size, millimetres.
double text_length(const Text& t);

// The page as the next page of the document.
void write_pdf_page(survey_rt::PdfDocument& doc, const Page& page);
// The page as an SVG picture at scale: one unit a millimetre.
void write_svg_page(survey_rt::TextFile& f, const Page& page);

}  // namespace survey_sheet
