// A folder given where an option wants a file: a survey folder's cleaned
// points taken, every other folder refused with what the option wants.
#include "input_option.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace survey_rt {
namespace {

constexpr std::string_view kUsage = "usage: tool [--points FILE]\n";

class InputOptionTest : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    for (const char* folder : {"survey/PM", "survey/Temp", "cleanless/PM", "plain", "Mixed/pm"})
      std::filesystem::create_directories(dir_ / folder);
    for (const char* file : {"survey/PM/PointsCl.txt", "points.txt", "Mixed/pm/pointscl.TXT"}) put_bytes(dir_ / file, "1 2 3\r\n");
  }
};

TEST_F(InputOptionTest, AFileOrAMissingNameIsTakenAsItIs) {
  for (const std::string name : {"points.txt", "missing.txt", "missing/points.txt", "survey/PM/PointsCl.txt"}) {
    const InputOption o = points_option("tool", kUsage, "--points", path(name));
    EXPECT_EQ(o.path, path(name));
    EXPECT_FALSE(o.survey_folder) << name;
    EXPECT_EQ(shown_name(o), path(name));
    EXPECT_EQ(file_option("tool", kUsage, "--boundary", path(name), "corners"), path(name));
  }
}

TEST_F(InputOptionTest, ASurveyFolderStandsForItsCleanedPoints) {
  struct Case {
    std::string given, taken;
  };
  const Case cases[] = {
      {"survey", "survey/PM/PointsCl.txt"},
      {"survey/", "survey/PM/PointsCl.txt"},
      {"survey//", "survey/PM/PointsCl.txt"},
      {"Mixed", "Mixed/PM/PointsCl.txt"},  // found in any letter case when it is opened
  };
  for (const Case& c : cases) {
    const InputOption o = points_option("tool", kUsage, "--crosslines", path(c.given));
    EXPECT_EQ(o.path, path(c.taken)) << c.given;
    EXPECT_TRUE(o.survey_folder) << c.given;
    EXPECT_EQ(shown_name(o), path(c.taken) + "  (survey folder)");
  }
}

TEST_F(InputOptionTest, OtherFoldersAreWrongCalls) {
  struct Case {
    std::string given, why;
  };
  const Case cases[] = {
      {"plain", "folder, not a survey folder with PM/PointsCl.txt"},
      {"cleanless", "survey folder without PM/PointsCl.txt (run echo_clean2 there first)"},
      {"survey/PM", "folder, not a survey folder with PM/PointsCl.txt"},
  };
  for (const Case& c : cases)
    EXPECT_EXIT(points_option("tool", kUsage, "--against", path(c.given)), ::testing::ExitedWithCode(1),
                literally("tool: --against wants a file of x y z points, and \"" + path(c.given) + "\" is a " + c.why))
        << c.given;
  EXPECT_EXIT(file_option("tool", kUsage, "--boundary", path("survey"), "a file of corners"),
              ::testing::ExitedWithCode(1),
              literally("tool: --boundary wants a file of corners, and \"" + path("survey") + "\" is a folder"));
}

}  // namespace
}  // namespace survey_rt
