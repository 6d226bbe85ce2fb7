// Unit tests of the line editor: the bytes of the typed line and the cells
// its echo leaves, key by key, on a UTF-8 console and on a single-byte one;
// the characters shown come from the same decoder as the tools' own texts.
#include "line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_text.h"

namespace survey_rt {
namespace {

Screen blank_screen(int width, int height) {
  Screen s;
  s.width = width;
  s.height = height;
  s.cells.assign(static_cast<std::size_t>(width * height), U' ');
  return s;
}

// Keys from text: each byte a key; "\x01" stands for the left arrow (0, 75).
std::vector<platform::Key> keys(const std::string& text) {
  std::vector<platform::Key> k;
  for (char c : text) k.push_back(c == '\x01' ? platform::Key{0, 75} : platform::Key{c, 0});
  return k;
}

std::u32string row(const Screen& s, int y) {
  std::u32string r;
  for (int x = 1; x <= s.width; ++x) r += s.at(x, y);
  while (!r.empty() && r.back() == U' ') r.pop_back();
  return r;
}

TEST(LineEditor, TypedBytesAndTheirEcho) {
  struct Case {
    const char* name;
    bool utf8;
    std::string typed;
    std::string line;   // the bytes of the line
    std::u32string shown;  // row 1 of the window
  };
  const std::string x300(300, 'x');
  const Case cases[] = {
      {"backspace and delete", true, "ab\bc\x7f" "d", "ad", U"ad"},
      {"left arrow", true, "abc\x01\x01z", "az", U"az"},
      {"escape clears the line", true, "abc\x1b" "d", "d", U"d"},
      {"control bytes are not typed", true, "a\x04\tb", "ab", U"ab"},
      {"a UTF-8 character is one cell, taken back whole", true, "\xD0\x96\xD0\xB0\b!", "\xD0\x96!", U"\u0416!"},
      {"a four-byte character", true, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", U"\U0001F600"},
      {"a byte that starts no sequence shows as Windows-1251", true, "\xE2" "A", "\xE2" "A", U"\u0432A"},
      {"an overlong form is three bytes of Windows-1251", true, "\xE0\x80\x80\b", "\xE0\x80",
       U"\u0430\u0402"},
      {"a single-byte console shows the bytes", false, "\xC0\xD0\x96", "\xC0\xD0\x96", U"\u00C0\u00D0\u0096"},
      {"at most 254 bytes", true, x300, std::string(254, 'x'), std::u32string(40, U'x')},
      {"a character that does not fit is dropped", true, std::string(253, 'x') + "\xD0\x96" "y",
       std::string(253, 'x') + "y", std::u32string(40, U'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s = blank_screen(40, 10);
    LineEdit edit(c.utf8);
    for (const platform::Key& k : keys(c.typed)) ASSERT_EQ(edit_key(edit, s, k), EditStep::more);
    EXPECT_EQ(edit.line, c.line);
    EXPECT_TRUE(row(s, 1) == c.shown);
    EXPECT_EQ(edit_key(edit, s, {'\r', 0}), EditStep::enter);
  }
}

TEST(LineEditor, EndOfInputOnlyOnAnEmptyLine) {
  Screen s = blank_screen(10, 3);
  LineEdit edit(true);
  EXPECT_EQ(edit_key(edit, s, {'a', 0}), EditStep::more);
  EXPECT_EQ(edit_key(edit, s, {'\x04', 0}), EditStep::more);
  EXPECT_EQ(edit_key(edit, s, {'\b', 0}), EditStep::more);
  EXPECT_EQ(edit_key(edit, s, {'\x04', 0}), EditStep::end_of_input);
  EXPECT_EQ(edit_key(edit, s, {'\n', 0}), EditStep::enter);
}

TEST(LineEditor, AnEchoThatScrollsTheWindowIsTakenBackWhereItStands) {
  // A window of 5 x 2, the cursor in the bottom row: the sixth character
  // wraps the line and scrolls the window up.
  Screen s = blank_screen(5, 2);
  s.x = 2;
  s.y = 2;
  LineEdit edit(false);
  for (const platform::Key& k : keys("abcdefg")) edit_key(edit, s, k);
  EXPECT_TRUE(row(s, 1) == U" abcd");
  EXPECT_TRUE(row(s, 2) == U"efg");
  for (const platform::Key& k : keys("\b\b\b\bX")) edit_key(edit, s, k);
  EXPECT_EQ(edit.line, "abcX");
  EXPECT_TRUE(row(s, 1) == U" abcX");
  EXPECT_TRUE(row(s, 2).empty());
}

TEST(ConsoleText, OneDecoderForUtf8AndWindows1251) {
  struct Case {
    std::string bytes;
    bool utf8;
    std::u32string chars;
  };
  const Case cases[] = {
      {"Az", true, U"Az"},
      {"\xD0\x96\xE2\x82\xAC", true, U"\u0416\u20AC"},   // UTF-8: Zhe, the euro sign
      {"\xC6" "A\xFF", true, U"\u0416A\u044F"},            // no UTF-8 sequences: Windows-1251
      {"\xED\xA0\x80", true, U"\u043D\u00A0\u0402"},     // a surrogate is no character
      {"\xD0", true, U"\u0420"},                         // a sequence cut short
      {"\xC6\x88", false, U"\u00C6\u0088"},              // a single-byte console: the bytes
  };
  for (const Case& c : cases) {
    std::u32string got;
    for (std::size_t i = 0; i < c.bytes.size(); ++i) got += console_char(c.bytes.data(), c.bytes.size(), i, c.utf8);
    EXPECT_TRUE(got == c.chars) << c.bytes;
  }
  EXPECT_TRUE(utf8_incomplete("\xE2\x82"));
  EXPECT_FALSE(utf8_incomplete("\xE2\x82\xAC"));
  EXPECT_FALSE(utf8_incomplete("\xE2" "A"));
  EXPECT_FALSE(utf8_incomplete("\x80"));
}

}  // namespace
}  // namespace survey_rt
