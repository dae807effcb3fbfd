#pragma once
// Reading the command line into a Cli, or into one of the answers that end the
// process instead (help, version, usage error).  Pure: no I/O, no environment.
//
//   ParseResult r = parse_arguments(args);  // Cli, HelpRequest, VersionRequest or UsageError

#include <string>
#include <variant>
#include <vector>

#include "cli/cli.h"
#include "cli/usage_error.h"

namespace clippers {

struct HelpRequest {
  bool long_help = false;  // `--help` rather than `-h`
};
struct VersionRequest {};

using ParseResult = std::variant<Cli, HelpRequest, VersionRequest, UsageError>;

// `args` are the arguments after the invocation name, as raw bytes.
ParseResult parse_arguments(const std::vector<std::string>& args);

}  // namespace clippers
