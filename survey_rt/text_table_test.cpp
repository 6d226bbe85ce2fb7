// The columns of a text report stay apart for any figure: the widths grow
// with the widest cell, a blank always before every column after the first.
#include "text_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"

namespace survey_rt {
namespace {

class TextTableTest : public FolderTest {
 protected:
  std::string table(const std::vector<TextColumn>& columns, const std::vector<std::vector<std::string>>& rows) {
    TextFile f;
    create_output(f, path("table.txt"));
    write_table(f, columns, rows);
    close_file(f);
    std::ifstream in(dir_ / "table.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(TextTableTest, ColumnsStayApartForAnyFigure) {
  // A label in 12, two figures right-aligned in 8 each.
  const std::vector<TextColumn> columns = {{12, false}, {8, true}, {8, true}};
  struct Case {
    const char* what;
    std::vector<std::vector<std::string>> rows;
    std::string text;
  };
  const Case cases[] = {
      {"figures that fit", {{"", "area", "volume"}, {"Above", "12.50", "3.25"}},
       "                area  volume\r\n"
       "Above          12.50    3.25\r\n"},
      {"a figure as wide as its column: the column grows by a blank",
       {{"Net", "", "12345.78"}, {"Above", "1.00", "2.00"}},
       "Net                  12345.78\r\n"
       "Above           1.00     2.00\r\n"},
      {"two wide figures side by side", {{"Level", "50000000.00", "10000000000.00"}},
       "Level        50000000.00 10000000000.00\r\n"},
      {"a label longer than its column", {{"A label of twenty one", "1.00"}, {"B", "2.00"}},
       "A label of twenty one    1.00\r\n"
       "B                        2.00\r\n"},
      {"empty cells: blank in the middle, nothing at the end", {{"Common", "7.00", ""}, {"", "", ""}, {"Net", "", "-1.00"}},
       "Common          7.00\r\n"
       "\r\n"
       "Net                    -1.00\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(table(columns, c.rows), c.text) << c.what;
}

TEST_F(TextTableTest, ALeftAlignedColumnAfterAFigureStartsAfterABlank) {
  const std::vector<TextColumn> columns = {{4, true}, {0, false}, {3, true}};
  EXPECT_EQ(table(columns, {{"1234", "note", "9"}, {"1", "x", "10"}}),
            "1234 note  9\r\n"
            "   1 x    10\r\n");
}

}  // namespace
}  // namespace survey_rt
