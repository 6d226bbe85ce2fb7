// Files on Windows, through Win32 handles: the error codes are Windows' own
// (2, 3 and 5 as the runtime knows them, 32 for a file that another program
// holds open, 112 or 39 for a full disk). The file system finds names without
// regard to letter case by itself. Paths are text of the tools, Windows-1251
// like the console's, and go to the wide-character calls as such, so that a
// name typed at a prompt is the name opened whatever the system's code page.
//
// An int fd holds a handle: handles of 64-bit Windows keep their value in 32
// bits (HandleToLong / LongToHandle), and INVALID_HANDLE_VALUE is -1.
#include <windows.h>

#include <string>

#include "platform.h"

namespace survey_rt::platform {
namespace {

constexpr UINT kTextCodePage = 1251;

std::wstring wide(std::string_view path) {
  std::wstring out;
  if (path.empty()) return out;
  const int n = ::MultiByteToWideChar(kTextCodePage, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  out.resize(static_cast<std::size_t>(n));
  ::MultiByteToWideChar(kTextCodePage, 0, path.data(), static_cast<int>(path.size()), out.data(), n);
  return out;
}

HANDLE handle_of(int fd) { return LongToHandle(fd); }

std::uint16_t last_error() { return static_cast<std::uint16_t>(::GetLastError()); }

std::uint16_t open_handle(std::string_view path, DWORD access, DWORD share, DWORD how, int& fd) {
  const HANDLE h = ::CreateFileW(wide(path).c_str(), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
  fd = HandleToLong(h);
  return h == INVALID_HANDLE_VALUE ? last_error() : 0;
}

}  // namespace

std::string resolve(std::string_view path, Use) { return std::string(path); }

// Another program may read the file meanwhile, but not write it: a file that
// another program is writing is refused (sharing violation, 32) rather than
// read half written, and so is writing a file that another program reads.
std::uint16_t open_read(std::string_view path, int& fd) {
  return open_handle(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, fd);
}

std::uint16_t create_write(std::string_view path, int& fd) {
  return open_handle(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, fd);
}

std::uint16_t read_some(int fd, char* buf, std::size_t n, std::size_t& got) {
  got = 0;
  DWORD r = 0;
  const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!::ReadFile(handle_of(fd), buf, want, &r, nullptr)) {
    const DWORD err = ::GetLastError();
    // A pipe whose writer has closed: the end of the input.
    if (err == ERROR_BROKEN_PIPE || err == ERROR_HANDLE_EOF) return 0;
    return static_cast<std::uint16_t>(err);
  }
  got = r;
  return 0;
}

// A read at an offset moves the position of a handle opened for synchronous
// use: it is put back where it was.
std::uint16_t read_at(int fd, char* buf, std::size_t n, std::uint64_t offset, std::size_t& got) {
  got = 0;
  const HANDLE h = handle_of(fd);
  LARGE_INTEGER here{}, zero{};
  if (!::SetFilePointerEx(h, zero, &here, FILE_CURRENT)) return last_error();
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD r = 0;
  const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  const BOOL ok = ::ReadFile(h, buf, want, &r, &at);
  const DWORD err = ok ? 0 : ::GetLastError();
  ::SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
  if (!ok && err != ERROR_HANDLE_EOF) return static_cast<std::uint16_t>(err);
  got = r;
  return 0;
}

bool is_regular_file(int fd) { return ::GetFileType(handle_of(fd)) == FILE_TYPE_DISK; }

std::uint16_t write_all(int fd, const char* buf, std::size_t n) {
  while (n > 0) {
    DWORD w = 0;
    const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!::WriteFile(handle_of(fd), buf, chunk, &w, nullptr)) return last_error();
    buf += w;
    n -= w;
  }
  return 0;
}

std::uint16_t close_fd(int fd) { return ::CloseHandle(handle_of(fd)) ? 0 : last_error(); }

int stdin_fd() { return HandleToLong(::GetStdHandle(STD_INPUT_HANDLE)); }
int stdout_fd() { return HandleToLong(::GetStdHandle(STD_OUTPUT_HANDLE)); }

// A rename on Windows replaces no file unless told to.
std::uint16_t replace_file(std::string_view from, std::string_view to) {
  return ::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : last_error();
}

std::uint16_t remove_file(std::string_view path) {
  return ::DeleteFileW(wide(path).c_str()) ? 0 : last_error();
}

PathKind path_kind(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::none;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::folder : PathKind::file;
}

// One file: the same volume and the same file index, read through handles that
// ask for no access, so that a file another program holds open is looked at too.
bool same_file(std::string_view a, std::string_view b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string_view paths[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    const HANDLE h = ::CreateFileW(wide(paths[i]).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = ::GetFileInformationByHandle(h, &info[i]);
    ::CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The words of 2, 3 and 5 are the runtime's own (error_text of stop.h).
const char* error_text(std::uint16_t code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION: return "in use by another program; close it there";
    case ERROR_LOCK_VIOLATION: return "locked by another program; close it there";
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return "disk full";
    case ERROR_WRITE_PROTECT: return "the disk is write-protected";
    case ERROR_NOT_READY: return "the drive is not ready";
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return "network path not found";
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME: return "not a valid file name";
  }
  return "system error";
}

}  // namespace survey_rt::platform
