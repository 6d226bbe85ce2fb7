// What the unit tests of survey_rt share: a random sequence that is the same
// on every run, a temporary folder of a test's own, files made of given
// bytes, and text of every kind of line.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "stop.h"
#include "text_file.h"

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

inline void put_bytes(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// A test of text files in a folder of its own.
class FileTest : public FolderTest {
 protected:
  // Puts the bytes into a new file and opens it for reading.
  void open_bytes(TextFile& f, std::string_view bytes) {
    const std::string p = path("in" + std::to_string(++files_) + ".txt");
    put_bytes(p, bytes);
    open_input(f, p);
    ASSERT_EQ(io_result(), 0);
  }
  int files_ = 0;
};

// Random text of every kind of line: LF, CR LF and lone CR line ends, empty
// lines, blanks, lines longer than 255 bytes, numbers, over several buffer
// fills. At each power of two from 4 KiB to 1 MiB, where a buffer fill may
// end, a CR LF pair stands with its CR at offset - cr_before.
inline std::string mixed_lines(std::uint64_t seed, std::size_t size, std::size_t cr_before) {
  RandomBits next(seed);
  std::string text;
  std::size_t boundary = 4096;
  while (text.size() < size) {
    if (text.size() + 500 > boundary) {  // the next line might pass the boundary
      while (boundary - cr_before - text.size() > 100) text += std::string(50, ' ') + "\n";
      text.append(boundary - cr_before - text.size(), ' ');
      text += "\r\n";
      boundary *= 2;
    }
    const std::uint64_t kind = next() % 16;
    if (kind == 0) {
      text.append(200 + next() % 200, static_cast<char>('a' + next() % 26));
    } else if (kind < 3) {
      text.append(next() % 4, ' ');
    } else {
      text += std::to_string(next() % 100000) + "." + std::to_string(next() % 100);
      if (kind < 6) text += " \t" + std::to_string(next() % 60);
    }
    static const char* const ends[] = {"\r\n", "\n", "\r", "\r\n\r\n"};
    text += ends[next() % 4];
  }
  return text;
}


// A regular expression that matches the text as it is (the messages of the
// death tests).
inline std::string literally(const std::string& text) {
  std::string re;
  for (const char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) re += '\\';
    re += c;
  }
  return re;
}

}  // namespace survey_rt
