// The console on Windows. On a console window the screen is drawn through the
// console API (cells and cursor), its output code page switched to 1251, the
// code page of the tools' texts, and put back on every way out: exit, Ctrl-C,
// Ctrl-Break, the window closed. Keys come as console input records and are
// given the characters and key codes that the POSIX terminal gives. A
// redirected standard output gets the escape sequences that it gets on POSIX,
// byte for byte.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform.h"
#include "screen.h"
#include "screen_changes.h"

namespace survey_rt::platform {
namespace {

constexpr UINT kTextCodePage = 1251;

HANDLE input() { return ::GetStdHandle(STD_INPUT_HANDLE); }
HANDLE output() { return ::GetStdHandle(STD_OUTPUT_HANDLE); }

bool is_console(HANDLE h) {
  DWORD mode;
  return ::GetConsoleMode(h, &mode) != 0;
}

// The console's own settings, put back on the way out. Written by the main
// thread, each before the console is changed; the control handler runs on a
// thread of its own and only reads them.
volatile UINT saved_code_page = 0;  // 0: the code page was not changed
DWORD saved_input_mode = 0;
volatile bool input_mode_saved = false;
volatile LONG keys_active = 0;

// Who ends the process. A console event (Ctrl-C, Ctrl-Break, the window
// closed; under wine also SIGINT) runs the control handler on a thread that
// the system starts for it, at any moment, also while the tool's own thread
// is ending: showing its last screen, running the C runtime's exit (atexit
// functions, static destructors) and ExitProcess, which takes the C runtime
// and the DLLs down. Two threads ending the process at once is a race: the
// handler used to start a thread of its own and end the process in the
// middle of that exit (a stop that had written "Runtime error 3" ended with
// 0xC000013A), and a thread that starts or ends while the runtime is taken
// down runs the runtime's per-thread code on what is being freed. So exactly
// one thread ends the process, the first to claim it: ending holds kRunning,
// kEndedByEvent, or the status that the tool's own thread ends with.
constexpr LONG kRunning = -1;
constexpr LONG kEndedByEvent = -2;
volatile LONG ending = kRunning;

// Claims the end of the process (an exit status, or kEndedByEvent); the claim
// that was there before (kRunning when this one holds).
LONG claim_end(LONG claim) { return ::InterlockedCompareExchange(&ending, claim, kRunning); }

[[noreturn]] void wait_for_the_end() {
  for (;;) ::Sleep(INFINITE);
}

void put_back_console() {
  keys_off();
  if (saved_code_page != 0) ::SetConsoleOutputCP(saved_code_page);
}

DWORD WINAPI put_back_console_thread(void*) {
  put_back_console();
  return 0;
}

// Ctrl-C, Ctrl-Break, the window closed, logoff, shutdown: the console as it
// was, and the end with the status that Windows gives a run broken off (wine
// would end it with 0, as if it had run through). Nothing else runs: output
// not yet written is lost, as on POSIX. The console is put back by a thread
// of its own, waited for at most half a second: wine's console may answer no
// call of the process while it reports the key. When the tool is ending
// already (begin_exit), the event leaves it its end and its status.
BOOL WINAPI on_console_event(DWORD) {
  const LONG before = claim_end(kEndedByEvent);
  if (before >= 0) {
    // The tool is ending: its thread ends the process (and this one with it).
    // Should its console calls hang (wine's console while it reports a key),
    // the process still ends, with the tool's status, after two seconds.
    ::Sleep(2000);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(before));
  }
  if (before != kRunning) wait_for_the_end();  // another event's thread ends it
  // No thread is started when nothing is to be put back (the console not
  // changed yet, or none: the standard handles redirected).
  if (saved_code_page != 0 || (keys_active && input_mode_saved)) {
    if (const HANDLE t = ::CreateThread(nullptr, 0, put_back_console_thread, nullptr, 0, nullptr))
      ::WaitForSingleObject(t, 500);
  }
  ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

// Before main, for every tool: the standard handles as bytes, whatever the C
// runtime would make of line ends; no message box of the system for a drive
// that is not ready; and the control handler, so that no console event ever
// meets the system's own handler, which would end the process from the
// event's thread while the tool's thread runs on. A program that ends
// without ever showing its console still claims its end before the C
// runtime is taken down.
const bool set_up_before_main = [] {
  ::_setmode(0, _O_BINARY);
  ::_setmode(1, _O_BINARY);
  ::_setmode(2, _O_BINARY);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
  std::atexit([] { begin_exit(0); });
  return true;
}();

// What the console window shows now, as far as this process drew it, and the
// buffer cell of the window's top left corner.
Screen shown;
COORD origin{0, 0};

// Writes all of text, or as much as the handle takes: with nowhere to show
// the screen or a message, the tool goes on without it.
void write_to(HANDLE h, std::string_view text) {
  while (!text.empty()) {
    DWORD w = 0;
    if (!::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &w, nullptr) || w == 0) return;
    text.remove_prefix(w);
  }
}

void draw_on_console(const Screen& screen) {
  const HANDLE out = output();
  const ScreenChanges changes = take_changes(shown, screen, false);
  DWORD done;
  if (changes.clear) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    WORD colour = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
    if (::GetConsoleScreenBufferInfo(out, &info)) {
      origin = {info.srWindow.Left, info.srWindow.Top};
      colour = info.wAttributes;
    }
    for (int row = 0; row < screen.height; ++row) {
      const COORD at{origin.X, static_cast<SHORT>(origin.Y + row)};
      ::FillConsoleOutputCharacterA(out, ' ', static_cast<DWORD>(screen.width), at, &done);
      ::FillConsoleOutputAttribute(out, colour, static_cast<DWORD>(screen.width), at, &done);
    }
  }
  std::string text;
  for (const ScreenChanges::Span& span : changes.spans) {
    text.clear();
    for (int col = span.col; col < span.col + span.count; ++col)
      text += static_cast<char>(screen.at(col, span.row));
    const COORD at{static_cast<SHORT>(origin.X + span.col - 1), static_cast<SHORT>(origin.Y + span.row - 1)};
    ::WriteConsoleOutputCharacterA(out, text.data(), static_cast<DWORD>(text.size()), at, &done);
  }
  if (changes.cursor)
    ::SetConsoleCursorPosition(
        out, {static_cast<SHORT>(origin.X + screen.x - 1), static_cast<SHORT>(origin.Y + screen.y - 1)});
}

// The key code of a cursor or function key, as a PC keyboard reports it
// after a 0; 0 for a key that is none of them (Shift, Ctrl, ...).
std::uint8_t key_code(WORD virtual_key) {
  switch (virtual_key) {
    case VK_UP: return 72;
    case VK_DOWN: return 80;
    case VK_LEFT: return 75;
    case VK_RIGHT: return 77;
    case VK_HOME: return 71;
    case VK_END: return 79;
    case VK_PRIOR: return 73;
    case VK_NEXT: return 81;
    case VK_INSERT: return 82;
    case VK_DELETE: return 83;
    case VK_F11: return 133;
    case VK_F12: return 134;
  }
  if (virtual_key >= VK_F1 && virtual_key <= VK_F10) return static_cast<std::uint8_t>(59 + (virtual_key - VK_F1));
  return 0;
}

// The byte of a typed character in the tools' code page; false when it has none.
bool text_byte(wchar_t c, char& byte) {
  BOOL lost = FALSE;
  return ::WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, &byte, 1, nullptr, &lost) == 1 &&
         !lost;
}

int key_after_escape = -1;  // a character to give after an Escape (see read_key)

}  // namespace

bool stdin_is_terminal() { return is_console(input()); }
bool stdout_is_terminal() { return is_console(output()); }

void window_size(int& width, int& height) {
  width = 80;
  height = 25;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(output(), &info)) {
    width = info.srWindow.Right - info.srWindow.Left + 1;
    height = info.srWindow.Bottom - info.srWindow.Top + 1;
  }
}

// The tools' texts go to the console as bytes of code page 1251.
bool console_is_utf8() { return false; }

// Key input comes from input records, which neither echo nor wait for a line;
// the console is still told so, for as long as the tool reads keys. Ctrl-C
// stays with the control handler.
void keys_on() {
  if (!stdin_is_terminal()) return;
  if (!input_mode_saved) {
    if (!::GetConsoleMode(input(), &saved_input_mode)) return;
    input_mode_saved = true;
  }
  ::SetConsoleMode(input(), saved_input_mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  keys_active = 1;
}

void keys_off() {
  if (keys_active && input_mode_saved) ::SetConsoleMode(input(), saved_input_mode);
  keys_active = 0;
}

// Escape, and a key pressed with Alt (without Ctrl, which with Alt is AltGr),
// as a terminal sends them: wine's console in a terminal reports an Escape as
// the key without a character or, when the next key follows at once, as that
// key with Alt. So Alt and a key give an Escape, then the key's character.
bool read_key(Key& key) {
  key = Key{};
  if (key_after_escape >= 0) {
    key.ch = static_cast<char>(key_after_escape);
    key_after_escape = -1;
    return true;
  }
  for (;;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!::ReadConsoleInputW(input(), &record, 1, &got)) return false;
    if (got == 0 || record.EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& k = record.Event.KeyEvent;
    const wchar_t c = k.uChar.UnicodeChar;
    // A character typed as Alt + digits on the number pad comes as Alt is let go.
    const bool alt_code = !k.bKeyDown && k.wVirtualKeyCode == VK_MENU && c != 0;
    if (!k.bKeyDown && !alt_code) continue;
    if (c == 0 && k.wVirtualKeyCode == VK_ESCAPE) {
      key.ch = 27;
      return true;
    }
    if (c == 0) {
      key.code = key_code(k.wVirtualKeyCode);
      if (key.code != 0) return true;
      continue;
    }
    char byte;
    if (!text_byte(c, byte)) continue;
    const DWORD state = k.dwControlKeyState;
    const bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0 &&
                     (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) == 0;
    if (alt && !alt_code && byte != 27) {
      key.ch = 27;
      key_after_escape = static_cast<unsigned char>(byte);
      return true;
    }
    key.ch = byte;
    return true;
  }
}

void present(const Screen& screen) {
  if (stdout_is_terminal()) draw_on_console(screen);
  else write_to(output(), vt_text(take_changes(shown, screen, false), screen, false));
}

// The control handler is in place from before main (set_up_before_main).
void install_exit_guards() {
  if (stdout_is_terminal()) {
    const UINT code_page = ::GetConsoleOutputCP();
    if (code_page != kTextCodePage) {
      saved_code_page = code_page;
      if (!::SetConsoleOutputCP(kTextCodePage)) saved_code_page = 0;
    }
  }
  if (stdin_is_terminal() && !input_mode_saved && ::GetConsoleMode(input(), &saved_input_mode))
    input_mode_saved = true;
}

void begin_exit(int status) {
  // An event's thread ends the process within half a second.
  if (claim_end(static_cast<LONG>(status & 0xFFFF)) == kEndedByEvent) wait_for_the_end();
}

void restore_terminal() {
  put_back_console();
  saved_code_page = 0;
}

std::int64_t now_ms() { return static_cast<std::int64_t>(::GetTickCount64()); }

void write_stderr(std::string_view text) { write_to(::GetStdHandle(STD_ERROR_HANDLE), text); }

void exit_process(int code) { std::exit(code); }

}  // namespace survey_rt::platform
