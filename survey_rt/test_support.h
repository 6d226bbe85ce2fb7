// What the unit tests of survey_rt share: a random sequence that is the same
// on every run, and a temporary folder of a test's own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "console.h"

namespace survey_rt {

// xorshift64: next() gives the same numbers for the same seed everywhere.
class RandomBits {
 public:
  explicit RandomBits(std::uint64_t seed) : state_(seed) {}
  std::uint64_t operator()() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }

 private:
  std::uint64_t state_;
};

// A test in a new temporary folder, removed after it; the test must leave no
// I/O error pending.
class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("survey_rt_" + std::string(test->test_suite_name()) + "_" + std::to_string(::getpid()) +
            "_" + std::to_string(++serial));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    io_result();
  }
  void TearDown() override {
    EXPECT_EQ(io_result(), 0) << "an I/O error was left pending";
    std::filesystem::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

}  // namespace survey_rt
