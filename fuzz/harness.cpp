#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <vector>

#include "platform.h"

namespace survey_fuzz {
namespace {

std::string stderr_text;

void on_exit(int code) { throw ToolExit{code}; }

void on_stderr(std::string_view text) { stderr_text.append(text); }

}  // namespace

void install_hooks() {
  survey_rt::platform::exit_hook = on_exit;
  survey_rt::platform::stderr_hook = on_stderr;
}

std::string take_stderr() {
  std::string text;
  text.swap(stderr_text);
  return text;
}

const std::string& scratch_dir() {
  // In memory where /dev/shm is there (the tool targets run much faster),
  // removed at the normal end of the process.
  static std::string dir;
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    if (tmp == nullptr && ::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    std::string pattern = base + "/survey-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp " + pattern);
    dir = pattern;
    std::atexit([] {
      empty_folder(dir);
      ::rmdir(dir.c_str());
    });
  }
  return dir;
}

void write_file(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail("cannot create " + path + ": " + std::strerror(errno));
  while (!bytes.empty()) {
    const ssize_t w = ::write(fd, bytes.data(), bytes.size());
    if (w <= 0) fail("cannot write " + path);
    bytes.remove_prefix(static_cast<std::size_t>(w));
  }
  ::close(fd);
}

bool read_file(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[1 << 16];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r <= 0) break;
    bytes.append(buf, static_cast<std::size_t>(r));
  }
  ::close(fd);
  return true;
}

void empty_folder(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      empty_folder(path);
      ::rmdir(path.c_str());
    } else {
      ::unlink(path.c_str());
    }
  }
  ::closedir(d);
}

void fail(const std::string& what) {
  std::fprintf(stderr, "\n==FUZZ CHECK FAILED== %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void check_stop_message(const std::string& text, int code) {
  static const std::regex first(R"(Runtime error (\d+) at \$[0-9A-F]{16})");
  static const std::regex location(R"(  \$[0-9A-Fa-f]+.*)");
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  FUZZ_CHECK(start == text.size(), "stop message without its last line end: " + show(text));
  FUZZ_CHECK(lines.size() >= 3, "stop message too short: " + show(text));
  std::smatch m;
  FUZZ_CHECK(std::regex_match(lines[0], m, first), "first line: " + show(text));
  FUZZ_CHECK(m[1] == std::to_string(code), "code in the message differs from the exit status " +
                                                std::to_string(code) + ": " + show(text));
  FUZZ_CHECK(lines.back().empty(), "no empty line at the end: " + show(text));
  for (std::size_t i = 1; i + 1 < lines.size(); ++i)
    FUZZ_CHECK(std::regex_match(lines[i], location), "location line: " + show(text));
}

std::string show(std::string_view bytes, std::size_t limit) {
  std::string out = "\"";
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 32 && c < 127 && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      out += esc;
    }
  }
  if (bytes.size() > limit) out += "...";
  return out + "\" (" + std::to_string(bytes.size()) + " bytes)";
}

}  // namespace survey_fuzz
