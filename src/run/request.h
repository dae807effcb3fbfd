#pragma once
// What one run was asked to do, as the command line gave it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace clippers {

struct Request {
  std::optional<std::string> file;  // FILE mode: FILE as given
  std::optional<std::string> context;
  bool yes = false;
  bool json = false;
  bool require_save = false;
  std::optional<std::string> timeout;       // --timeout as given
  std::optional<std::uint64_t> timeout_ms;  // and as a duration
  std::optional<std::string> suffix;
  std::optional<std::string> check;        // --check as given
  std::vector<std::string> check_command;  // and its words; empty without --check
};

// The request of `cli`; `file` is dropped when it names standard input.
Request make_request(const Cli& cli);

}  // namespace clippers
