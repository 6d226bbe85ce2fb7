// The console on POSIX terminals: key input with the terminal's echo off,
// the window drawn with VT/ANSI escape sequences, and the terminal's settings
// restored on every way out of the process.
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform.h"
#include "screen.h"
#include "screen_changes.h"

namespace survey_rt::platform {
namespace {

termios saved_modes;
volatile sig_atomic_t modes_saved = 0;  // saved_modes holds the terminal's own settings
volatile sig_atomic_t keys_active = 0;  // the terminal is in key mode now

// What the terminal shows now, as far as this process drew it (no cells
// before the first present).
Screen shown;

// When the screen is on a terminal (to_bottom_size > 0) and the process
// stops (Ctrl-Z), the cursor goes below the window (to_bottom) for the shell;
// when it goes on (fg), redraw_wanted asks for the whole window to be drawn
// again.
volatile sig_atomic_t redraw_wanted = 0;
char to_bottom[32];
std::size_t to_bottom_size = 0;

void set_key_mode() {
  termios raw = saved_modes;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ECHONL | IEXTEN));
  raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

void on_fatal_signal(int sig) {
  if (modes_saved) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void on_stop_signal(int);

void catch_stop_signal(void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  ::sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTSTP, &sa, nullptr);  // no SA_RESTART: a key wait ends, to draw the window again
}

// Ctrl-Z: the terminal as the shell wants it, the process stopped as without
// this handler; on going on (fg), key mode again, and the window to be drawn
// anew in the normal flow of the tool (only async-signal-safe calls here).
void on_stop_signal(int) {
  const int saved_errno = errno;
  const bool was_active = keys_active;
  if (was_active && modes_saved) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
  if (to_bottom_size > 0) {
    [[maybe_unused]] const ssize_t moved = ::write(STDOUT_FILENO, to_bottom, to_bottom_size);
  }
  // SIGTSTP is blocked while its handler runs: with the default action and
  // let through, raising it stops the process here until SIGCONT.
  catch_stop_signal(SIG_DFL);
  sigset_t stop;
  ::sigemptyset(&stop);
  ::sigaddset(&stop, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  ::raise(SIGTSTP);
  catch_stop_signal(on_stop_signal);
  if (was_active) set_key_mode();
  if (to_bottom_size > 0) redraw_wanted = 1;
  errno = saved_errno;
}

// Draws the whole window again after the process went on from a stop.
void redraw_if_wanted() {
  if (!redraw_wanted) return;
  const Screen now = shown;
  present(now);
}

// Waits up to ms milliseconds for a byte of the standard input (for ever
// when ms < 0). A wait broken off by a stop draws the window again.
int next_byte(int ms) {
  redraw_if_wanted();
  pollfd p{STDIN_FILENO, POLLIN, 0};
  int ready;
  while (ms >= 0 && (ready = ::poll(&p, 1, ms)) <= 0) {
    if (ready == 0 || errno != EINTR) return -1;
    redraw_if_wanted();
  }
  unsigned char c;
  for (;;) {
    const ssize_t r = ::read(STDIN_FILENO, &c, 1);
    if (r == 1) return c;
    if (r < 0 && errno == EINTR) {
      redraw_if_wanted();
      continue;
    }
    return -2;
  }
}

// Key codes of the escape sequences of cursor and function keys, as a PC
// keyboard reports them after a 0.
std::uint8_t key_code(char final, int param) {
  switch (final) {
    case 'A': return 72;
    case 'B': return 80;
    case 'C': return 77;
    case 'D': return 75;
    case 'H': return 71;
    case 'F': return 79;
    case 'P': return 59;
    case 'Q': return 60;
    case 'R': return 61;
    case 'S': return 62;
    case '~':
      switch (param) {
        case 1: return 71;
        case 2: return 82;
        case 3: return 83;
        case 4: return 79;
        case 5: return 73;
        case 6: return 81;
        case 11: return 59;
        case 12: return 60;
        case 13: return 61;
        case 14: return 62;
        case 15: return 63;
        case 17: return 64;
        case 18: return 65;
        case 19: return 66;
        case 20: return 67;
        case 21: return 68;
        case 23: return 133;
        case 24: return 134;
      }
  }
  return 0;
}

}  // namespace

bool stdin_is_terminal() { return ::isatty(STDIN_FILENO) == 1; }
bool stdout_is_terminal() { return ::isatty(STDOUT_FILENO) == 1; }

void window_size(int& width, int& height) {
  width = 80;
  height = 25;
  winsize ws{};
  if (stdout_is_terminal() && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 &&
      ws.ws_row > 0) {
    width = ws.ws_col;
    height = ws.ws_row;
  }
}

bool console_is_utf8() {
  static const bool utf8 = [] {
    const char* old = std::setlocale(LC_CTYPE, nullptr);
    const std::string keep = old != nullptr ? old : "C";
    std::setlocale(LC_CTYPE, "");
    const bool is = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::setlocale(LC_CTYPE, keep.c_str());
    return is;
  }();
  return utf8;
}

void keys_on() {
  if (!stdin_is_terminal()) return;
  if (!modes_saved) {
    if (::tcgetattr(STDIN_FILENO, &saved_modes) != 0) return;
    modes_saved = 1;
  }
  keys_active = 1;
  set_key_mode();
}

void keys_off() {
  // Marked first: a stop from here on leaves the terminal to this call.
  const bool was_active = keys_active;
  keys_active = 0;
  if (was_active && modes_saved) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
}

bool read_key(Key& key) {
  key = Key{};
  for (;;) {
    const int c = next_byte(-1);
    if (c < 0) return false;
    if (c != 27) {
      key.ch = static_cast<char>(c);
      return true;
    }
    // Escape alone, or the start of a key's escape sequence.
    const int intro = next_byte(30);
    if (intro < 0) {
      key.ch = 27;
      return true;
    }
    if (intro != '[' && intro != 'O') continue;  // Alt+key: not a key of ours
    int param = 0;
    int b = next_byte(30);
    while (b >= 0 && ((b >= '0' && b <= '9') || b == ';')) {
      if (b != ';' && param < 1000) param = param * 10 + (b - '0');
      if (b == ';') param = 0;
      b = next_byte(30);
    }
    if (b < 0) continue;
    key.code = key_code(static_cast<char>(b), param);
    if (key.code != 0) return true;
  }
}

void present(const Screen& screen) {
  const bool redraw = redraw_wanted;
  redraw_wanted = 0;
  // With nowhere to show the screen, the tool goes on without it.
  const std::string text = vt_text(take_changes(shown, screen, redraw), screen, console_is_utf8());
  write_all(STDOUT_FILENO, text.data(), text.size());
}

void install_exit_guards() {
  if (stdin_is_terminal() && !modes_saved && ::tcgetattr(STDIN_FILENO, &saved_modes) == 0)
    modes_saved = 1;
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction sa {};
    sa.sa_handler = on_fatal_signal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
  }
  if (stdout_is_terminal()) {
    int width, height;
    window_size(width, height);
    const int n = std::snprintf(to_bottom, sizeof to_bottom, "\x1b[%d;1H\r\n", height);
    to_bottom_size = n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  catch_stop_signal(on_stop_signal);
}

void restore_terminal() { keys_off(); }

void begin_exit(int) {}

std::int64_t now_ms() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

#ifdef SURVEY_FUZZ
void (*exit_hook)(int code) = nullptr;
void (*stderr_hook)(std::string_view text) = nullptr;
#endif

void write_stderr(std::string_view text) {
#ifdef SURVEY_FUZZ
  if (stderr_hook != nullptr) {
    stderr_hook(text);
    return;
  }
#endif
  write_all(STDERR_FILENO, text.data(), text.size());  // nowhere to tell a failure
}

void exit_process(int code) {
#ifdef SURVEY_FUZZ
  if (exit_hook != nullptr) exit_hook(code);
#endif
  std::exit(code);
}

}  // namespace survey_rt::platform
