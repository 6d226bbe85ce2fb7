// The ESRI ASCII grid: the header's decimals from the cell size, and rows
// with the missing cells as -9999.
#include "ascii_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"

namespace surface {
namespace {

using AsciiGrid = survey_rt::FolderTest;

TEST_F(AsciiGrid, HeaderWithTheCellSizesDecimalsAndRowsToTheMillimetre) {
  struct Case {
    Grid grid;
    std::vector<std::vector<double>> rows;
    std::int64_t with_value;
    std::string bytes;
  };
  const double none = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {{1, 500, -20, 2, 1}, {{-8.5, none}}, 1,
       "ncols         2\r\nnrows         1\r\nxllcorner     500\r\nyllcorner     -20\r\ncellsize      1\r\n"
       "NODATA_value  -9999\r\n-8.500 -9999\r\n"},
      {{0.25, 100.5, 7.75, 1, 2}, {{0.0004}, {-0.0006}}, 2,
       "ncols         1\r\nnrows         2\r\nxllcorner     100.50\r\nyllcorner     7.75\r\ncellsize      0.25\r\n"
       "NODATA_value  -9999\r\n0.000\r\n-0.001\r\n"},
      {{1.1234567, 1.1234567 * 3, 0, 3, 1}, {{none, none, 1234.5678}}, 1,
       "ncols         3\r\nnrows         1\r\nxllcorner     3.3703701\r\nyllcorner     0.0000000\r\n"
       "cellsize      1.1234567\r\nNODATA_value  -9999\r\n-9999 -9999 1234.568\r\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string p = path("grid" + std::to_string(++n) + ".asc");
    survey_rt::TextFile f;
    survey_rt::create_output(f, p);
    write_grid_header(f, c.grid);
    std::int64_t with_value = 0;
    for (const std::vector<double>& row : c.rows) with_value += write_grid_row(f, row);
    survey_rt::close_file(f);
    std::ifstream in(p, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes) << n;
    EXPECT_EQ(with_value, c.with_value) << n;
  }
}

}  // namespace
}  // namespace surface
