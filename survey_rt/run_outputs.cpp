#include "run_outputs.h"

#include <string>
#include <vector>

#include "platform.h"
#include "stop.h"

namespace survey_rt {

namespace {

struct Output {
  std::string target;         // the name on disk
  std::string part;           // the temporary name it is written under
  TextFile* open = nullptr;   // while it is written
  bool named = false;         // given its name
};

// The outputs of the run, from their creation until finish_outputs. Run-time
// state like the I/O result: the stop needs it, whatever the tool is doing.
std::vector<Output> outputs;

void undo_outputs() {
  for (Output& o : outputs) {
    if (o.open != nullptr && o.open->mode != FileMode::closed) close_file(*o.open);
    platform::remove_file(o.part);
    if (o.named) platform::remove_file(o.target);
  }
  io_clear();  // a close that failed here changes nothing of the stop
  outputs.clear();
}

// Removes the file named path in every letter case it is found in (each
// lookup finds the most recently modified of them); the error code of a
// removal that fails, else 0.
std::uint16_t remove_every_case(std::string_view path) {
  while (platform::path_kind(path) == platform::PathKind::file)
    if (const std::uint16_t err = platform::remove_file(platform::resolve(path, platform::Use::read))) return err;
  return 0;
}

}  // namespace

// Every name is tried, so that a file that cannot be removed leaves no other
// old output beside it; then the first failure stops the tool.
void start_outputs(std::initializer_list<std::string_view> names, std::initializer_list<std::string_view> inputs) {
  std::uint16_t failure = 0;
  std::string_view failed;
  for (const std::string_view name : names) {
    bool read = false;
    for (const std::string_view input : inputs) read = read || platform::same_file(name, input);
    const std::uint16_t err = read ? 0 : remove_every_case(name);
    if (err != 0 && failure == 0) failure = err, failed = name;
  }
  on_stop(undo_outputs);
  if (failure != 0) {
    io_fail(failure, "remove", failed);
    io_check();
  }
}

void create_run_output(TextFile& f, std::string_view path) {
  Output o;
  o.target = disk_path(path);
  o.part = disk_path(o.target + ".part");
  create_output(f, o.part);
  if (io_pending() == 0) {
    o.open = &f;
    outputs.push_back(std::move(o));
    on_stop(undo_outputs);
  }
  io_check();
}

void close_run_output(TextFile& f) {
  close_file(f);
  for (Output& o : outputs)
    if (o.open == &f) o.open = nullptr;
  io_check();
}

void finish_outputs() {
  for (Output& o : outputs) {
    if (const std::uint16_t err = platform::replace_file(o.part, o.target)) {
      io_fail(err, "rename", o.target);
      io_check();
    }
    o.named = true;
  }
  outputs.clear();
  on_stop(nullptr);
}

}  // namespace survey_rt
