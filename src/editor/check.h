#pragma once
// Running the check a run was given (--check): a second child process that
// reads the approved content on its standard input and says by its exit
// status whether the content passes.  Its output is captured, never shown on
// the terminal.
//
// Calling sequence: run_check after each approval, before the approved
// content is delivered.

#include <cstddef>
#include <string>
#include <vector>

#include "base/result.h"
#include "editor/child.h"
#include "text/pieces.h"

namespace clippers {

// How much of the check's output (standard output and standard error
// together) is kept; the rest is read and dropped.
constexpr std::size_t CHECK_OUTPUT_KEPT = std::size_t{64} << 10;

struct CheckRun {
  int code;            // the exit status, or 128 + the signal that ended it
  std::string output;  // at most CHECK_OUTPUT_KEPT bytes, as written
};

// Starts `command` (program first, looked up on PATH, no shell) with
// `content` and one line feed on its standard input and waits for it.  Fails
// with the error number when it cannot be started (ENOENT: not found) or
// waited for.
Result<CheckRun, int> run_check(const std::vector<std::string>& command, Pieces content, ChildWatch& watch);

}  // namespace clippers
