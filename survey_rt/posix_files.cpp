// Files on POSIX systems: the name lookup without regard to letter case and
// errno mapped to the error codes of the I/O result.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "ascii_case.h"
#include "platform.h"
#include "stop.h"

namespace survey_rt::platform {
namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder of dir that name names: name itself when it exists, else the
// first entry in byte order that equals it without regard to ASCII case, else
// name unchanged.
std::string lookup_folder(const std::string& dir, const std::string& name) {
  if (name == "." || name == ".." || exists(dir + name)) return name;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return name;
  std::string best;
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (equal_nocase(e->d_name, name) && (!found || best > e->d_name)) {
      best = e->d_name;
      found = true;
    }
  }
  ::closedir(d);
  return found ? best : name;
}

// The file of folder dir that name names. Among the entries that equal name
// without regard to ASCII case and are no folders, the most recently
// modified; at equal times name itself, then the first in byte order. Such
// names arise when a program saves a file under another letter case than the
// one it was read under (Clr_Rec.Dxf beside Clr_Rec.dxf): the newest is the
// last one saved. With no such file: for reading, the folder that lookup_folder
// finds (opening it is refused), for writing name itself.
std::string lookup_file(const std::string& dir, const std::string& name, Use use) {
  if (name == "." || name == "..") return name;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return name;
  std::string best;
  std::pair<time_t, long> best_time;  // its modification time
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (!equal_nocase(e->d_name, name)) continue;
    struct stat st;
    if (::stat((dir + e->d_name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    const std::pair<time_t, long> time{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    const bool before_best = best != name && (e->d_name == name || e->d_name < best);
    if (!found || time > best_time || (time == best_time && before_best)) {
      best = e->d_name;
      best_time = time;
      found = true;
    }
  }
  ::closedir(d);
  if (found) return best;
  return use == Use::read ? lookup_folder(dir, name) : name;
}

std::string parent_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::uint16_t code_of(int err, const std::string& path) {
  switch (err) {
    case ENOENT: return is_folder(parent_of(path)) ? kFileNotFound : kPathNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    default: return static_cast<std::uint16_t>(err);
  }
}

}  // namespace

// The path as it stands on disk: the folders found one by one, the file by
// lookup_file.
std::string resolve(std::string_view given, Use use) {
  std::string path(given);
  for (char& c : path)
    if (c == '\\') c = '/';
  std::string done;
  std::size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    done = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (!part.empty())
      done += end == path.size() ? lookup_file(done, part, use) : lookup_folder(done, part);
    if (end < path.size()) done += '/';
    start = end + 1;
  }
  return done;
}

// open(2), again when a signal came in while it waited (a FIFO's writer).
int open_path(const std::string& path, int flags) {
  for (;;) {
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

std::uint16_t open_read(std::string_view given, int& fd) {
  const std::string path = resolve(given, Use::read);
  fd = open_path(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return code_of(errno, path);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    return kAccessDenied;
  }
  return 0;
}

std::uint16_t create_write(std::string_view given, int& fd) {
  const std::string path = resolve(given, Use::write);
  fd = open_path(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return code_of(errno, path);
  return 0;
}

std::uint16_t read_some(int fd, char* buf, std::size_t n, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t r = ::read(fd, buf, n);
    if (r >= 0) {
      got = static_cast<std::size_t>(r);
      return 0;
    }
    if (errno == EISDIR) return kAccessDenied;
    if (errno != EINTR) return static_cast<std::uint16_t>(errno);
  }
}

std::uint16_t read_at(int fd, char* buf, std::size_t n, std::uint64_t offset, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t r = ::pread(fd, buf, n, static_cast<off_t>(offset));
    if (r >= 0) {
      got = static_cast<std::size_t>(r);
      return 0;
    }
    if (errno != EINTR) return static_cast<std::uint16_t>(errno);
  }
}

bool is_regular_file(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

std::uint16_t write_all(int fd, const char* buf, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, buf, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return static_cast<std::uint16_t>(errno);
    }
    buf += w;
    n -= static_cast<std::size_t>(w);
  }
  return 0;
}

std::uint16_t close_fd(int fd) {
  if (::close(fd) != 0 && errno != EINTR) return static_cast<std::uint16_t>(errno);
  return 0;
}

int stdin_fd() { return STDIN_FILENO; }
int stdout_fd() { return STDOUT_FILENO; }

std::uint16_t replace_file(std::string_view from, std::string_view to) {
  if (std::rename(std::string(from).c_str(), std::string(to).c_str()) != 0) return code_of(errno, std::string(to));
  return 0;
}

std::uint16_t remove_file(std::string_view path) {
  if (std::remove(std::string(path).c_str()) != 0) return code_of(errno, std::string(path));
  return 0;
}

PathKind path_kind(std::string_view path) {
  struct stat st;
  if (::stat(resolve(path, Use::read).c_str(), &st) != 0) return PathKind::none;
  return S_ISDIR(st.st_mode) ? PathKind::folder : PathKind::file;
}

bool same_file(std::string_view a, std::string_view b) {
  struct stat sa, sb;
  return ::stat(resolve(a, Use::read).c_str(), &sa) == 0 && ::stat(resolve(b, Use::read).c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

const char* error_text(std::uint16_t code) { return std::strerror(code); }

}  // namespace survey_rt::platform
