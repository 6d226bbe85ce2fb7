#include "tool_harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "console_io.h"
#include "harness.h"
#include "stop.h"

namespace survey_fuzz {
namespace {

struct Result {
  int status = 0;
  std::string message;
  std::map<std::string, std::string> files;  // every file in the survey folder, by path
};

void collect(const std::string& folder, const std::string& prefix, Result& r) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      collect(path, prefix + name + "/", r);
    } else {
      read_file(path, r.files[prefix + name]);
    }
  }
}

bool started = false;
int home_fd = -1;  // the folder the fuzzer was started in (its crash files go there)

// The open file descriptors that name files in folder.
std::string files_open_in(const std::string& folder) {
  std::string text;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (const dirent* e = ::readdir(d)) {
      if (e->d_name[0] == '.') continue;
      char target[1024] = "";
      const std::string link = std::string("/proc/self/fd/") + e->d_name;
      const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = '\0';
      if (std::string_view(target).starts_with(folder + "/")) text += std::string(" ") + target;
    }
    ::closedir(d);
  }
  return text;
}

Result run_once(const Tool& tool, const std::vector<std::string_view>& segments) {
  const std::string& root = scratch_dir();
  const std::string survey = root + "/survey";
  const std::string console = root + "/console";
  if (!started) {
    started = true;
    ::mkdir(survey.c_str(), 0755);
    home_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // The screen goes nowhere.
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);
  }
  empty_folder(survey);
  ::mkdir((survey + "/PM").c_str(), 0755);
  ::mkdir((survey + "/Temp").c_str(), 0755);
  std::string typed(segments.empty() ? std::string_view() : segments[0]);
  if (tool.typed_names)
    for (char& c : typed)
      if (c == '/' || c == '\\') c = '_';
  write_file(console, typed);
  const int in = ::open(console.c_str(), O_RDONLY);
  ::dup2(in, 0);
  ::close(in);
  for (std::size_t i = 0; i < tool.inputs.size(); ++i)
    if (i + 1 < segments.size()) write_file(survey + "/" + tool.inputs[i], segments[i + 1]);

  // State as at program start.
  survey_rt::io_clear();
  tool.reset();
  reset_files({&survey_rt::console_input()});
  survey_rt::console_input_reset();
  take_stderr();

  Result r;
  if (::chdir(survey.c_str()) != 0) fail("chdir " + survey);
  try {
    r.status = tool.main();
  } catch (const ToolExit& e) {
    r.status = e.code;
  }
  if (::fchdir(home_fd) != 0) fail("fchdir back");
  r.message = take_stderr();
  collect(survey, "", r);

  survey_rt::io_clear();
  tool.reset();
  reset_files({&survey_rt::console_input()});
  const std::string left = files_open_in(survey);
  FUZZ_CHECK(left.empty(), std::string(tool.name) + " left files open:" + left);
  return r;
}

std::string describe(const Result& r) {
  std::string text = "status " + std::to_string(r.status) + ", stderr " + show(r.message, 400);
  for (const auto& [path, bytes] : r.files) text += "\n  " + path + ": " + show(bytes);
  return text;
}

}  // namespace

void reset_files(std::initializer_list<survey_rt::TextFile*> files) {
  for (survey_rt::TextFile* f : files) {
    survey_rt::io_clear();
    if (f->mode != survey_rt::FileMode::closed) survey_rt::close_file(*f);
    survey_rt::io_clear();
  }
}

int run_with_arguments(int (*main)(int, char**), const char* name) {
  std::vector<std::string> words{name};
  std::string text;
  if (read_file("args", text)) {
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find_first_of("\r\n", start)) != std::string::npos; start = nl + 1)
      words.push_back(text.substr(start, nl - start));
    if (start < text.size()) words.push_back(text.substr(start));
  }
  std::vector<char*> argv;
  for (std::string& word : words) {
    for (char& c : word)
      if (c == '/' || c == '\\') c = '_';
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  return main(static_cast<int>(words.size()), argv.data());
}

int run_tool(const Tool& tool, const std::uint8_t* data, std::size_t size) {
  install_hooks();
  std::vector<std::string_view> segments;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  for (std::size_t sep; (sep = all.find('\x1E', start)) != std::string_view::npos; start = sep + 1)
    segments.push_back(all.substr(start, sep - start));
  segments.push_back(all.substr(start));

  const Result first = run_once(tool, segments);
  const std::string what = std::string(tool.name) + ": " + describe(first);
  // SURVEY_FUZZ_SHOW=1: what each input did (to look at a corpus by hand).
  static const bool show_runs = std::getenv("SURVEY_FUZZ_SHOW") != nullptr;
  if (show_runs) std::fprintf(stderr, "%s\n", what.c_str());
  if (first.status == 0) {
    FUZZ_CHECK(first.message.empty(), what);
  } else if (first.status == 1 && tool.stops_on_wrong_call) {
    FUZZ_CHECK(first.message.rfind(std::string(tool.name) + ": ", 0) == 0 && first.message.back() == '\n', what);
  } else {
    // File not found, folder not found (a name typed with a missing folder),
    // access denied (a folder where a file is wanted) and invalid number.
    // A name from the command line may also be too long for the system (36).
    FUZZ_CHECK(first.status == 2 || first.status == 3 || first.status == 5 || first.status == 106 ||
                   (first.status == 36 && tool.stops_on_wrong_call),
               what);
    check_stop_message(first.message, first.status);
  }
  const Result second = run_once(tool, segments);
  FUZZ_CHECK(second.status == first.status && second.message == first.message &&
                 second.files == first.files,
             "a second run differs: " + what + "\nthen " + describe(second));
  return 0;
}

}  // namespace survey_fuzz
