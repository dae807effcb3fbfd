#pragma once
// The command line: `clippers [OPTIONS] [FILE]`.
//
//   const Cli cli = parse_command_line(argc, argv);  // returns only for a run

#include <optional>
#include <string>

namespace clippers {

struct Cli {
  std::optional<std::string> file;     // raw bytes, never empty; "-" passed on as is
  std::optional<std::string> context;  // valid UTF-8, may be empty
  bool yes = false;
  bool json = false;
  bool require_save = false;
  // As given; each was accepted by its check in cli/values.h, whose parsers
  // read it.
  std::optional<std::string> timeout;
  std::optional<std::string> suffix;
  std::optional<std::string> check;
};

// Parses the process arguments (argv[0] is the invocation name).  Returns the
// Cli, or prints help, the version or a usage error and ends the process
// (status 0 for help and version, 2 for usage errors).  Usage lines name the
// program by the last path component of argv[0] (trailing `/` and `.`
// components ignored) when there is one, it is not `..` and it is valid
// UTF-8; "clippers" otherwise.
Cli parse_command_line(int argc, char** argv);

}  // namespace clippers
