// Text files of the survey tools: free-format numbers read token by token
// across line ends, fixed-notation numbers written, CR LF line ends, byte 26
// as the end of a file. Every operation that fails sets the process-wide I/O
// result (stop.h), which blocks every further read or write until io_check
// or io_result examines it. The rules of the numbers: number_grammar.h
// (reading) and fixed_notation.h (writing); the line search of the DXF scan:
// line_search.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stop.h"

namespace survey_rt {

enum class FileMode : std::uint8_t { closed, input, output };

struct TextFile;

namespace detail {

// Where the bytes of a file come from or go to.
enum class FileKind : std::uint8_t { disk, console };

// A text file's reading and writing state. The text-file operations' own:
// text_file.cpp, text_file_read.cpp, text_file_write.cpp and line_search.cpp
// reach it through file_buffer.h, and nothing else does.
struct FileBuffer {
  std::string name;  // the path as the tool gave it (empty for the console)
  FileMode mode = FileMode::closed;
  FileKind kind = FileKind::disk;
  int fd = -1;
  // Input: bytes buf[pos, len) are read but not consumed; eof once the source
  // gave its last byte. Output: bytes buf[0, len) wait to be written.
  char* buf = nullptr;
  std::size_t pos = 0;
  std::size_t len = 0;
  std::size_t cap = 0;
  bool eof = false;
  // Input lines, for error messages: line is the line of the byte buf[line_pos],
  // counted up to there only when needed; cr_seen tells that the byte before it
  // was a CR. A regular file counts nothing while it is read: at a failure its
  // first dropped bytes (those read before buf[0]) are read again and counted.
  // Other inputs (the console, pipes) count the bytes they drop at each refill.
  std::size_t line_pos = 0;
  bool cr_seen = false;
  long line = 1;
  bool count_at_failure = false;
  std::uint64_t dropped = 0;
  // Input: the last bytes before buf[0] (at most sizeof back, ending at
  // back[sizeof back - 1]); back_len < sizeof back only when they are all the
  // bytes before buf[0]. They tell the line before a line at buf[0].
  char back[80];
  std::uint8_t back_len = 0;
  FileBuffer* next_open = nullptr;  // chain of open output files (flushed at a stop)
  std::string long_line;  // take_line's copy of the start of a line too long to keep
};

// The state of f, for the text-file operations (defined in file_buffer.h).
inline FileBuffer& buffer_of(TextFile& f);
inline const FileBuffer& buffer_of(const TextFile& f);

}  // namespace detail

// A text file: closed until open_input or create_output succeeds.
struct TextFile : private detail::FileBuffer {
  using FileBuffer::mode;

  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile();

 private:
  friend detail::FileBuffer& detail::buffer_of(TextFile& f);
  friend const detail::FileBuffer& detail::buffer_of(const TextFile& f);
};

void open_input(TextFile& f, std::string_view path);
// open_input for a file that a tool may do without: false, with no error
// pending, when the file does not exist; true when it is open, or when
// opening failed otherwise (the error is left for io_check).
bool open_input_if_present(TextFile& f, std::string_view path);
void create_output(TextFile& f, std::string_view path);
void close_file(TextFile& f);

bool at_end(TextFile& f);
// at_end followed by io_check: the end test of the tools' reading loops.
inline bool at_end_checked(TextFile& f) {
  const bool end = at_end(f);
  io_check();
  return end;
}
double read_real(TextFile& f);
std::uint16_t read_word(TextFile& f);
std::string read_line(TextFile& f);
// read_line and skip_line in one: the line (at most 255 characters of it) as
// a view that stays valid until the next operation on f, its end consumed.
std::string_view take_line(TextFile& f);
void skip_line(TextFile& f);
// The next bytes of an input file, at most n of them (fewer at its end; byte
// 26 counts as a byte here), not consumed: a view valid until the next
// operation on f.
std::string_view peek_bytes(TextFile& f, std::size_t n);
// A line of a log that may hold any byte (a recorded serial line): only an LF,
// a CR LF or a CR alone ends it, and byte 26 is an ordinary byte. Sets line to
// the line's first bytes, at most keep of them (valid until the next operation
// on f), and size to the length of the whole line, however long; the line end
// is consumed. False at the end of the file.
bool take_raw_line(TextFile& f, std::size_t keep, std::string_view& line, std::uint64_t& size);

void write_str(TextFile& f, std::string_view s, int w = 0);
void write_char(TextFile& f, char c, int w = 0);
void write_int(TextFile& f, std::int32_t n, int w = 0);
void write_fixed(TextFile& f, double x, int w, int d);
void end_line(TextFile& f);

// The console as text files: standard input and standard output, open from
// the start (open_input / create_output with an empty path give the same).
TextFile& console_input();
TextFile& console_output();

// The name under which create_output writes a path, and under which a later
// open_input of it reads: the file names of the tools compare without regard
// to letter case, and of several names that differ only in case the most
// recently modified one counts.
std::string disk_path(std::string_view path);

// Writes out the buffered bytes of every open output file (at a stop or halt).
void flush_open_outputs();

}  // namespace survey_rt
