#pragma once
// One run of the tool, from the parsed command line to the exit status:
// 0 approved, 1 aborted or nothing to approve, 2 failure.

#include <string_view>

#include "cli/cli.h"

namespace clippers {

int run(const Cli& cli);

// True when FILE names standard input: the path is the single component "-"
// once empty and "." components after the first are dropped ("-", "-/", "-/.").
bool is_stdin_path(std::string_view file);

}  // namespace clippers
