#include "command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "stop.h"

namespace survey_rt {

void bad_call(std::string_view tool, std::string_view usage, const std::string& why) {
  halt_with_message(1, std::string(tool) + ": " + why + "\n" + std::string(usage));
}

void read_command_line(int argc, char** argv, std::string_view tool, std::string_view usage,
                       std::initializer_list<std::string_view> names,
                       const std::function<void(std::string_view name, const std::string& value)>& on_option) {
  read_command_line(argc, argv, tool, usage, names, {}, on_option);
}

void read_command_line(int argc, char** argv, std::string_view tool, std::string_view usage,
                       std::initializer_list<std::string_view> names, std::initializer_list<std::string_view> flags,
                       const std::function<void(std::string_view name, const std::string& value)>& on_option) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(std::string(usage).c_str(), stdout);
      std::exit(0);
    }
    if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
      on_option(arg, "");
      continue;
    }
    const std::string_view name = arg.substr(0, arg.find('='));
    if (std::find(flags.begin(), flags.end(), name) != flags.end())
      bad_call(tool, usage, std::string(name) + " takes no value");
    if (std::find(names.begin(), names.end(), name) == names.end())
      bad_call(tool, usage, "unknown option \"" + std::string(arg) + "\"");
    std::string value;
    if (name.size() < arg.size())
      value = arg.substr(name.size() + 1);
    else if (i + 1 < argc)
      value = argv[++i];
    else
      bad_call(tool, usage, std::string(name) + " wants a value");
    on_option(name, value);
  }
}

}  // namespace survey_rt
