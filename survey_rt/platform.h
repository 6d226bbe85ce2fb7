// What the runtime needs from the operating system: files by path with the
// platform's error codes, and the terminal. One implementation per platform
// (posix_files.cpp, posix_terminal.cpp; windows_files.cpp, windows_terminal.cpp);
// nothing else in survey_rt or in the tools knows about file descriptors,
// handles, errno, termios, the console API or escape sequences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace survey_rt {
struct Screen;
}

namespace survey_rt::platform {

// Files. Each returns 0 or the error code of the I/O result.
// The path as it stands on disk, its parts looked up in their folders without
// regard to ASCII letter case. A folder: the exact name, else the first match
// in byte order. The file: the most recently modified match that is no
// folder (at equal times the exact name, then the first in byte order); with
// none, for reading the folder found as above, for writing the exact name.
// Parts not found stay as given. Writing a path and reading it back so meet
// the same file. (Windows finds names without regard to case itself, one
// file to a name: there the path as given.)
enum class Use : std::uint8_t { read, write };
std::string resolve(std::string_view path, Use use);
std::uint16_t open_read(std::string_view path, int& fd);
std::uint16_t create_write(std::string_view path, int& fd);
// Reads up to n bytes; got = 0 at the end of the file.
std::uint16_t read_some(int fd, char* buf, std::size_t n, std::size_t& got);
// Reads up to n bytes from the given offset, leaving the file position alone.
std::uint16_t read_at(int fd, char* buf, std::size_t n, std::uint64_t offset, std::size_t& got);
// Whether fd is a regular file, which can be read again from any offset.
bool is_regular_file(int fd);
std::uint16_t write_all(int fd, const char* buf, std::size_t n);
std::uint16_t close_fd(int fd);
int stdin_fd();
int stdout_fd();
// Puts the file from in the place of the file to, replacing it when it is
// there, in one step; removes a file. Paths as they stand on disk (resolve).
std::uint16_t replace_file(std::string_view from, std::string_view to);
std::uint16_t remove_file(std::string_view path);
// What a path names, its parts looked up as resolve looks them up for reading.
enum class PathKind : std::uint8_t { none, file, folder };
PathKind path_kind(std::string_view path);
// Whether two paths name one file (both there; the same file under two names,
// a link to it, or the same name in two letter cases).
bool same_file(std::string_view a, std::string_view b);
// The words for an error code of the platform's own ("disk full"), for the
// codes that the I/O result has no words of its own for.
const char* error_text(std::uint16_t code);

// Terminal.
bool stdin_is_terminal();
bool stdout_is_terminal();
// The window size when the standard output is a terminal, else 80 x 25.
void window_size(int& width, int& height);
// Whether console text is shown as UTF-8 (the locale's character set).
bool console_is_utf8();

// Key input with the terminal's echo and line editing off; restored by
// keys_off and by every way out of the process (exit, signals).
void keys_on();
void keys_off();
// One key: ch its character, or ch = 0 and code the key code of a function
// or cursor key. Returns false at the end of the input.
struct Key {
  char ch = 0;
  std::uint8_t code = 0;
};
bool read_key(Key& key);

// Brings the terminal (or the redirected standard output) to show the screen.
void present(const Screen& screen);
// Installs the handlers that restore the terminal on Ctrl-C, SIGTERM, SIGHUP.
void install_exit_guards();
void restore_terminal();
// The process begins to end on the calling thread, with the exit status
// given: the run-time stop, halt, the end of main. From here on a console
// event does not break the end off (on Windows its handler runs on a thread
// of its own and now only waits), and a second call keeps the first status;
// when such an event is ending the process already, it does not return.
// Nothing to do on POSIX, where signals run on the tool's own thread.
void begin_exit(int status);
std::int64_t now_ms();
// Writes a text to the standard error, unbuffered.
void write_stderr(std::string_view text);
[[noreturn]] void exit_process(int code);

#ifdef SURVEY_FUZZ
// Fuzz builds run a tool many times in one process. When set, exit_process
// calls exit_hook, which must not return (the harness throws back to itself),
// and write_stderr hands its text to stderr_hook instead of the standard error.
extern void (*exit_hook)(int code);
extern void (*stderr_hook)(std::string_view text);
#endif

}  // namespace survey_rt::platform
