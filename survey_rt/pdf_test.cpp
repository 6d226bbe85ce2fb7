// The PDF writer: texts in WinAnsiEncoding and their widths, numbers and
// strings as the content streams write them, and a whole document read back
// through its cross-reference table (every offset at its object, every
// stream as long as its /Length). poppler reads the tools' documents in the
// end-to-end tests.
#include "pdf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "test_support.h"

namespace survey_rt {
namespace {

TEST(Pdf, WinAnsiText) {
  // (UTF-8, WinAnsiEncoding's bytes)
  const std::pair<std::string, std::string> cases[] = {
      {"Port 7 (north)", "Port 7 (north)"},
      {"27\xC2\xB0 E", "27\xB0 E"},                       // the degree sign
      {"Caf\xC3\xA9", "Caf\xE9"},                          // Latin-1
      {"\xE2\x82\xAC 5 \xE2\x80\x93 6", "\x80 5 \x96 6"},  // the euro and an en dash
      {"\xD0\x9F\xD0\xBE", "??"},                          // Cyrillic has no byte
      {"a\xFF" "b", "a?b"},                                // no part of a UTF-8 character
      {"\xC3", "?"},                                       // a character cut short
      {"\xE0\x80\xAF", "?"},                               // an overlong form
      {"tab\there", "tab here"},
  };
  for (const auto& [utf8, want] : cases) EXPECT_EQ(win_ansi(utf8), want) << utf8;
}

TEST(Pdf, FontWidths) {
  // (font, text, width at size 1)
  const struct {
    PdfFont font;
    const char* text;
    double width;
  } cases[] = {{PdfFont::regular, "12", 1.112},    {PdfFont::regular, "12.3", 1.946},
               {PdfFont::regular, "Scale", 2.501}, {PdfFont::bold, "Scale", 2.613},
               {PdfFont::regular, "\xE9", 0.556},  {PdfFont::bold, "Wi", 1.222},
               {PdfFont::regular, "", 0}};
  for (const auto& c : cases) EXPECT_NEAR(font_width(c.font, c.text), c.width, 1e-12) << c.text;
}

TEST(Pdf, NumbersAndStrings) {
  const std::pair<double, std::string> numbers[] = {{0, "0"},           {-0.0, "0"},        {-0.0002, "0"},
                                                    {1.5, "1.5"},       {2.0004, "2"},      {-12.25, "-12.25"},
                                                    {1234.5678, "1234.568"}, {841, "841"}, {0.1, "0.1"}};
  for (const auto& [v, text] : numbers) EXPECT_EQ(pdf_number(v), text) << v;
  const std::pair<std::string, std::string> strings[] = {
      {"12", "(12)"}, {"a(b)c\\", "(a\\(b\\)c\\\\)"}, {"27\xB0", "(27\\260)"}, {"x\ny", "(x\\012y)"}};
  for (const auto& [bytes, text] : strings) EXPECT_EQ(pdf_string(bytes), text) << bytes;
}

class PdfFile : public FolderTest {};

TEST_F(PdfFile, TheCrossReferenceTableFindsEveryObject) {
  TextFile f;
  create_output(f, path("a.pdf"));
  io_check();
  PdfDocument doc;
  pdf_begin(doc, f, 2);
  PdfPage a4 = pdf_page_of(210, 297);
  pdf_line_width(a4, 0.25);
  pdf_rect(a4, 10, 10, 190, 277);
  pdf_stroke(a4);
  pdf_text(a4, PdfFont::bold, 5, 20, 20, 0, "Sheet (1) \\ 27\xB0");
  pdf_page(doc, a4);
  PdfPage a3 = pdf_page_of(420, 297);
  pdf_text(a3, PdfFont::regular, 3, 100, 100, 30, "12");
  pdf_page(doc, a3);
  pdf_end(doc, {"Title", "pdf_test", "20260102030405"});
  close_file(f);
  io_check();

  std::ifstream in(path("a.pdf"), std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string pdf = buffer.str();
  ASSERT_EQ(pdf.substr(0, 9), "%PDF-1.4\n");
  ASSERT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");

  const std::size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  // 2 catalog and page tree, 2 fonts, 2 x 2 pages and contents, the information.
  const int objects = 9;
  ASSERT_EQ(pdf.compare(xref + 5, 5, "0 10\n"), 0);
  const std::size_t entries = xref + 10;
  ASSERT_EQ(pdf.substr(entries, 20), "0000000000 65535 f \n");
  for (int n = 1; n <= objects; ++n) {
    const std::string entry = pdf.substr(entries + 20 * n, 20);
    ASSERT_TRUE(std::regex_match(entry, std::regex("[0-9]{10} 00000 n \n"))) << entry;
    const std::size_t at = std::stoul(entry.substr(0, 10));
    EXPECT_EQ(pdf.compare(at, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0) << n;
  }
  EXPECT_EQ(pdf.compare(entries + 20 * (objects + 1), 8, "trailer\n"), 0);
  EXPECT_NE(pdf.find("/Size 10 /Root 1 0 R /Info 9 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("/CreationDate (D:20260102030405Z)"), std::string::npos);

  // Page sizes in points, and each stream exactly its /Length long.
  EXPECT_NE(pdf.find("/MediaBox [0 0 595.276 841.89]"), std::string::npos);
  EXPECT_NE(pdf.find("/MediaBox [0 0 1190.551 841.89]"), std::string::npos);
  const std::regex stream_head("<< /Length ([0-9]+) >>\nstream\n");
  int streams = 0;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), stream_head); it != std::sregex_iterator(); ++it) {
    const std::size_t start = static_cast<std::size_t>(it->position() + it->length());
    const std::size_t length = std::stoul((*it)[1]);
    EXPECT_EQ(pdf.compare(start + length, 11, "\nendstream\n"), 0);
    ++streams;
  }
  EXPECT_EQ(streams, 2);
  EXPECT_NE(pdf.find("BT /F2 5 Tf 1 0 0 1 20 20 Tm (Sheet \\(1\\) \\\\ 27\\260) Tj ET"), std::string::npos);
  EXPECT_NE(pdf.find("BT /F1 3 Tf 0.86603 0.5 -0.5 0.86603 100 100 Tm (12) Tj ET"), std::string::npos);
}

}  // namespace
}  // namespace survey_rt
