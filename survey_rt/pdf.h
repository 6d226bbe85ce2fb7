// PDF documents to plot at exact scale: pages of lines, fills and text, in
// the PDF 1.4 file layout that every viewer and plotter driver reads. The
// file is written by hand as the DXF and SVG files are: a header, the
// objects one after the other (the catalog, the page tree, the two fonts,
// the document's information, each page and its content stream), the
// cross-reference table of their byte offsets and the trailer. Content
// streams are not compressed. Text is set in the standard fonts Helvetica and
// Helvetica-Bold, which every PDF reader has, so no font is embedded; their
// characters are those of WinAnsiEncoding.
//
// A page is drawn in millimetres from its lower left corner: its content
// stream begins by scaling the user space (points) to millimetres.
//
//   PdfDocument doc;
//   pdf_begin(doc, f, pages);     // the header, the catalog, the page tree, the fonts
//   pdf_page(doc, page);          // each page in turn
//   pdf_end(doc, info);           // the information, the cross-reference table, the trailer
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text_file.h"

namespace survey_rt {

constexpr double kPointsPerMm = 72 / 25.4;

enum class PdfFont : std::uint8_t { regular, bold };  // Helvetica, Helvetica-Bold

// The text of UTF-8 bytes as WinAnsiEncoding's bytes: Latin-1's characters,
// the euro, dashes, quotes, the bullet and the ellipsis; any other character
// and any byte that is no part of a UTF-8 character becomes '?', a control
// character a blank.
std::string win_ansi(std::string_view utf8);
// The width of a text of WinAnsiEncoding's bytes in the font, for a font size
// of 1 (the fonts' published metrics).
double font_width(PdfFont font, std::string_view text);
// The height of capital letters and figures in the font, for a font size of
// 1 (Helvetica's and Helvetica-Bold's cap height, 0.718).
constexpr double kCapHeight = 0.718;

// A number in a content stream or dictionary: at most three decimals, no
// trailing zeros, no "-0".
std::string pdf_number(double v);
// A literal string: the bytes in parentheses, with "(", ")" and "\" escaped
// and every byte outside the printable ASCII characters in octal.
std::string pdf_string(std::string_view bytes);

// A page: its size in millimetres and its content stream, made by the
// functions below (coordinates in millimetres from the lower left corner).
struct PdfPage {
  double width = 0, height = 0;
  std::string content;
};
PdfPage pdf_page_of(double width_mm, double height_mm);

// The graphics state: saved and restored around a part of the drawing.
void pdf_save(PdfPage& p);
void pdf_restore(PdfPage& p);
// Clips what follows (until the restore) to the rectangle.
void pdf_clip(PdfPage& p, double x, double y, double w, double h);
// The line width in millimetres, round or butt caps and joins, the dash
// pattern (on and off in millimetres; empty for a solid line).
void pdf_line_width(PdfPage& p, double mm);
void pdf_round_ends(PdfPage& p, bool round);
void pdf_dash(PdfPage& p, double on, double off);
// Colours of lines (stroke) and of fills, red, green and blue from 0 to 1.
struct Rgb {
  double r = 0, g = 0, b = 0;
};
void pdf_stroke_colour(PdfPage& p, const Rgb& c);
void pdf_fill_colour(PdfPage& p, const Rgb& c);
// A path: move to a point, lines to the next ones, close it; then stroke it,
// fill it, or both.
void pdf_move(PdfPage& p, double x, double y);
void pdf_line(PdfPage& p, double x, double y);
void pdf_close(PdfPage& p);
void pdf_rect(PdfPage& p, double x, double y, double w, double h);
void pdf_stroke(PdfPage& p);
void pdf_fill(PdfPage& p);
void pdf_fill_stroke(PdfPage& p);
// A text of WinAnsiEncoding's bytes with the start of its baseline at (x, y),
// size millimetres the font size, turned by angle degrees counter-clockwise
// about its start, filled in the fill colour.
void pdf_text(PdfPage& p, PdfFont font, double size, double x, double y, double angle, std::string_view text);

// A document being written: its file, the bytes written so far and the byte
// offset of every object (object n at offsets[n - 1]).
struct PdfDocument {
  TextFile* f = nullptr;
  std::int64_t written = 0;
  std::vector<std::int64_t> offsets;
  int pages = 0, pages_written = 0;
};

// The document's information: its title, the program that made it and the
// date and time of its making, UTC, as "YYYYMMDDHHmmSS".
struct PdfInfo {
  std::string title;  // WinAnsiEncoding's bytes
  std::string producer;
  std::string utc;
};

// The header and the objects before the pages: the catalog, the page tree
// of that many pages, the fonts.
void pdf_begin(PdfDocument& doc, TextFile& f, int pages);
// The next page and its content stream.
void pdf_page(PdfDocument& doc, const PdfPage& page);
// The information, the cross-reference table and the trailer.
void pdf_end(PdfDocument& doc, const PdfInfo& info);

}  // namespace survey_rt
