// Unit tests of the line search of the DXF scan: find_line must stop after
// the line that at_end and take_line, line by line, stop after, wherever the
// buffer is filled again; line_before_reads must tell the line before it.
#include "line_search.h"

#include <gtest/gtest.h>

#include <string>

#include "stop.h"
#include "test_support.h"

namespace survey_rt {
namespace {

using LineSearchTest = FileTest;

TEST_F(LineSearchTest, FindLineStopsWhereTakingLinesFindsIt) {
  // Lines that read " 10", "POINT", "x" or "AcDbPoint", among lines that nearly do, in
  // mixed lines after every kind of line end, and empty lines; the search
  // must stop after the same line as at_end and take_line, line by line, do.
  for (std::size_t cr_before : {1, 2}) {
    std::string text = mixed_lines(41, 400000, cr_before);
    std::string marked;
    std::uint64_t state = 99;
    static const char* const kLines[] = {" 10\r\n", "POINT\n", "x\r", " 10 \r\n", "POINTS\n",
                                         " 1\n", "10\n", "point\r\n", "AcDbPoint\r\n", "AcDbPoints\r"};
    for (std::size_t i = 0; i < text.size(); ++i) {
      marked += text[i];
      const bool line_start = text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
      if (line_start) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        if ((state >> 33) % 5 == 0) marked += kLines[(state >> 40) % 10];
      }
    }
    // Byte 26 ends the file: the lines after it, far from the end of the
    // buffer, are not there.
    marked += " 10\r\nPOINT\x1a" "POINT\r\n";
    for (int i = 0; i < 300; ++i) marked += "x\r\n 10\r\nPOINT\n";
    TextFile a, b;
    open_bytes(a, marked);
    open_bytes(b, marked);
    int found = 0;
    for (int round = 0;; ++round) {
      // "": an empty line; "AcDbPoint": a text too long to compare in one word
      static const char* const kTexts[] = {" 10", "POINT", "x", "", "AcDbPoint"};
      const char* want_text = kTexts[round % 5];
      bool want = false;
      while (!at_end(b)) {
        if (take_line(b) == want_text) {
          want = true;
          break;
        }
      }
      ASSERT_EQ(find_line(a, want_text), want) << "round " << round;
      ASSERT_EQ(take_line(a), take_line(b)) << "round " << round;  // the same line comes next
      if (!want) break;
      ++found;
    }
    EXPECT_GT(found, 200);
    EXPECT_TRUE(at_end(a));
    EXPECT_EQ(io_result(), 0);
  }
}

TEST_F(LineSearchTest, TheLineBeforeAFoundLineIsToldAcrossBufferFills) {
  // A line 0 (right-aligned, unpadded, with tabs or trailing blanks, or
  // another line) and "POINT" wherever the first 128 KiB read end, after each
  // kind of line end; and "POINT" as the first line.
  const std::string pad(kMaxLineBefore - 2, ' ');
  const std::pair<std::string, bool> zeros[] = {{"  0", true},      {"0", true},   {"\t0 \t", true},
                                                {" 0" + pad, true}, {" 0" + pad + "  ", false},
                                                {" 10", false},     {"00", false}, {"0 0", false}};
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    for (const auto& [zero, reads] : zeros) {
      for (std::size_t k = 1; k < 24; ++k) {
        TextFile f;
        open_bytes(f, std::string((1 << 17) - k, 'a') + end + zero + end + "POINT" + end + "x" + end);
        ASSERT_TRUE(find_line(f, "POINT"));
        EXPECT_EQ(line_before_reads(f, "POINT", "0"), reads) << k << " [" << zero << "]";
        EXPECT_EQ(take_line(f), "x");
      }
    }
    TextFile f;
    open_bytes(f, "POINT" + end + "0" + end + "POINT" + end);
    EXPECT_TRUE(find_line(f, "POINT") && !line_before_reads(f, "POINT", "0"));
    EXPECT_TRUE(find_line(f, "POINT") && line_before_reads(f, "POINT", "0"));
  }
}

}  // namespace
}  // namespace survey_rt
