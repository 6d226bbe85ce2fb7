#include "pdf.h"

#include <cmath>
#include <algorithm>

#include "fixed_notation.h"
#include "stop.h"

namespace survey_rt {

namespace {

// The widths of the characters 32 to 255 of WinAnsiEncoding in thousandths
// of the font size: Adobe's published metrics of Helvetica and
// Helvetica-Bold (0 where the encoding has no character).
constexpr short kHelvetica[224] = {
    278,  278, 355, 556, 556, 889,  667, 191,  333, 333,  389, 584, 278,  333, 278, 278,  //
    556,  556, 556, 556, 556, 556,  556, 556,  556, 556,  278, 278, 584,  584, 584, 556,  //
    1015, 667, 667, 722, 722, 667,  611, 778,  722, 278,  500, 667, 556,  833, 722, 778,  //
    667,  778, 722, 667, 611, 722,  667, 944,  667, 667,  611, 278, 278,  278, 469, 556,  //
    333,  556, 556, 500, 556, 556,  278, 556,  556, 222,  222, 500, 222,  833, 556, 556,  //
    556,  556, 333, 500, 278, 556,  500, 722,  500, 500,  500, 334, 260,  334, 584, 0,    //
    556,  0,   222, 556, 333, 1000, 556, 556,  333, 1000, 667, 333, 1000, 0,   611, 0,    //
    0,    222, 222, 333, 333, 350,  556, 1000, 333, 1000, 500, 333, 944,  0,   500, 667,  //
    278,  333, 556, 556, 556, 556,  260, 556,  333, 737,  370, 556, 584,  333, 737, 333,  //
    400,  584, 333, 333, 333, 578,  537, 278,  333, 333,  365, 556, 834,  834, 834, 611,  //
    667,  667, 667, 667, 667, 667,  1000, 722, 667, 667,  667, 667, 278,  278, 278, 278,  //
    722,  722, 778, 778, 778, 778,  778, 584,  778, 722,  722, 722, 722,  667, 667, 611,  //
    556,  556, 556, 556, 556, 556,  889, 500,  556, 556,  556, 556, 278,  278, 278, 278,  //
    556,  556, 556, 556, 556, 556,  556, 584,  611, 556,  556, 556, 556,  500, 556, 500};
constexpr short kHelveticaBold[224] = {
    278, 333, 474, 556, 556, 889,  722, 238,  333, 333,  389, 584, 278,  333, 278, 278,  //
    556, 556, 556, 556, 556, 556,  556, 556,  556, 556,  333, 333, 584,  584, 584, 611,  //
    975, 722, 722, 722, 722, 667,  611, 778,  722, 278,  556, 722, 611,  833, 722, 778,  //
    667, 778, 722, 667, 611, 722,  667, 944,  667, 667,  611, 333, 278,  333, 584, 556,  //
    333, 556, 611, 556, 611, 556,  333, 611,  611, 278,  278, 556, 278,  889, 611, 611,  //
    611, 611, 389, 556, 333, 611,  556, 778,  556, 556,  500, 389, 280,  389, 584, 0,    //
    556, 0,   278, 556, 500, 1000, 556, 556,  333, 1000, 667, 333, 1000, 0,   611, 0,    //
    0,   278, 278, 500, 500, 350,  556, 1000, 333, 1000, 556, 333, 944,  0,   500, 667,  //
    278, 333, 556, 556, 556, 556,  280, 556,  333, 737,  370, 556, 584,  333, 737, 333,  //
    400, 584, 333, 333, 333, 611,  556, 278,  333, 333,  365, 556, 834,  834, 834, 611,  //
    722, 722, 722, 722, 722, 722,  1000, 722, 667, 667,  667, 667, 278,  278, 278, 278,  //
    722, 722, 778, 778, 778, 778,  778, 584,  778, 722,  722, 722, 722,  667, 667, 611,  //
    556, 556, 556, 556, 556, 556,  889, 556,  556, 556,  556, 556, 278,  278, 278, 278,  //
    611, 611, 611, 611, 611, 611,  611, 584,  611, 611,  611, 611, 611,  556, 611, 556};

// The characters of WinAnsiEncoding's bytes 128 to 159 beyond Latin-1, as
// Unicode code points (0 where the encoding has none).
constexpr char32_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a code point in WinAnsiEncoding; '?' when it has none.
char win_ansi_byte(char32_t c) {
  if (c < 0x20 || c == 0x7F) return ' ';
  if (c < 0x7F || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kWinAnsiHigh[i] == c && c != 0) return static_cast<char>(0x80 + i);
  return '?';
}

// Appends v with at most d decimals, less its trailing zeros; 0 for -0.
void append_number(std::string& out, double v, int d) {
  const std::size_t start = out.size();
  append_fixed(out, v, d);
  if (out.find('.', start) != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  if (out.compare(start, std::string::npos, "-0") == 0) out.replace(start, 2, "0");
}

void append(PdfPage& p, double v) {
  append_number(p.content, v, 3);
  p.content += ' ';
}

void put(PdfDocument& doc, std::string_view text) {
  write_str(*doc.f, text);
  io_check();
  doc.written += static_cast<std::int64_t>(text.size());
}

// Starts object n (numbered from 1 in the order written).
void begin_object(PdfDocument& doc, int n) {
  if (static_cast<int>(doc.offsets.size()) < n) doc.offsets.resize(static_cast<std::size_t>(n), -1);
  doc.offsets[static_cast<std::size_t>(n - 1)] = doc.written;
  put(doc, std::to_string(n) + " 0 obj\n");
}

// Objects 1 to 4, then two a page, then the information.
constexpr int kCatalog = 1, kPages = 2, kRegular = 3, kBold = 4, kFirstPage = 5;
int info_object(const PdfDocument& doc) { return kFirstPage + 2 * doc.pages; }

}  // namespace

std::string win_ansi(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = c < 0x80 ? 1 : c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
    bool whole = n > 0 && i + n <= utf8.size();
    char32_t code = n == 1 ? c : n == 2 ? c & 0x1f : n == 3 ? c & 0x0f : c & 0x07;
    for (std::size_t k = 1; whole && k < n; ++k) {
      const unsigned char b = static_cast<unsigned char>(utf8[i + k]);
      whole = (b & 0xc0) == 0x80;
      code = code << 6 | (b & 0x3f);
    }
    if (!whole) {
      out += '?';
      ++i;
      continue;
    }
    // Overlong forms and surrogates are no characters.
    const bool shortest = n != 3 || (code >= 0x800 && (code < 0xD800 || code > 0xDFFF));
    out += shortest && (n != 4 || (code >= 0x10000 && code <= 0x10FFFF)) ? win_ansi_byte(code) : '?';
    i += n;
  }
  return out;
}

double font_width(PdfFont font, std::string_view text) {
  const short* widths = font == PdfFont::bold ? kHelveticaBold : kHelvetica;
  long sum = 0;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 32) sum += widths[c - 32];
  }
  return static_cast<double>(sum) / 1000;
}

std::string pdf_number(double v) {
  std::string out;
  append_number(out, v, 3);
  return out;
}

std::string pdf_string(std::string_view bytes) {
  std::string out = "(";
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 32 || c > 126) {
      const char octal[] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + (c >> 3 & 7)),
                            static_cast<char>('0' + (c & 7))};
      out.append(octal, sizeof octal);
    } else {
      out += ch;
    }
  }
  return out + ")";
}

PdfPage pdf_page_of(double width_mm, double height_mm) {
  PdfPage p;
  p.width = width_mm;
  p.height = height_mm;
  // User space in millimetres: 72 / 25.4 points each.
  p.content = "2.834645669 0 0 2.834645669 0 0 cm\n";
  return p;
}

void pdf_save(PdfPage& p) { p.content += "q\n"; }
void pdf_restore(PdfPage& p) { p.content += "Q\n"; }

void pdf_clip(PdfPage& p, double x, double y, double w, double h) {
  pdf_rect(p, x, y, w, h);
  p.content += "W n\n";
}

void pdf_line_width(PdfPage& p, double mm) {
  append(p, mm);
  p.content += "w\n";
}

void pdf_round_ends(PdfPage& p, bool round) { p.content += round ? "1 J 1 j\n" : "0 J 0 j\n"; }

void pdf_dash(PdfPage& p, double on, double off) {
  if (on <= 0 || off <= 0) {
    p.content += "[] 0 d\n";
    return;
  }
  p.content += '[';
  append(p, on);
  append_number(p.content, off, 3);
  p.content += "] 0 d\n";
}

void pdf_stroke_colour(PdfPage& p, const Rgb& c) {
  append(p, c.r);
  append(p, c.g);
  append(p, c.b);
  p.content += "RG\n";
}

void pdf_fill_colour(PdfPage& p, const Rgb& c) {
  append(p, c.r);
  append(p, c.g);
  append(p, c.b);
  p.content += "rg\n";
}

void pdf_move(PdfPage& p, double x, double y) {
  append(p, x);
  append(p, y);
  p.content += "m\n";
}

void pdf_line(PdfPage& p, double x, double y) {
  append(p, x);
  append(p, y);
  p.content += "l\n";
}

void pdf_close(PdfPage& p) { p.content += "h\n"; }

void pdf_rect(PdfPage& p, double x, double y, double w, double h) {
  append(p, x);
  append(p, y);
  append(p, w);
  append(p, h);
  p.content += "re\n";
}

void pdf_stroke(PdfPage& p) { p.content += "S\n"; }
void pdf_fill(PdfPage& p) { p.content += "f\n"; }
void pdf_fill_stroke(PdfPage& p) { p.content += "B\n"; }

void pdf_text(PdfPage& p, PdfFont font, double size, double x, double y, double angle, std::string_view text) {
  p.content += font == PdfFont::bold ? "BT /F2 " : "BT /F1 ";
  append(p, size);
  p.content += "Tf ";
  if (angle == 0) {
    p.content += "1 0 0 1 ";
  } else {
    const double a = angle * 3.141592653589793 / 180;
    const double c = std::cos(a), s = std::sin(a);
    for (const double v : {c, s, -s, c}) {
      append_number(p.content, v, 5);
      p.content += ' ';
    }
  }
  append(p, x);
  append(p, y);
  p.content += "Tm ";
  p.content += pdf_string(text);
  p.content += " Tj ET\n";
}

void pdf_begin(PdfDocument& doc, TextFile& f, int pages) {
  doc.f = &f;
  doc.pages = pages;
  // A comment of bytes above 127 after the header marks the file as binary
  // for programs that carry files.
  put(doc, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  begin_object(doc, kCatalog);
  put(doc, "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  begin_object(doc, kPages);
  std::string kids;
  for (int k = 0; k < pages; ++k) {
    if (k > 0) kids += ' ';
    kids += std::to_string(kFirstPage + 2 * k);
    kids += " 0 R";
  }
  put(doc, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>\nendobj\n");
  begin_object(doc, kRegular);
  put(doc, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>\nendobj\n");
  begin_object(doc, kBold);
  put(doc, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>\nendobj\n");
}

void pdf_page(PdfDocument& doc, const PdfPage& page) {
  const int n = kFirstPage + 2 * doc.pages_written++;
  begin_object(doc, n);
  put(doc, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + pdf_number(page.width * kPointsPerMm) + " " +
               pdf_number(page.height * kPointsPerMm) + "] /Resources << /Font << /F1 " +
               std::to_string(kRegular) + " 0 R /F2 " + std::to_string(kBold) +
               " 0 R >> /ProcSet [/PDF /Text] >> /Contents " + std::to_string(n + 1) + " 0 R >>\nendobj\n");
  begin_object(doc, n + 1);
  put(doc, "<< /Length " + std::to_string(page.content.size()) + " >>\nstream\n");
  put(doc, page.content);
  put(doc, "\nendstream\nendobj\n");
}

void pdf_end(PdfDocument& doc, const PdfInfo& info) {
  const int last = info_object(doc);
  begin_object(doc, last);
  put(doc, "<< /Title " + pdf_string(info.title) + " /Producer " + pdf_string(info.producer) +
               " /CreationDate " + pdf_string("D:" + info.utc + "Z") + " >>\nendobj\n");
  const std::int64_t xref = doc.written;
  // Every entry is 20 bytes: a ten-digit offset, a five-digit generation,
  // "n" for an object in use ("f" for the free head of the list), and a
  // two-byte line end.
  std::string table = "xref\n0 " + std::to_string(last + 1) + "\n0000000000 65535 f \n";
  for (const std::int64_t offset : doc.offsets) {
    const std::string digits = std::to_string(offset);
    table += std::string(10 - std::min<std::size_t>(10, digits.size()), '0') + digits + " 00000 n \n";
  }
  put(doc, table);
  put(doc, "trailer\n<< /Size " + std::to_string(last + 1) + " /Root 1 0 R /Info " + std::to_string(last) +
               " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
}

}  // namespace survey_rt
