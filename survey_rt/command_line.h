// The command line of the tools that take options with values:
//   tool [--name VALUE | --name=VALUE | --flag]...
// --help or -h prints the usage on the standard output and ends the tool with
// exit status 0. A wrong call (an unknown option, an option without its
// value) ends the tool with exit status 1 and
//   tool: why
//   usage
// on the standard error.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace survey_rt {

// Ends the tool as a wrong call: exit status 1, "tool: why", a line end and
// the usage on the standard error.
[[noreturn]] void bad_call(std::string_view tool, std::string_view usage, const std::string& why);

// Walks the options of argv in order. An option must be one of names (the
// check comes before its value is looked for, so an unknown option is
// reported as unknown even when it is the last word); its value is what
// follows "=" or else the next word. on_option gets each option's name and
// value in turn and handles the value (calling bad_call when it is wrong).
void read_command_line(int argc, char** argv, std::string_view tool, std::string_view usage,
                       std::initializer_list<std::string_view> names,
                       const std::function<void(std::string_view name, const std::string& value)>& on_option);
// The same with options that take no value (flags such as --yards): a flag
// goes to on_option with an empty value; "--flag=VALUE" is a wrong call.
void read_command_line(int argc, char** argv, std::string_view tool, std::string_view usage,
                       std::initializer_list<std::string_view> names, std::initializer_list<std::string_view> flags,
                       const std::function<void(std::string_view name, const std::string& value)>& on_option);

}  // namespace survey_rt
