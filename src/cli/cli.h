#pragma once
// The command line: `clippers [OPTIONS] [FILE]`.

#include <optional>
#include <string>

namespace clippers {

struct Cli {
  std::optional<std::string> file;     // raw bytes, never empty; "-" passed on as is
  std::optional<std::string> context;  // valid UTF-8, may be empty
  bool yes = false;
};

// Parses the process arguments (argv[0] is the invocation name).  Returns the
// Cli, or prints help, the version or a usage error and ends the process
// (status 0 for help and version, 2 for usage errors).
Cli parse_command_line(int argc, char** argv);

// The name usage lines show: the last path component of the invocation name
// (trailing `/` and `.` components ignored) when there is one, it is not
// `..` and it is valid UTF-8; "clippers" otherwise, also when `argv0` is null.
std::string program_name(const char* argv0);

}  // namespace clippers
