// Unit test of the cache of texts shown in place (counter_cache.h) and the
// writing rules of the screen (screen.h) that it must agree with: whatever the
// tools write (counters rewritten in place, texts at goto_xy places, control
// bytes, wrapping and scrolling lines, clears) must leave the window exactly
// as writing each character into its cell at once would, at every moment the
// window is shown.
//
// The standard output is redirected to a file while the test writes; the
// escape sequences the console sends there are replayed into a window, which
// is compared with a plain model of the writing rules.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console.h"
#include "stop.h"
#include "test_support.h"
#include "text_file.h"

namespace survey_rt {
namespace {

constexpr int kWidth = 80, kHeight = 25;  // the window of a redirected output

// The writing rules, one character at a time.
struct Model {
  std::vector<std::string> rows = std::vector<std::string>(kHeight, std::string(kWidth, ' '));
  int x = 1, y = 1;

  void clear() {
    rows.assign(kHeight, std::string(kWidth, ' '));
    x = y = 1;
  }
  void go(int col, int row) {
    if (col >= 1 && row >= 1 && col <= kWidth && row <= kHeight) {
      x = col;
      y = row;
    }
  }
  void line_feed() {
    if (y == kHeight) {
      rows.erase(rows.begin());
      rows.push_back(std::string(kWidth, ' '));
    } else {
      ++y;
    }
  }
  void cell(char c) {
    rows[y - 1][x - 1] = c;
    if (++x > kWidth) {
      x = 1;
      line_feed();
    }
  }
  void write(const std::string& text) {
    for (char ch : text) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c == 7) continue;
      if (c == 8) {
        if (x > 1) --x;
      } else if (c == 9) {
        do cell(' ');
        while ((x - 1) % 8 != 0);
      } else if (c == 10) {
        line_feed();
      } else if (c == 13) {
        x = 1;
      } else {
        cell(c < 32 ? ' ' : ch);
      }
    }
  }
};

// The window as the console's output draws it: "ESC [ H ESC [ 2 J" clears,
// "ESC [ row ; col H" moves, every other byte is a character at the cursor.
struct Replay {
  std::vector<std::string> rows = std::vector<std::string>(kHeight, std::string(kWidth, ' '));
  int x = 1, y = 1;

  void feed(const std::string& out) {
    for (std::size_t i = 0; i < out.size();) {
      if (out[i] != '\x1b') {
        ASSERT_TRUE(x >= 1 && x <= kWidth && y >= 1 && y <= kHeight) << x << "," << y;
        rows[y - 1][x - 1] = out[i++];
        ++x;
        continue;
      }
      const std::size_t end = out.find_first_of("HJ", i);
      ASSERT_NE(end, std::string::npos);
      const std::string params = out.substr(i + 2, end - i - 2);
      if (out[end] == 'J') {
        rows.assign(kHeight, std::string(kWidth, ' '));
      } else if (params.empty()) {
        x = y = 1;
      } else {
        ASSERT_EQ(std::sscanf(params.c_str(), "%d;%d", &y, &x), 2) << params;
      }
      i = end + 1;
    }
  }
};

class ConsoleScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    out_path_ = (std::filesystem::temp_directory_path() /
                 ("survey_rt_console_" + std::to_string(::getpid()))).string();
    std::fflush(stdout);
    saved_out_ = ::dup(1);
    saved_in_ = ::dup(0);
    const int out = ::open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(out, 1);
    ::dup2(in, 0);
    ::close(out);
    ::close(in);
  }
  void TearDown() override { restore(); }
  void restore() {
    if (saved_out_ < 0) return;
    ::dup2(saved_out_, 1);
    ::dup2(saved_in_, 0);
    ::close(saved_out_);
    ::close(saved_in_);
    saved_out_ = -1;
    std::filesystem::remove(out_path_);
  }
  // What the console wrote to its output so far.
  std::string output() const {
    std::ifstream in(out_path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string out_path_;
  int saved_out_ = -1, saved_in_ = -1;
};

TEST_F(ConsoleScreen, EveryShownWindowIsTheOneOfTheWritingRules) {
  RandomBits next(0x853C49E6748FEA9BULL);
  auto text = [&next](std::size_t max_len, bool controls) {
    std::string t;
    const std::size_t n = next() % (max_len + 1);
    for (std::size_t i = 0; i < n; ++i) {
      if (controls && next() % 12 == 0) {
        static const char kControls[] = {7, 8, 9, 10, 13, 1, 27};
        t += kControls[next() % sizeof kControls];
      } else {
        t += static_cast<char>(32 + next() % 95);
      }
    }
    return t;
  };
  // The places of a few counters, two of them overlapping, one at the end of
  // a row (its text wraps) and one in the last row (it scrolls the window).
  struct Place {
    int x, y;
    const char* label;
    int width;
  };
  const Place places[] = {{7, 12, "Positions : ", 8}, {7, 13, "   Depths : ", 8},
                          {10, 12, "Read: ", 5},      {70, 5, "n: ", 8},
                          {60, 25, "Last: ", 8},      {1, 1, "", 3},
                          {28, 15, "", 8},            {7, 16, " Read: ", 8},
                          {7, 17, "Points: ", 7},     {7, 18, " Clear: ", 7}};

  Model model;
  std::vector<std::vector<std::string>> want_rows;
  std::vector<std::pair<int, int>> want_cursor;
  std::vector<long> marks;  // how much output each shown window had
  TextFile& con = console_output();
  clear_screen();
  model.clear();
  for (int step = 0; step < 200000; ++step) {
    const std::uint64_t op = next() % 1000;
    if (op < 600) {  // a counter, mostly one of a few, now and then with a longer value
      const Place& p = places[next() % (op < 500 ? 3 : sizeof places / sizeof places[0])];
      const int count = next() % 50 == 0 ? static_cast<int>(next()) : step;
      show_count(p.x, p.y, p.label, count, p.width);
      model.go(p.x, p.y);
      model.write(p.label);
      const std::string number = std::to_string(count);
      model.write(std::string(number.size() < static_cast<std::size_t>(p.width)
                                  ? p.width - number.size() : 0, ' ') + number);
    } else if (op < 800) {  // a place, maybe outside the window
      const int col = static_cast<int>(next() % (kWidth + 2));
      const int row = static_cast<int>(next() % (kHeight + 2));
      goto_xy(col, row);
      model.go(col, row);
    } else if (op < 900) {  // a text at the cursor
      const std::string t = text(next() % 8 == 0 ? 120 : 20, false);
      write_str(con, t);
      model.write(t);
    } else if (op < 960) {  // a text with control bytes
      const std::string t = text(30, true);
      write_str(con, t);
      model.write(t);
    } else if (op < 975) {
      const int n = static_cast<int>(next() % 100000) - 500;
      const int w = static_cast<int>(next() % 10);
      write_int(con, n, w);
      const std::string s = std::to_string(n);
      model.write(std::string(s.size() < static_cast<std::size_t>(w) ? w - s.size() : 0, ' ') + s);
    } else if (op < 985) {
      end_line(con);
      model.write("\r\n");
    } else if (op < 987) {
      clear_screen();
      model.clear();
    } else {  // the window is shown (as at a wait for a key)
      read_key();
      want_rows.push_back(model.rows);
      want_cursor.emplace_back(model.x, model.y);
      marks.push_back(static_cast<long>(::lseek(1, 0, SEEK_CUR)));
    }
    ASSERT_EQ(io_result(), 0);
  }
  read_key();  // shown once more, so nothing is left to draw at the exit
  const std::string out = output();
  restore();
  ASSERT_GT(want_rows.size(), 100u);
  Replay replay;
  std::size_t done = 0;
  for (std::size_t i = 0; i < want_rows.size(); ++i) {
    const std::size_t mark = static_cast<std::size_t>(marks[i]);
    replay.feed(out.substr(done, mark - done));
    done = mark;
    ASSERT_EQ(replay.rows, want_rows[i]) << "at the window shown " << i;
    ASSERT_EQ(std::make_pair(replay.x, replay.y), want_cursor[i]) << "at the window shown " << i;
  }
}

}  // namespace
}  // namespace survey_rt
