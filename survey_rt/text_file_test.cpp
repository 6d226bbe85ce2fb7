// Unit tests of survey_rt text files: how read_real and read_word cut their
// tokens, line ends and the end of a file (byte 26 included), the
// process-wide I/O result that blocks every read and write while an error is
// pending, the errors for closed and wrong-mode files, the write operations,
// and the file-name lookup that ignores letter case.
#include "text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "number_grammar.h"
#include "stop.h"
#include "test_support.h"

namespace survey_rt {
namespace {

namespace fs = std::filesystem;

using TextFileTest = FileTest;

std::string file_bytes(const fs::path& p) {
  std::ifstream s(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(s), std::istreambuf_iterator<char>()};
}

TEST_F(TextFileTest, NumbersAreSeparatedByAnyBlanksControlBytesAndLineEnds) {
  TextFile f;
  open_bytes(f, "  1\t2\r\n\r\n\x01\x0b 3\n\n4\r5   \r\n$A");
  for (double want : {1.0, 2.0, 3.0, 4.0, 5.0}) EXPECT_EQ(read_real(f), want);
  EXPECT_EQ(read_word(f), 10);
  EXPECT_TRUE(at_end(f));
  EXPECT_EQ(io_result(), 0);
}

TEST_F(TextFileTest, EndOfFileAfterTheLastRecord) {
  // The last record ends with a line end: nothing is left after skipping it.
  TextFile a;
  open_bytes(a, "1 2\r\n");
  EXPECT_EQ(read_real(a), 1.0);
  EXPECT_EQ(read_real(a), 2.0);
  EXPECT_FALSE(at_end(a));
  skip_line(a);
  EXPECT_TRUE(at_end(a));
  EXPECT_EQ(io_result(), 0);

  // Blanks, an empty line, or blanks before byte 26 after the last record.
  for (const char* bytes : {"1\r\n\r\n", "1\r\n   ", "1\r\n \x1a" "9", "1\r\n\x1a"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(bytes)));
    TextFile f;
    open_bytes(f, bytes);
    EXPECT_EQ(read_real(f), 1.0);
    EXPECT_FALSE(at_end(f));
    EXPECT_EQ(read_real(f), 0.0);  // skips the rest, no error
    EXPECT_EQ(io_result(), 0);
    EXPECT_TRUE(at_end(f));
    EXPECT_EQ(read_real(f), 0.0);  // nothing left: invalid
    EXPECT_EQ(io_result(), 106);
  }
}

TEST_F(TextFileTest, NothingLeftAfterTheLastToken) {
  // A number right at the end of the file or before byte 26, or an empty file:
  // read_word then delivers 0 without error, read_real fails on the empty token.
  const std::pair<const char*, double> cases[] = {{"7", 7}, {"12\x1a" "34 5\r\n", 12}, {"", -1}};
  for (const auto& [bytes, first] : cases) {
    SCOPED_TRACE(first);
    TextFile f;
    open_bytes(f, bytes);
    if (first >= 0) {
      EXPECT_EQ(read_real(f), first);
    }
    EXPECT_TRUE(at_end(f));
    EXPECT_EQ(read_line(f), "");
    skip_line(f);
    EXPECT_EQ(read_word(f), 0);
    EXPECT_EQ(io_result(), 0);
    EXPECT_EQ(read_real(f), 0.0);
    EXPECT_EQ(io_result(), 106);
  }
}

TEST_F(TextFileTest, LfCrLfAndLoneCrEndLinesAlikeAndByte26EndsTheLast) {
  TextFile f;
  open_bytes(f, "a\nb\r\nc\rd\r\r\ne\x1a" "f\r\n");
  for (const char* want : {"a", "b", "c", "d", "", "e"}) {
    EXPECT_FALSE(at_end(f));
    EXPECT_EQ(read_line(f), want);
    EXPECT_EQ(read_line(f), "");  // the line end stays unread
    skip_line(f);
  }
  EXPECT_TRUE(at_end(f));
  skip_line(f);  // stops at byte 26 without passing it
  EXPECT_TRUE(at_end(f));
  EXPECT_EQ(read_line(f), "");

  TextFile g;
  open_bytes(g, "12 34 x;\r56\n78\r\n");
  EXPECT_EQ(read_real(g), 12.0);
  skip_line(g);  // discards the rest of the line, "x;" included
  EXPECT_EQ(read_real(g), 56.0);
  skip_line(g);
  EXPECT_EQ(read_line(g), "78");
  EXPECT_EQ(io_result(), 0);
}

TEST_F(TextFileTest, ReadLineAndTokensStopAt255Bytes) {
  std::string line;
  for (int i = 0; i < 300; ++i) line += static_cast<char>('a' + i % 26);
  TextFile f;
  open_bytes(f, line + "\r\nnext\r\n" + std::string(255, 'z') + "\n" + "\xE9\xFF\x7F\n");
  EXPECT_EQ(read_line(f), line.substr(0, 255));
  EXPECT_EQ(read_line(f), line.substr(255));  // the remainder is read next
  EXPECT_EQ(read_line(f), "");
  skip_line(f);
  EXPECT_EQ(read_line(f), "next");
  skip_line(f);
  EXPECT_EQ(read_line(f), std::string(255, 'z'));
  EXPECT_EQ(read_line(f), "");
  skip_line(f);
  EXPECT_EQ(read_line(f), "\xE9\xFF\x7F");  // bytes are not translated

  // A 256-byte token is read as a 255-byte token and a 1-byte token.
  TextFile g;
  open_bytes(g, std::string(254, '0') + "12 " + std::string(254, '0') + "34");
  EXPECT_EQ(read_real(g), 1.0);
  EXPECT_EQ(read_real(g), 2.0);
  EXPECT_EQ(read_word(g), 3);
  EXPECT_EQ(read_word(g), 4);
  EXPECT_EQ(io_result(), 0);
}

TEST_F(TextFileTest, PendingErrorBlocksEveryReadAndWrite) {
  TextFile bad, in, out, never_opened;
  open_bytes(bad, "abc");
  open_bytes(in, "5 6\r\nline\r\n");
  create_output(out, path("out.txt"));
  ASSERT_EQ(io_result(), 0);

  EXPECT_EQ(read_real(bad), 0.0);  // sets 106 and leaves it pending
  EXPECT_EQ(read_real(in), 0.0);
  EXPECT_EQ(read_word(in), 0);
  EXPECT_EQ(read_line(in), "");
  skip_line(in);
  write_str(out, "lost");
  write_char(out, 'L');
  write_int(out, 99);
  write_fixed(out, 1.5, 0, 1);
  end_line(out);
  EXPECT_EQ(read_real(never_opened), 0.0);  // would be 103, but 106 came first
  EXPECT_EQ(io_result(), 106);
  EXPECT_EQ(io_result(), 0);  // reading the result cleared it

  // The blocked operations consumed and wrote nothing.
  EXPECT_EQ(read_real(in), 5.0);
  EXPECT_EQ(read_word(in), 6);
  skip_line(in);
  EXPECT_EQ(read_line(in), "line");
  write_str(out, "kept");
  close_file(out);
  EXPECT_EQ(io_result(), 0);
  EXPECT_EQ(file_bytes(path("out.txt")), "kept");
}

TEST_F(TextFileTest, ClosedAndWrongModeFilesAreRefused) {
  using Op = std::function<void(TextFile&)>;
  const std::pair<const char*, Op> reads[] = {
      {"read_real", [](TextFile& f) { EXPECT_EQ(read_real(f), 0.0); }},
      {"read_word", [](TextFile& f) { EXPECT_EQ(read_word(f), 0); }},
      {"read_line", [](TextFile& f) { EXPECT_EQ(read_line(f), ""); }},
      {"skip_line", [](TextFile& f) { skip_line(f); }},
      {"at_end", [](TextFile& f) { EXPECT_TRUE(at_end(f)); }},
  };
  const std::pair<const char*, Op> writes[] = {
      {"write_str", [](TextFile& f) { write_str(f, "s", 3); }},
      {"write_char", [](TextFile& f) { write_char(f, 'c'); }},
      {"write_int", [](TextFile& f) { write_int(f, 1); }},
      {"write_fixed", [](TextFile& f) { write_fixed(f, 1.0, 0, 2); }},
      {"end_line", [](TextFile& f) { end_line(f); }},
  };
  TextFile closed, in, out;
  open_bytes(in, "5\r\n");
  create_output(out, path("out.txt"));
  ASSERT_EQ(io_result(), 0);
  for (const auto& [name, op] : reads) {
    SCOPED_TRACE(name);
    op(closed);
    EXPECT_EQ(io_result(), 103);
    op(out);
    EXPECT_EQ(io_result(), 104);
  }
  for (const auto& [name, op] : writes) {
    SCOPED_TRACE(name);
    op(closed);
    EXPECT_EQ(io_result(), 103);
    op(in);
    EXPECT_EQ(io_result(), 105);
  }
  EXPECT_EQ(read_real(in), 5.0);  // the refused operations left both files alone
  close_file(in);
  close_file(out);
  EXPECT_EQ(io_result(), 0);
  EXPECT_EQ(file_bytes(path("out.txt")), "");
  EXPECT_EQ(read_real(in), 0.0);  // closed again
  EXPECT_EQ(io_result(), 103);
}

TEST_F(TextFileTest, WritesPadOnTheLeftAndNeverCut) {
  TextFile f;
  create_output(f, path("out.txt"));
  write_str(f, "ab", 5);
  write_str(f, "abcdef", 3);
  write_str(f, "|");
  write_str(f, "ab", -2);
  end_line(f);
  write_char(f, 'z', 3);
  write_char(f, 'y');
  write_char(f, 'x', 1);
  end_line(f);
  write_int(f, -7, 4);
  write_int(f, 123, 2);
  write_int(f, 0, 3);
  write_int(f, INT32_MIN);
  write_int(f, INT32_MAX, 12);
  end_line(f);
  write_str(f, std::string_view("\xE9\x1a\0\n", 4));  // written byte for byte
  close_file(f);
  EXPECT_EQ(io_result(), 0);
  EXPECT_EQ(file_bytes(path("out.txt")),
            "   ababcdef|ab\r\n  zyx\r\n  -7123  0-2147483648  2147483647\r\n" +
                std::string("\xE9\x1a\0\n", 4));
}

TEST_F(TextFileTest, OpeningFailsWithTheCodeOfWhatIsMissing) {
  TextFile f;
  open_input(f, path("missing.txt"));
  EXPECT_EQ(io_result(), 2);
  open_input(f, path("NoDir/x.txt"));
  EXPECT_EQ(io_result(), 3);
  create_output(f, path("NoDir/x.txt"));
  EXPECT_EQ(io_result(), 3);
  EXPECT_FALSE(fs::exists(path("NoDir")));
  EXPECT_EQ(read_real(f), 0.0);  // still closed after the failures
  EXPECT_EQ(io_result(), 103);
}

TEST_F(TextFileTest, OpenIfPresentPassesOverOnlyAMissingFile) {
  TextFile f;
  EXPECT_FALSE(open_input_if_present(f, path("missing.txt")));
  EXPECT_EQ(io_result(), 0);
  put_bytes(path("there.txt"), "7");
  EXPECT_TRUE(open_input_if_present(f, path("there.txt")));
  EXPECT_EQ(read_real(f), 7.0);
  EXPECT_EQ(io_result(), 0);
  close_file(f);
  EXPECT_TRUE(open_input_if_present(f, path("NoDir/x.txt")));  // left for io_check
  EXPECT_EQ(io_result(), 3);
}

TEST_F(TextFileTest, FileNamesAreFoundWithoutRegardToCase) {
  fs::create_directories(dir_ / "Temp");
  put_bytes(dir_ / "Temp" / "Raw_Pos.txt", "42");
  for (const char* name : {"Temp/raw_pos.TXT", "TEMP/RAW_POS.TXT", "temp\\Raw_Pos.txt"}) {
    SCOPED_TRACE(name);
    TextFile f;
    open_input(f, path(name));
    EXPECT_EQ(read_real(f), 42.0);
    EXPECT_EQ(io_result(), 0);
  }
  // Creating a case variant of an existing name truncates that file ("42" -> "7").
  TextFile out;
  create_output(out, path("temp/RAW_POS.txt"));
  write_str(out, "7");
  close_file(out);
  EXPECT_EQ(io_result(), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "Temp"), fs::directory_iterator()), 1);
  EXPECT_EQ(file_bytes(dir_ / "Temp" / "Raw_Pos.txt"), "7");
}

TEST_F(TextFileTest, OfNamesThatDifferInCaseTheNewestFileIsReadAndWritten) {
  // Files (a folder when the name ends in "/") and their times in minutes,
  // the name asked, the file read and written ("": reading is refused, the
  // name asked is written).
  struct Case {
    std::vector<std::pair<std::string, int>> files;
    const char* asked;
    std::string used;
  };
  const Case cases[] = {
      {{{"Clr_Rec.dxf", 0}, {"Clr_Rec.Dxf", 1}}, "Clr_Rec.dxf", "Clr_Rec.Dxf"},  // saved later
      {{{"Clr_Rec.dxf", 1}, {"Clr_Rec.Dxf", 0}}, "Clr_Rec.dxf", "Clr_Rec.dxf"},  // saved earlier
      {{{"Clr_Rec.dxf", 0}, {"Clr_Rec.Dxf", 0}}, "Clr_Rec.Dxf", "Clr_Rec.Dxf"},  // the exact name
      {{{"Clr_Rec.dxf", 0}, {"Clr_Rec.Dxf", 0}}, "CLR_REC.DXF", "Clr_Rec.Dxf"},  // byte order: D < d
      {{{"Clr_Rec.dxf", 0}, {"clr_rec.dxf/", 1}}, "CLR_REC.DXF", "Clr_Rec.dxf"},
      {{{"Out.txt/", 0}}, "out.txt", ""},
  };
  const auto base = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const fs::path dir = dir_ / std::to_string(i), asked = dir / cases[i].asked;
    fs::create_directories(dir);
    for (const auto& [name, minutes] : cases[i].files) {
      const fs::path p = dir / name.substr(0, name.find('/'));
      if (name.ends_with('/')) fs::create_directory(p);
      else put_bytes(p, name);
      fs::last_write_time(p, base + std::chrono::minutes(minutes));
    }
    const std::string& used = cases[i].used;
    TextFile f;
    open_input(f, asked.string());
    EXPECT_EQ(read_line(f), used) << i;
    EXPECT_EQ(io_result(), used.empty() ? kAccessDenied : 0) << i;
    create_output(f, asked.string());
    write_str(f, "new");
    close_file(f);
    EXPECT_EQ(file_bytes(used.empty() ? asked : dir / used), "new") << i;
    EXPECT_EQ(io_result(), 0);
  }
}

// The line of each byte by the rule: LF, CR LF and a lone CR each end a line.
long line_at(const std::string& text, std::size_t pos) {
  long line = 1;
  for (std::size_t i = 0; i < pos; ++i) {
    if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) ++line;
  }
  return line;
}

TEST_F(TextFileTest, TakeLineReadsAsReadLineThenSkipLine) {
  for (std::size_t cr_before : {1, 2}) {
    std::string text = mixed_lines(7, 600000, cr_before);
    text += "last line\x1a" "after the end\r\n";
    TextFile a, b;
    open_bytes(a, text);
    open_bytes(b, text);
    int lines = 0;
    while (!at_end(a)) {
      ASSERT_FALSE(at_end(b)) << "line " << lines;
      const std::string want = read_line(b);
      skip_line(b);
      ASSERT_EQ(std::string(take_line(a)), want) << "line " << lines;
      ++lines;
    }
    EXPECT_TRUE(at_end(b));
    EXPECT_GT(lines, 20000);
    EXPECT_EQ(io_result(), 0);
  }
}

TEST_F(TextFileTest, TakeRawLineKeepsByte26AndTellsTheSizeOfLongLines) {
  // Lines of every kind, a CR LF across each buffer boundary, bytes 26 inside
  // lines, a line of a megabyte and one of 300 bytes, a last line without its
  // end: each line is its bytes up to the next CR or LF, at most 255 of them
  // kept, and its whole size.
  for (std::size_t cr_before : {1, 2}) {
    std::string text = mixed_lines(16, 400000, cr_before);
    text += "a\x1a" "b\r\n" + std::string(1 << 20, 'x') + "\r\n\x1a\r\n" + std::string(300, 'y') + "\rlast";
    TextFile f;
    open_bytes(f, text);
    std::string_view line;
    std::uint64_t size = 0;
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < text.size(); ++lines) {
      const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
      ASSERT_TRUE(take_raw_line(f, 255, line, size)) << "line " << lines;
      ASSERT_EQ(size, end - pos) << "line " << lines;
      ASSERT_EQ(line, std::string_view(text).substr(pos, std::min<std::size_t>(end - pos, 255))) << "line " << lines;
      pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    EXPECT_FALSE(take_raw_line(f, 255, line, size));
    EXPECT_GT(lines, 15000u);
    EXPECT_EQ(io_result(), 0);
  }
}

TEST_F(TextFileTest, ReadErrorsTellTheLineFarIntoTheFile) {
  // The numbers of the mixed lines, then a bad token: the message names its
  // line, counted however the lines before it ended and wherever the buffer
  // was filled again. A regular file counts its lines only at the failure; a
  // pipe (a FIFO fed by another thread, in pieces of its own size) counts
  // them at every refill.
  for (std::uint64_t seed : {3u, 10u, 29u}) {
    SCOPED_TRACE(seed);
    std::string text;
    for (char c : mixed_lines(seed, 700000, 1 + seed % 2))  // only numbers, blanks and line ends
      text += (c >= 'a' && c <= 'z') ? '1' : c;
    const std::size_t bad = text.size();
    text += "12x4 5\r\n";
    const std::string expected = ", line " + std::to_string(line_at(text, bad)) + ": invalid numeric";
    for (const bool pipe : {false, true}) {
      SCOPED_TRACE(pipe ? "pipe" : "regular file");
      TextFile f;
      std::thread writer;
      if (pipe) {
        std::signal(SIGPIPE, SIG_IGN);  // the reader may stop before the writer's last bytes
        const std::string fifo = path("fifo" + std::to_string(seed));
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        writer = std::thread([fifo, &text] { put_bytes(fifo, text); });
        open_input(f, fifo);
        ASSERT_EQ(io_result(), 0);
      } else {
        open_bytes(f, text);
      }
      while (io_pending() == 0) read_real(f);
      const std::string message = io_failure_text();
      EXPECT_NE(message.find(expected), std::string::npos) << message;
      EXPECT_EQ(io_result(), kInvalidNumber);
      close_file(f);
      ASSERT_EQ(io_result(), 0);
      if (writer.joinable()) writer.join();
    }
  }
}

// Tokens with plenty of bytes after them are read in one pass straight from
// the buffer; they must read exactly as the token rules say (parse_real and
// parse_word on the token), valid or not.
TEST_F(TextFileTest, BufferedTokensReadAsTheTokenRulesSay) {
  RandomBits next(0xC0FFEE1234ULL);
  auto digits = [&next](int n) {
    std::string d;
    for (int i = 0; i < n; ++i) d += static_cast<char>('0' + next() % 10);
    return d;
  };
  std::vector<std::string> reals, words;
  for (int i = 0; i < 30000; ++i) {
    std::string t = next() % 3 == 0 ? "-" : next() % 5 == 0 ? "+" : "";
    t += digits(1 + static_cast<int>(next() % (next() % 4 == 0 ? 24 : 9)));
    if (next() % 3 != 0) {
      t += '.';
      t += digits(1 + static_cast<int>(next() % (next() % 4 == 0 ? 24 : 9)));
    }
    if (next() % 10 == 0) {
      t += next() % 2 ? 'e' : 'E';
      t += std::to_string(static_cast<int>(next() % 80) - 40);
    }
    reals.push_back(t);
    static const char* const prefixes[] = {"", "", "", "+", "$", "0x", "x", "%", "&"};
    const char* prefix = prefixes[next() % 9];
    std::string w = prefix;
    if (w == "%") {
      w += static_cast<char>('0' + next() % 2);
      w += static_cast<char>('0' + next() % 2);
    } else if (w == "&") {
      w += static_cast<char>('0' + next() % 8);
    } else {  // up to 64 bits
      const bool hex = w == "$" || w == "0x" || w == "x";
      w += digits(1 + static_cast<int>(next() % (hex ? 16 : 19)));
    }
    words.push_back(w);
  }
  for (const char* t : {"Inf", "-nan", "+INF", "0", "-0", "0.0", "9007199254740993", "1.5e300"})
    reals.push_back(t);
  static const char* const blanks[] = {" ", "\t", "\r\n", "\n", "  \r\n\r\n", "\r"};
  for (const auto* list : {&reals, &words}) {
    std::string text;
    for (const std::string& t : *list) text += t + blanks[next() % 6];
    text += std::string(300, ' ');
    TextFile f;
    open_bytes(f, text);
    for (const std::string& t : *list) {
      if (list == &reals) {
        double want = 0;
        ASSERT_TRUE(parse_real(t, want)) << t;
        const double got = read_real(f);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got) == 0 || (got != got && want != want), true)
            << t << ": " << got << " vs " << want;
      } else {
        std::uint16_t want = 0;
        ASSERT_TRUE(parse_word(t, want)) << t;
        ASSERT_EQ(read_word(f), want) << t;
      }
      ASSERT_EQ(io_result(), 0) << t;
    }
  }
  // A bad token stops the reading there, also with plenty of bytes after it.
  for (const char* bad : {"1.", ".5", "1e", "1.2.3", "12x", "--1", "1,5", "+", "-", "5e+", "0x10",
                          "12345678901234567890123.4x"}) {
    SCOPED_TRACE(bad);
    TextFile f;
    open_bytes(f, std::string("  ") + bad + std::string(300, ' ') + "\r\n");
    EXPECT_EQ(read_real(f), 0.0);
    EXPECT_EQ(io_result(), kInvalidNumber);
  }
  for (const char* bad : {"-1", "1.5", "0x", "$", "12a", "99999999999999999999999", "%2", "&8"}) {
    SCOPED_TRACE(bad);
    TextFile f;
    open_bytes(f, std::string(bad) + std::string(300, ' '));
    EXPECT_EQ(read_word(f), 0);
    EXPECT_EQ(io_result(), kInvalidNumber);
  }
}

}  // namespace
}  // namespace survey_rt
