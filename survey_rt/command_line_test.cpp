// The walk over the options: both forms of a value, the order of the calls,
// and the wrong calls with their messages and exit statuses.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace survey_rt {
namespace {

constexpr std::string_view kUsage = "usage: tool [--a X] [--bee Y] [--f]\n";

// Runs the walk over words (the tool's name first added), the options seen
// as "name=value" in order.
std::vector<std::string> walk(std::vector<std::string> words) {
  words.insert(words.begin(), "tool");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  std::vector<std::string> seen;
  read_command_line(static_cast<int>(argv.size()), argv.data(), "tool", kUsage, {"--a", "--bee"}, {"--f"},
                    [&](std::string_view name, const std::string& value) {
                      seen.push_back(std::string(name) + "=" + value);
                    });
  return seen;
}

TEST(CommandLine, ValuesAfterAnEqualsSignOrAsTheNextWord) {
  struct Case {
    std::vector<std::string> words, seen;
  };
  const Case cases[] = {
      {{}, {}},
      {{"--a", "1"}, {"--a=1"}},
      {{"--a=1", "--bee", "x y"}, {"--a=1", "--bee=x y"}},
      {{"--bee=", "--a", "--bee"}, {"--bee=", "--a=--bee"}},  // a value may be empty or look like an option
      {{"--a=b=c", "--a", "-h"}, {"--a=b=c", "--a=-h"}},
      {{"--f", "--a", "1", "--f"}, {"--f=", "--a=1", "--f="}},  // a flag takes no value
      {{"--a", "--f"}, {"--a=--f"}},
  };
  for (const Case& c : cases) EXPECT_EQ(walk(c.words), c.seen) << ::testing::PrintToString(c.words);
}

TEST(CommandLine, WrongCallsStopWithTheirReasonAndTheUsage) {
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const Case cases[] = {
      {{"--c"}, "tool: unknown option \"--c\"\n"},
      {{"--a=1", "--c=2", "--a"}, "tool: unknown option \"--c=2\"\n"},
      {{"x"}, "tool: unknown option \"x\"\n"},
      {{"--ab", "1"}, "tool: unknown option \"--ab\"\n"},
      {{"--bee"}, "tool: --bee wants a value\n"},
      {{"--a", "1", "--a"}, "tool: --a wants a value\n"},
      {{"--f=1"}, "tool: --f takes no value\n"},
      {{"--ff"}, "tool: unknown option \"--ff\"\n"},
  };
  for (const Case& c : cases)
    EXPECT_EXIT(walk(c.words), ::testing::ExitedWithCode(1), literally(c.message + std::string(kUsage)))
        << ::testing::PrintToString(c.words);
}

TEST(CommandLine, HelpPrintsTheUsageAndEndsWell) {
  for (const char* help : {"--help", "-h"})
    EXPECT_EXIT(walk({"--a", "1", help, "--c"}), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace survey_rt
