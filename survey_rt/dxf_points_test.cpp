// Unit tests of the DXF POINT scan: drawings written by a real DXF library in
// several DXF versions, and small hand-made files for the rules of the line
// scan (every "POINT" line starts a point, the code lines are searched in
// order and only exactly, a POINT entity ends at the next group code 0, the
// end of the file during a search drops the point).
#include "dxf_points.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console.h"
#include "test_support.h"

namespace survey_rt {
namespace {

namespace fs = std::filesystem;

using Point = std::vector<double>;

constexpr std::string_view kXY[] = {" 10", " 20"};
constexpr std::string_view kXYZ[] = {" 10", " 20", " 30"};

const fs::path kDrawings = fs::path(SURVEY_TEST_DATA) / "dxf";

std::vector<Point> scan(TextFile& f, std::span<const std::string_view> codes) {
  std::vector<Point> found;
  scan_dxf_points(f, codes, [&](std::span<const double> v) { found.emplace_back(v.begin(), v.end()); });
  return found;
}

std::vector<Point> scan_path(const fs::path& p, std::span<const std::string_view> codes) {
  TextFile f;
  open_input(f, p.string());
  EXPECT_EQ(io_result(), 0) << p;
  std::vector<Point> found = scan(f, codes);
  close_file(f);
  EXPECT_EQ(io_result(), 0);
  return found;
}

// The first points of the profile drawn in the library-made drawings
// (distance along the track, height), as their text shows them.
const Point kProfileStart[] = {{0.0, -12.5}, {1.3285, -12.83}, {2.6571, -13.16}, {3.9856, -13.48}};

class DxfScanTest : public FolderTest {
 protected:
  // Writes the lines, each ended by LF, to a new file and scans it.
  std::vector<Point> scan_lines(std::initializer_list<std::string_view> lines,
                                std::span<const std::string_view> codes, std::string_view end = "\n") {
    std::string bytes;
    for (std::string_view l : lines) {
      bytes.append(l);
      bytes.append(end);
    }
    return scan_bytes(bytes, codes);
  }
  std::vector<Point> scan_bytes(std::string_view bytes, std::span<const std::string_view> codes) {
    const fs::path p = dir_ / (std::to_string(++files_) + ".dxf");
    std::ofstream(p, std::ios::binary) << bytes;
    return scan_path(p, codes);
  }
  int files_ = 0;
};

TEST_F(DxfScanTest, ProfileDrawingsOfEveryVersionGiveTheirPointsInDrawingOrder) {
  const std::vector<Point> r12 = scan_path(kDrawings / "profile_r12.dxf", kXY);
  const std::vector<Point> r2000 = scan_path(kDrawings / "profile_r2000.dxf", kXY);
  ASSERT_EQ(r12.size(), 40u);
  for (std::size_t i = 0; i < std::size(kProfileStart); ++i) EXPECT_EQ(r12[i], kProfileStart[i]) << i;
  EXPECT_EQ(r12.back(), (Point{51.8128, -9.71}));
  // Handles, owners and subclass lines between the entity and its codes are
  // passed over.
  EXPECT_EQ(r2000, r12);
  // With the height wanted, every point's own " 30" line is found.
  const std::vector<Point> r2000z = scan_path(kDrawings / "profile_r2000.dxf", kXYZ);
  ASSERT_EQ(r2000z.size(), 40u);
  for (std::size_t i = 0; i < r2000z.size(); ++i)
    EXPECT_EQ(r2000z[i], (Point{r12[i][0], r12[i][1], 0.0})) << i;

  // Points 1, 6, 7, 18 and 40 were deleted from the cleaned drawing.
  std::vector<Point> expected;
  for (std::size_t i = 0; i < r12.size(); ++i)
    if (i != 0 && i != 5 && i != 6 && i != 17 && i != 39) expected.push_back(r12[i]);
  EXPECT_EQ(scan_path(kDrawings / "profile_cleaned_r2010.dxf", kXY), expected);

  EXPECT_TRUE(scan_path(kDrawings / "no_points_r2000.dxf", kXYZ).empty());
}

TEST_F(DxfScanTest, EveryLineReadingPointStartsAPointWhereverItStands) {
  // The library-made drawing with the layer POINT: the layer's table entry
  // starts a point that takes the first coordinates after it (a block's base
  // point 0,0,0); each POINT entity on that layer gives its own point, its
  // layer line passed over by the search for " 10"; the LINE on layer POINT
  // gives its start point 2,2,0; the LINE on layer 0 and the TEXT give none.
  const std::vector<Point> layer = scan_path(kDrawings / "profile_point_layer_r2018.dxf", kXYZ);
  const std::vector<Point> profile = scan_path(kDrawings / "profile_r12.dxf", kXY);
  ASSERT_EQ(layer.size(), 12u);
  EXPECT_EQ(layer.front(), (Point{0.0, 0.0, 0.0}));
  for (std::size_t i = 0; i < 10; ++i)
    EXPECT_EQ(layer[i + 1], (Point{profile[i][0], profile[i][1], 0.0})) << i;
  EXPECT_EQ(layer.back(), (Point{2.0, 2.0, 0.0}));

  // Hand-made: a POINT entity on a layer named POINT is one point.
  EXPECT_EQ(scan_lines({"  0", "POINT", "  8", "POINT", " 10", "1.5", " 20", "2.5", " 30", "3.5", "  0", "EOF"},
                       kXYZ),
            (std::vector<Point>{{1.5, 2.5, 3.5}}));
  // A LINE on layer POINT is a point at the LINE's start.
  EXPECT_EQ(scan_lines({"  0", "LINE", "  8", "POINT", " 10", "4.0", " 20", "5.0", " 30", "0.0", " 11", "9.0",
                        " 21", "9.0", " 31", "0.0", "  0", "EOF"},
                       kXY),
            (std::vector<Point>{{4.0, 5.0}}));
  // Only the whole line "POINT", in capitals, counts.
  EXPECT_TRUE(scan_lines({"  0", "point", " 10", "1", " 20", "2", "  0", " POINT", " 10", "1", " 20", "2", "  0",
                          "POINT ", " 10", "1", " 20", "2", "  0", "POINTS", " 10", "1", " 20", "2"},
                         kXY)
                  .empty());
}

TEST_F(DxfScanTest, CodeLinesAreSearchedInOrderAndOnlyExactly) {
  // A " 20" before the " 10" is passed over; so are codes without their
  // leading blank and codes with more blanks.
  EXPECT_EQ(scan_lines({"POINT", " 20", "9", "10", "8", "  10", "7", " 10", "1", "20", "6", " 20", "2", "  0"}, kXY),
            (std::vector<Point>{{1, 2}}));
  // A "POINT" line inside a code search does not start another point: the
  // search goes on and takes the next point's codes.
  EXPECT_EQ(scan_lines({"POINT", "  8", "0", "  0", "POINT", " 10", "1", " 20", "2", "  0", "POINT", " 10", "3",
                        " 20", "4"},
                       kXY),
            (std::vector<Point>{{1, 2}, {3, 4}}));
  // Outside an entity (no line 0 before the POINT) a code without its blank
  // is never recognised: the point takes the next point's value for it.
  EXPECT_EQ(scan_lines({"8", "POINT", "10", "1", " 20", "2", "  0", "POINT", " 10", "3", " 20", "4"}, kXY),
            (std::vector<Point>{{3, 4}}));
}

TEST_F(DxfScanTest, APointEntityIsReadAsCodeAndValuePairsWhateverTheCodesPadding) {
  struct Case {
    std::string drawing;
    std::vector<Point> xyz;  // with the code list of dxf2txt
    const char* what;
  };
  const std::string end = "0\nEOF\n";
  const Case cases[] = {
      {"0\nPOINT\n8\n0\n10\n1\n20\n2\n30\n3\n" + end, {{1, 2, 3}}, "unpadded codes"},
      {"0\r\nPOINT\r\n5\r\n2F\r\n10\r\n1\r\n20\r\n2\r\n0\r\nEOF\r\n", {{1, 2, 0}}, "unpadded, CR LF, no z"},
      {"\t0 \nPOINT\n10\t\n1\n 20  \n2\n\t30\n3\n \t0\nEOF\n", {{1, 2, 3}}, "tabs and trailing blanks"},
      // Values that read 10, 20 or 0 are values: the handle 10, the colour
      // 20, the layer 0 and a layer named " 10".
      {"0\nPOINT\n5\n10\n62\n 20\n8\n0\n10\n1\n20\n2\n30\n3\n" + end, {{1, 2, 3}}, "a handle and a colour 10, 20"},
      {"  0\nPOINT\n  8\n 10\n 10\n1\n 20\n2\n  0\nEOF\n", {{1, 2, 0}}, "a layer named \" 10\""},
      {"0\nPOINT\n8\n 0\n10\n1\n20\n2\n" + end, {{1, 2, 0}}, "a layer named \" 0\" does not end it"},
      // The entity ends at the next code 0: without x or y it is dropped.
      {"0\nPOINT\n10\n1\n0\nPOINT\n10\n3\n20\n4\n" + end, {{3, 4, 0}}, "no y: dropped"},
      {"0\nPOINT\n20\n2\n30\n3\n0\nLINE\n10\n5\n20\n6\n" + end, {}, "no x: dropped, a LINE is no point"},
      // Codes 10, 20, 30 are searched for in order, as before.
      {"0\nPOINT\n20\n9\n10\n1\n20\n2\n" + end, {{1, 2, 0}}, "a 20 before the 10 passed over"},
      // A POINT line after another line searches on line by line, exact codes only.
      {"0\nLINE\n8\nPOINT\n10\n7\n 10\n4\n 20\n5\n 30\n6\n" + end, {{4, 5, 6}}, "a layer POINT"},
      {"0 \nPOINT\n10\n1\n20\n2\n30\n3\n  0  \nPOINT\n 10\n4\n 20\n5\n 30\n6\n" + end,
       {{1, 2, 3}, {4, 5, 6}},
       "padded and unpadded entities mixed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scan_bytes(c.drawing, kXYZ), c.xyz) << c.what;
    std::vector<Point> xy;
    for (const Point& p : c.xyz) xy.push_back({p[0], p[1]});
    EXPECT_EQ(scan_bytes(c.drawing, kXY), xy) << c.what;
  }
}

// A POINT entity as a 2D CAD program writes it (a handle, subclass markers),
// then the codes and values given.
std::string cad_point(std::string_view codes_and_values) {
  return "  0\nPOINT\n  5\n2F\n100\nAcDbEntity\n  8\n0\n100\nAcDbPoint\n" + std::string(codes_and_values);
}

TEST_F(DxfScanTest, APointEntityEndsAtTheNextGroupCodeZero) {
  const std::string a = cad_point(" 10\n1\n 20\n2\n"), b = cad_point(" 10\n3\n 20\n4\n 30\n5\n"),
                    c = cad_point(" 10\n6\n 20\n7\n 30\n8\n"), end = "  0\nEOF\n";
  struct Case {
    std::string drawing;
    std::span<const std::string_view> codes;
    std::vector<Point> points;
  };
  const Case cases[] = {
      {a + b + c + end, kXYZ, {{1, 2, 0}, {3, 4, 5}, {6, 7, 8}}},  // no z: z 0, the next z its own
      {a + b + c + end, kXY, {{1, 2}, {3, 4}, {6, 7}}},
      {cad_point(" 10\n-9.800000000000001\n 20\n0\n") + end, kXYZ, {{-9.800000000000001, 0, 0}}},
      {cad_point(" 10\n1\n") + b + end, kXYZ, {{3, 4, 5}}},           // no y: dropped
      {cad_point(" 20\n2\n 30\n9\n") + a + end, kXY, {{1, 2}}},     // no x: dropped
      {a, kXYZ, {}},  // the file ends before the next "  0"
      // "POINT" after another line than "  0" (a LINE's layer) searches on.
      {"  0\nLINE\n  8\nPOINT\n 10\n4\n 20\n5\n" + c + end, kXYZ, {{4, 5, 8}}},
  };
  for (const Case& c : cases) EXPECT_EQ(scan_bytes(c.drawing, c.codes), c.points) << c.drawing;
}

TEST_F(DxfScanTest, ValueLinesAndLineEnds) {
  // Blanks before the number are skipped, whatever follows it after a blank
  // is dropped; CR LF and lone CR line ends read like LF.
  EXPECT_EQ(scan_lines({"POINT", " 10", "   -1.25 comment", " 20", "\t2E3", " 30", "0 0 0"}, kXYZ),
            (std::vector<Point>{{-1.25, 2000, 0}}));
  const std::vector<Point> one_two{{1, 2}};
  EXPECT_EQ(scan_lines({"  0", "POINT", " 10", "1", " 20", "2", "  0", "EOF"}, kXY, "\r\n"), one_two);
  EXPECT_EQ(scan_lines({"  0", "POINT", " 10", "1", " 20", "2", "  0", "EOF"}, kXY, "\r"), one_two);
  // The last value may end the file without a line end.
  EXPECT_EQ(scan_bytes("  0\nPOINT\n 10\n1\n 20\n2", kXY), one_two);
  // An empty file, or one of empty lines, has no point.
  EXPECT_TRUE(scan_bytes("", kXY).empty());
  EXPECT_TRUE(scan_bytes("\n\n\n", kXY).empty());
}

TEST_F(DxfScanTest, TheEndOfTheFileDuringACodeSearchDropsThePointQuietly) {
  const std::vector<Point> one_two{{1, 2}};
  // Cut short right after "POINT", with or without its line end.
  EXPECT_EQ(scan_bytes("POINT\n 10\n1\n 20\n2\n  0\nPOINT\n", kXY), one_two);
  EXPECT_EQ(scan_bytes("POINT\n 10\n1\n 20\n2\n  0\nPOINT", kXY), one_two);
  // Cut short after the first value, and a missing " 30" in the last point.
  EXPECT_EQ(scan_bytes("POINT\n 10\n1\n 20\n2\nPOINT\n 10\n3\n", kXY), one_two);
  EXPECT_EQ(scan_bytes("POINT\n 10\n1\n 20\n2\n 30\n7\nPOINT\n 10\n3\n 20\n4\n  0\nEOF\n", kXYZ),
            (std::vector<Point>{{1, 2, 7}}));
  // Codes not right-aligned in three characters are never found after a
  // POINT line that starts no entity; in an entity the file ends the search.
  EXPECT_TRUE(scan_bytes("POINT\n10\n1\n20\n2\n30\n3\n", kXYZ).empty());
  EXPECT_TRUE(scan_bytes("0\nPOINT\n8\n0\n10\n1\n", kXY).empty());
}

TEST_F(DxfScanTest, EachPointIsHandedOverBeforeTheNextLineIsRead) {
  TextFile f;
  const fs::path p = dir_ / "order.dxf";
  std::ofstream(p, std::ios::binary) << "POINT\n 10\n1\n 20\n2\nnext line\nPOINT\n 10\n3\n 20\n4\nlast line\n";
  open_input(f, p.string());
  ASSERT_EQ(io_result(), 0);
  std::vector<std::string> after;
  scan_dxf_points(f, kXY, [&](std::span<const double>) {
    // What the file holds next is the line after the point's last value.
    after.push_back(read_line(f));
  });
  EXPECT_EQ(after, (std::vector<std::string>{"next line", "last line"}));
  close_file(f);
}

// A value line that holds no number, or a value line missing at the end of
// the file, stops the tool with the invalid number error.
TEST_F(DxfScanTest, AValueThatIsNoNumberStopsTheTool) {
  const fs::path bad = dir_ / "bad.dxf";
  std::ofstream(bad, std::ios::binary) << "  0\nPOINT\n 10\n1,5\n 20\n2\n";
  EXPECT_EXIT(scan_path(bad, kXY), ::testing::ExitedWithCode(106), "Runtime error 106 at \\$");
  const fs::path cut = dir_ / "cut.dxf";
  std::ofstream(cut, std::ios::binary) << "  0\nPOINT\n 10\n1\n 20\n";
  EXPECT_EXIT(scan_path(cut, kXY), ::testing::ExitedWithCode(106), "Runtime error 106 at \\$");
}

}  // namespace
}  // namespace survey_rt
