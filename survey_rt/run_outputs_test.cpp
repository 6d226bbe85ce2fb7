// The outputs of a run, all or none: older files of their names removed at
// the start (in every letter case, never an input), the files written under
// temporary names and named at the end, and a stop in between that leaves
// none of them.
#include "run_outputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "test_support.h"

namespace survey_rt {
namespace {

class RunOutputsTest : public FolderTest {
 protected:
  // The names in the folder.
  std::set<std::string> names() const {
    std::set<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) found.insert(e.path().filename().string());
    return found;
  }
  std::string bytes(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  void write_run_output(TextFile& f, const std::string& name, std::string_view text) {
    create_run_output(f, path(name));
    write_str(f, text);
    end_line(f);
    io_check();
  }
};

TEST_F(RunOutputsTest, TheStartRemovesEveryCaseOfTheNamesButNoInput) {
  for (const char* name : {"Out.txt", "out.TXT", "OUT.txt", "Report.html", "Input.txt", "Other.txt"}) put_bytes(dir_ / name, "old");
  start_outputs({path("Out.txt"), path("report.html"), path("input.TXT"), path("Missing.txt")},
                {path("Points.txt"), dir_.string() + "/./Input.txt"});
  EXPECT_EQ(names(), (std::set<std::string>{"Input.txt", "Other.txt"}));
  finish_outputs();
}

TEST_F(RunOutputsTest, OutputsTakeTheirNamesTogetherAtTheEnd) {
  put_bytes(dir_ / "A.txt", "old");
  start_outputs({path("A.txt"), path("B.txt")}, {});
  TextFile a, b;
  write_run_output(a, "A.txt", "first");
  close_run_output(a);
  write_run_output(b, "B.txt", "second");
  EXPECT_EQ(names(), (std::set<std::string>{"A.txt.part", "B.txt.part"}));
  close_run_output(b);
  finish_outputs();
  EXPECT_EQ(names(), (std::set<std::string>{"A.txt", "B.txt"}));
  EXPECT_EQ(bytes("A.txt"), "first\r\n");
  EXPECT_EQ(bytes("B.txt"), "second\r\n");
}

// Every way a run stops before finish_outputs leaves no output, whether the
// outputs were written, half written or not begun.
TEST_F(RunOutputsTest, AStopLeavesNoOutput) {
  struct Case {
    const char* what;
    int written;  // outputs closed before the stop; one more is open when written < 2
    int code;
  };
  const Case cases[] = {{"before any output", -1, 1}, {"while the first is written", 0, 1},
                        {"while the second is written", 1, 106}, {"with both written", 2, 1}};
  for (const Case& c : cases) {
    for (const char* name : {"A.txt", "b.txt", "Keep.txt"}) put_bytes(dir_ / name, "old");
    const auto run = [&] {
      start_outputs({path("A.txt"), path("B.txt")}, {});
      TextFile a, b;
      if (c.written >= 0) write_run_output(a, "A.txt", "first");
      if (c.written >= 1) close_run_output(a);
      if (c.written >= 1) write_run_output(b, "B.txt", "second");
      if (c.written >= 2) close_run_output(b);
      if (c.code == 106) {
        io_fail(106, "read_real", "Points.txt, line 2");
        io_check();
      }
      halt(c.code);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(c.code), "")
        << c.what;
    EXPECT_EQ(names(), (std::set<std::string>{"Keep.txt"})) << c.what;
  }
}

TEST_F(RunOutputsTest, AStopAfterTheEndLeavesTheOutputs) {
  const auto run = [&] {
    start_outputs({path("A.txt")}, {});
    TextFile a;
    write_run_output(a, "A.txt", "done");
    close_run_output(a);
    finish_outputs();
    halt(5);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(5), "");
  EXPECT_EQ(names(), (std::set<std::string>{"A.txt"}));
  EXPECT_EQ(bytes("A.txt"), "done\r\n");
}

TEST_F(RunOutputsTest, AnOutputInAMissingFolderIsTheRunTimeStop) {
  const auto run = [&] {
    start_outputs({path("A.txt"), path("None/B.txt")}, {});
    TextFile a, b;
    write_run_output(a, "A.txt", "first");
    close_run_output(a);
    create_run_output(b, path("None/B.txt"));
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(3), "Runtime error 3 at");
  EXPECT_TRUE(names().empty());
}

}  // namespace
}  // namespace survey_rt
